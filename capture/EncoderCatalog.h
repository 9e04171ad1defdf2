#pragma once
// Encoders a recording can use: element factories whose output the AVI muxer
// accepts, ordered by rank (highest first), then by name. The same order every
// time, so a list position names the same encoder in a list and in a lookup.

#include <gst/gst.h>

#include <string>
#include <vector>

#include "capture/DeviceList.h"
#include "capture/GstPtr.h"

namespace tavelin {

enum class EncoderKind {
    Video,  // video encoders and image encoders (JPEG gives Motion JPEG)
    Audio,
};

class CEncoderCatalog {
public:
    // Fills `encoders` (emptied first). NoClassEnumerator when the muxer itself is
    // missing: then nothing could be recorded with any encoder.
    static ListStatus Find(EncoderKind kind, std::vector<GstElementFactoryPtr>& encoders);

    // What the AVI muxer takes on an input of that kind (its pad templates merged);
    // null when there is no muxer.
    static GstCapsPtr MuxerInputCaps(EncoderKind kind);

    // The name shown in the lists.
    static std::string LongName(GstElementFactory* factory);
};

}  // namespace tavelin
