#pragma once
// GStreamer start-up for the RTSP share, which lives beside the capture engine without
// linking it: initialises the library once per process.

namespace tavelin {

// True when GStreamer is usable. Cheap after the first call; safe from any thread.
bool EnsureRtspRuntime();

}  // namespace tavelin
