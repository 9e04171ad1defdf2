#pragma once
// The devices GstDeviceMonitor reports for one class ("Video/Source",
// "Audio/Source"), in the order the monitor gives them (its providers by rank).

#include <gst/gst.h>

#include <string>
#include <vector>

#include "capture/GstPtr.h"

namespace tavelin {

enum class ListStatus {
    Ok,
    NoSystemEnumerator,  // GStreamer or the device monitor is not available
    NoClassEnumerator,   // nothing can list this kind of device or encoder
};

class CDeviceList {
public:
    // Fills `devices` (emptied first). An Ok result may still give no devices.
    static ListStatus Find(const char* deviceClass, std::vector<GstDevicePtr>& devices);

    static std::string DisplayName(GstDevice* device);
    // The V4L2 device node the device stands for ("device.path", or PipeWire's
    // "api.v4l2.path"); empty when it has none.
    static std::string NodePath(GstDevice* device);
};

}  // namespace tavelin
