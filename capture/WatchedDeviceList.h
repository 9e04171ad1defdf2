#pragma once
// The devices of one class ("Audio/Source"), listed once and kept until they change.
//
// A listing asks every device provider that is not watching already to probe, and a
// probe may keep what it opened: GStreamer's PulseAudio provider, when no sound server
// answers, keeps a memfd and a pipe pair each time. So the devices are listed once,
// through a started GstDeviceMonitor, and again only when its bus says a device came,
// went or changed, or when the synthetic sources were switched on or off (nothing
// announces that). The bus is read whenever the list is asked for, so no GLib main
// loop has to run.
//
// Every member function may be called from any thread.

#include <mutex>
#include <string>
#include <vector>

#include "capture/DeviceList.h"
#include "capture/GstPtr.h"

namespace tavelin {

class CWatchedDeviceList {
public:
    explicit CWatchedDeviceList(std::string deviceClass);
    // Stops the monitor, which ends the watching providers' threads and connections.
    ~CWatchedDeviceList();
    CWatchedDeviceList(const CWatchedDeviceList&) = delete;
    CWatchedDeviceList& operator=(const CWatchedDeviceList&) = delete;

    // Fills `devices` (emptied first) with the devices as last listed, each with a
    // reference of its own, in the monitor's order (its providers by rank). The status
    // is CDeviceList's; after a failure the next call tries again.
    ListStatus Devices(std::vector<GstDevicePtr>& devices);

private:
    // Makes the monitor and starts it; a monitor that cannot start still lists.
    ListStatus Watch();
    // Empties the bus; true when it told of a device that came, went or changed.
    bool Changed();

    const std::string deviceClass_;
    std::mutex lock_;
    GstDeviceMonitorPtr monitor_;
    GstBusPtr bus_;
    bool watching_ = false;  // started: its bus tells of changes
    bool listed_ = false;
    bool listedWithTestSources_ = false;
    std::vector<GstDevicePtr> devices_;
};

}  // namespace tavelin
