#include "capture/GstRuntime.h"

#include <gst/gst.h>

#include <mutex>

#include "capture/GstPtr.h"
#include "capture/TestDeviceProvider.h"
#include "core/Log.h"

namespace tavelin {

bool EnsureGstreamer() {
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
        // Registered whether or not the synthetic sources are switched on: the
        // provider looks at TAVELIN_TEST_SOURCES each time it is asked for devices.
        if (ready)
            RegisterTestDeviceProvider();
    });
    return ready;
}

}  // namespace tavelin
