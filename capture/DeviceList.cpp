#include "capture/DeviceList.h"

#include "capture/GstRuntime.h"
#include "core/Log.h"

namespace tavelin {

ListStatus CDeviceList::Find(const char* deviceClass, std::vector<GstDevicePtr>& devices) {
    devices.clear();
    GstDeviceMonitorPtr monitor;
    const ListStatus status = NewMonitor(deviceClass, monitor);
    if (status == ListStatus::Ok)
        Collect(monitor.get(), devices);
    return status;
}

ListStatus CDeviceList::NewMonitor(const char* deviceClass, GstDeviceMonitorPtr& monitor) {
    monitor.reset();
    const auto fail = [deviceClass](ListStatus status, const char* why) {
        Log(LogArea::Capture, LogLevel::Warning,
            std::string("cannot list the ") + deviceClass + " devices: " + why);
        return status;
    };
    if (!EnsureGstreamer())
        return fail(ListStatus::NoSystemEnumerator, "GStreamer is not available");
    GstDeviceMonitorPtr made(gst_device_monitor_new());
    if (!made)
        return fail(ListStatus::NoSystemEnumerator, "no device monitor");
    // 0: no provider handles this class at all.
    if (gst_device_monitor_add_filter(made.get(), deviceClass, nullptr) == 0)
        return fail(ListStatus::NoClassEnumerator, "no device provider handles them");
    monitor = std::move(made);
    return ListStatus::Ok;
}

void CDeviceList::Collect(GstDeviceMonitor* monitor, std::vector<GstDevicePtr>& devices) {
    devices.clear();
    GstObjectListPtr found(gst_device_monitor_get_devices(monitor));
    for (GList* item = found.get(); item != nullptr; item = item->next)
        devices.push_back(Share(GST_DEVICE(item->data)));
}

std::string CDeviceList::DisplayName(GstDevice* device) {
    GCharPtr name(gst_device_get_display_name(device));
    return name ? std::string(name.get()) : std::string();
}

std::string CDeviceList::NodePath(GstDevice* device) {
    GstStructurePtr properties(gst_device_get_properties(device));
    if (!properties)
        return {};
    for (const char* key : {"device.path", "api.v4l2.path"}) {
        if (const gchar* path = gst_structure_get_string(properties.get(), key))
            return path;
    }
    return {};
}

}  // namespace tavelin
