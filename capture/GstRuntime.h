#pragma once
// GStreamer start-up for the capture engine: initialises the library once per
// process and registers the synthetic sources' device provider.

namespace tavelin {

// True when GStreamer is usable. Cheap after the first call; safe from any thread.
bool EnsureGstreamer();

}  // namespace tavelin
