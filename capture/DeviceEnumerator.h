#pragma once
// The lists a recording is set up from - video compressors, audio compressors,
// audio input devices - and the lookups that turn a list position back into an
// element. A lookup walks the same entries in the same order as its list, so
// position n is the same entry.
//
// The compressors and the cameras are enumerated afresh at each call. The audio input
// devices are listed once for the process and again only when a device comes, goes or
// changes (CWatchedDeviceList): every graph with sound looks its device up, and listing
// the devices probes the sound server's provider, which keeps descriptors each time
// when no server answers. The list and the lookup read the same kept listing.
//
// Failures to enumerate at all are told to the user through the optional notice
// sink (null: silent), with the texts below.

#include <cstdint>
#include <string>
#include <vector>

#include "capture/GstPtr.h"
#include "core/NoticeSink.h"

namespace tavelin {

// GStreamer or the device monitor cannot be set up.
inline constexpr const char* kNoticeNoSystemEnumerator = "Failed to create system enumerator";
// Nothing can enumerate the kind asked for (no AVI muxer for the compressors).
inline constexpr const char* kNoticeNoClassEnumerator = "Failed to create class enumerator";
// The entry was found but its element could not be made.
inline constexpr const char* kNoticeBindFailed = "Failed to bind to object";

// What an audio compressor position stands for: the "PCM" entry (uncompressed
// sound, no encoder), an encoder, or - both empty - nothing usable.
struct AudioEncoderChoice {
    bool uncompressed = false;
    GstElementPtr encoder;
};

class CDeviceEnumerator {
public:
    // Appends the encoders (by long name) that pass the video compressor name test.
    static void ListVideoCompressors(std::vector<std::string>& list, INoticeSink* notices);
    // Appends "PCM" (uncompressed sound) and then the encoders that pass the audio
    // compressor name test; true when the encoders could be enumerated.
    static bool ListAudioCompressors(std::vector<std::string>& list, INoticeSink* notices);
    // Appends every audio input device; true when there was at least one.
    static bool ListAudioDevices(std::vector<std::string>& list, INoticeSink* notices);
    // Appends every video input device (the cameras); false when they cannot be listed.
    static bool ListVideoSources(std::vector<std::string>& list);

    // A new element for the entry at `position`, owned by the caller; null for a
    // position outside the list (-1 or past the end: no message).
    static GstElementPtr GetVideoCompressor(std::int32_t position, INoticeSink* notices);
    static AudioEncoderChoice GetAudioCompressor(std::int32_t position, INoticeSink* notices);
    static GstElementPtr GetAudioDevice(std::int32_t position, INoticeSink* notices);
};

}  // namespace tavelin
