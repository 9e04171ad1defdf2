#include "web/RtspRuntime.h"

#include <gst/gst.h>

#include <mutex>
#include <string>

#include "capture/GstPtr.h"
#include "core/Log.h"

namespace tavelin {

bool EnsureRtspRuntime() {
    static std::once_flag once;
    static bool ready = false;
    std::call_once(once, [] {
        GError* raw = nullptr;
        ready = gst_init_check(nullptr, nullptr, &raw) == TRUE;
        GErrorPtr error(raw);
        if (!ready) {
            Log(LogArea::Capture, LogLevel::Error,
                std::string("GStreamer cannot start: ") +
                    (error ? error->message : "no reason given"));
        }
    });
    return ready;
}

}  // namespace tavelin
