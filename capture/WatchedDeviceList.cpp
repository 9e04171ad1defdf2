#include "capture/WatchedDeviceList.h"

#include "capture/TestSources.h"
#include "core/Log.h"

namespace tavelin {

CWatchedDeviceList::CWatchedDeviceList(std::string deviceClass)
    : deviceClass_(std::move(deviceClass)) {}

CWatchedDeviceList::~CWatchedDeviceList() {
    // GStreamer refuses to release a monitor that still runs.
    if (watching_)
        gst_device_monitor_stop(monitor_.get());
}

ListStatus CWatchedDeviceList::Devices(std::vector<GstDevicePtr>& devices) {
    devices.clear();
    std::lock_guard guard(lock_);
    if (!monitor_) {
        const ListStatus status = Watch();
        if (status != ListStatus::Ok)
            return status;
    }
    const bool changed = Changed();
    const bool testSources = TestSourcesEnabled();
    if (!listed_ || changed || testSources != listedWithTestSources_) {
        if (listed_) {
            Log(LogArea::Capture, LogLevel::Debug,
                "the " + deviceClass_ + " devices are listed again: " +
                    (changed ? "a device came, went or changed"
                             : "the synthetic sources were switched"));
        }
        CDeviceList::Collect(monitor_.get(), devices_);
        listed_ = true;
        listedWithTestSources_ = testSources;
    }
    for (const GstDevicePtr& device : devices_)
        devices.push_back(Share(device.get()));
    return ListStatus::Ok;
}

ListStatus CWatchedDeviceList::Watch() {
    GstDeviceMonitorPtr monitor;
    const ListStatus status = CDeviceList::NewMonitor(deviceClass_.c_str(), monitor);
    if (status != ListStatus::Ok)
        return status;
    monitor_ = std::move(monitor);
    bus_.reset(gst_device_monitor_get_bus(monitor_.get()));
    watching_ = gst_device_monitor_start(monitor_.get()) == TRUE;
    if (!watching_) {
        Log(LogArea::Capture, LogLevel::Info,
            "the " + deviceClass_ +
                " devices are not watched (no device provider could start): one that comes "
                "later is not listed");
    }
    // The devices the providers found as they started are in the first listing anyway.
    Changed();
    return ListStatus::Ok;
}

bool CWatchedDeviceList::Changed() {
    bool changed = false;
    while (GstMessagePtr message{gst_bus_pop(bus_.get())}) {
        switch (GST_MESSAGE_TYPE(message.get())) {
            case GST_MESSAGE_DEVICE_ADDED:
            case GST_MESSAGE_DEVICE_REMOVED:
            case GST_MESSAGE_DEVICE_CHANGED:
                changed = true;
                break;
            default:
                break;
        }
    }
    return changed;
}

}  // namespace tavelin
