#pragma once
// The live graph's JPEG output for the web page: one encode per camera frame, however
// many watch, each picture published with the frame's capture time.

#include "capture/CaptureGraph.h"
#include "web/LivePicture.h"

namespace tavelin {

// The frame tap's chain.
inline constexpr const char* kPictureTapChain = "jpegenc quality=80";

// What the frame tap delivers to: each JPEG copied out of its sample into `picture`,
// which must outlive the tap.
CCaptureGraph::FrameTapFn PublishInto(CLivePicture& picture);

}  // namespace tavelin
