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
    // Fills `devices` (emptied first) from a monitor made for this one listing. An Ok
    // result may still give no devices.
    static ListStatus Find(const char* deviceClass, std::vector<GstDevicePtr>& devices);

    // A monitor whose one filter is `deviceClass`, not started; empty with the reason
    // (logged) when there can be none.
    static ListStatus NewMonitor(const char* deviceClass, GstDeviceMonitorPtr& monitor);
    // Fills `devices` (emptied first) with what `monitor` reports now. An unstarted
    // monitor probes every provider; a started one asks only the providers that could
    // not be started.
    static void Collect(GstDeviceMonitor* monitor, std::vector<GstDevicePtr>& devices);

    static std::string DisplayName(GstDevice* device);
    // The V4L2 device node the device stands for ("device.path", or PipeWire's
    // "api.v4l2.path"); empty when it has none.
    static std::string NodePath(GstDevice* device);
};

}  // namespace tavelin
