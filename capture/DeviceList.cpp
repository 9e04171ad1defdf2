#include "DeviceList.h"

#include "GstRuntime.h"

namespace tavelin {

ListStatus CDeviceList::Find(const char* deviceClass, std::vector<GstDevicePtr>& devices) {
    devices.clear();
    if (!EnsureGstreamer())
        return ListStatus::NoSystemEnumerator;
    GstDeviceMonitorPtr monitor(gst_device_monitor_new());
    if (!monitor)
        return ListStatus::NoSystemEnumerator;
    // 0: no provider handles this class at all.
    if (gst_device_monitor_add_filter(monitor.get(), deviceClass, nullptr) == 0) {
        return ListStatus::NoClassEnumerator;
    }
    // Without start() this probes each provider once and returns.
    GstObjectListPtr found(gst_device_monitor_get_devices(monitor.get()));
    for (GList* item = found.get(); item != nullptr; item = item->next) {
        devices.push_back(Share(GST_DEVICE(item->data)));
    }
    return ListStatus::Ok;
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
