#pragma once
// An in-process device provider that offers the synthetic camera and microphone
// (TestSources.h) to GstDeviceMonitor while TAVELIN_TEST_SOURCES=1, so the device
// search and the device lists run their normal code on them. It is never started
// (it cannot watch the variable), so every listing asks it afresh.

namespace tavelin {

// Adds the provider to the registry; done once at start-up by EnsureGstreamer().
// Its rank puts its devices before those of the hardware providers.
bool RegisterTestDeviceProvider();

}  // namespace tavelin
