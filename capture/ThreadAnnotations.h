#pragma once
// GStreamer hands our objects to its streaming threads (and back, when a pipeline
// stops) through GLib's own futex-based locks, which ThreadSanitizer cannot see.
// These marks tell it about that ordering so its reports on the frame hand-off
// stay meaningful; outside a ThreadSanitizer build they compile to nothing.

#if defined(__SANITIZE_THREAD__)
#include <sanitizer/tsan_interface.h>
#endif

namespace tavelin {

// Everything this thread did before is visible to whoever calls Acquired(object).
inline void MarkReleased(const void* object) {
#if defined(__SANITIZE_THREAD__)
    __tsan_release(const_cast<void*>(object));
#else
    (void)object;
#endif
}

inline void MarkAcquired(const void* object) {
#if defined(__SANITIZE_THREAD__)
    __tsan_acquire(const_cast<void*>(object));
#else
    (void)object;
#endif
}

}  // namespace tavelin
