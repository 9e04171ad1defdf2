#pragma once
// The running program without its windows: what the user has chosen, the frame tick
// with the monitor, the recorder, and every rule of the main window's commands. The
// main window turns clicks into calls here and shows what the session tells it
// through ISessionHost; tests drive it with fakes, without Qt.

#include <cstdint>
#include <string>
#include <vector>

#include "core/Clock.h"
#include "core/FrameSource.h"
#include "core/FrameTick.h"
#include "core/NoticeSink.h"
#include "core/PauseScope.h"
#include "core/RecordGraph.h"
#include "core/RecordSettingsRules.h"
#include "core/Recorder.h"
#include "core/SessionHost.h"
#include "core/SessionSettings.h"

namespace tavelin {

class CCameraSession final : public IRecorderWindow, public IPauseRequest {
public:
    // The files the session writes in folders the window chose.
    struct Files {
        std::string counter;           // the recording counter
        std::string timerShotDefault;  // the timer shot when the user chose no file
        std::string snapshotTemp;      // the snapshot's picture before conversion
    };

    // The three lists as the main window shows them, with the entries selected.
    using ListsShown = tavelin::ListsShown;

    CCameraSession(IFrameSource& source, IRecordGraph& graph, ISessionHost& host,
                   INoticeSink& notices, const IClock& clock, IAlarm* alarm);
    CCameraSession(const CCameraSession&) = delete;
    CCameraSession& operator=(const CCameraSession&) = delete;

    // ---- start-up, in this order ----
    // The camera at the first size; false (after the message) when there is none.
    bool StartCamera();
    void SetFiles(Files files);
    // Reads the counter and proposes the first numbered recording in `recordingFolder`.
    void StartNumbering(const std::string& recordingFolder);
    // The lists as the capture engine gave them (`...Listed`: whether the category could
    // be listed): chooses the default entries and what stands in for an empty list.
    ListsShown ChooseLists(const std::vector<std::string>& videoCompressors,
                           bool audioDevicesListed, const std::vector<std::string>& audioDevices,
                           bool audioCompressorsListed,
                           const std::vector<std::string>& audioCompressors);
    // The buffers and display for the first size.
    void PrepareDisplay();
    void SetOverlayPictures(OverlayPicture cameraIcon, OverlayPicture badge);

    // ---- what the window's fields say (on CollectChoices) ----
    void SetListSelections(int videoCompressor, int audioCompressor, int audioDevice);
    void SetAviPathText(const std::string& text);

    // ---- commands ----
    bool SelectCaptureSize(int sizeIndex);
    void ToggleShowTime();
    // Arms the countdown shot (removing the earlier picture), or cancels a running one.
    void ToggleTimerShot();
    void ToggleRecorder();
    void ToggleAudio();
    // After the Monitor Settings dialog (settings().monitor holds what it stored):
    // switches the monitor by the stored mode (accepted) or puts an idle monitor back
    // to rest (cancelled).
    void ApplyMonitorSettings(bool accepted);
    void ShowDisplay(bool outside);
    // A snapshot: the next frame step writes the picture of this moment. False when one
    // is already pending. FinishSnapshot saves it to `chosenPath` (empty: cancelled)
    // and always lets it go.
    bool BeginSnapshot();
    void FinishSnapshot(const std::string& chosenPath);
    bool snapshotPending() const { return tick_.fixedShotRequest; }
    // The program ends: the graph, buffers, timers and monitor go.
    void Shutdown();

    // ---- the window's timers ----
    void FrameStep() { tick_.FrameStep(); }
    void BlinkStep() { tick_.BlinkStep(); }

    // ---- state ----
    SessionSettings& settings() { return settings_; }
    const SessionSettings& settings() const { return settings_; }
    const std::string& aviPathText() const { return aviPathText_; }
    const Files& files() const { return files_; }
    bool noAudioDevice() const { return noAudioDevice_; }
    bool busy() const { return tick_.busy; }
    void SetBusy() { tick_.busy = true; }
    std::int32_t fileCounter() const { return recorder_.fileCounter; }
    void SetFileCounter(std::int32_t counter) { recorder_.fileCounter = counter; }
    CFrameTick& tick() { return tick_; }
    const CFrameTick& tick() const { return tick_; }
    CRecorder& recorder() { return recorder_; }

    // IRecorderWindow
    std::string ReadAviPathText() override;
    void WriteAviPathText(const std::string& text) override;
    bool audioEnabled() const override { return audioEnabled_; }
    bool audioCompression() const override { return audioCompression_; }
    void SetRecordingControls(bool enable) override;
    // IPauseRequest
    void SetPauseRequest(bool on) override { tick_.pauseRequest = on; }

private:
    void ApplyMonitorPlan(const MonitorSettingsPlan& plan);

    IFrameSource& source_;
    ISessionHost& host_;
    INoticeSink& notices_;
    const IClock& clock_;
    SessionSettings settings_;
    CFrameTick tick_;
    CRecorder recorder_;
    Files files_;

    std::string aviPathText_;  // what the path field shows
    std::string firstAudioDevice_;
    bool audioEnabled_ = false;
    bool audioCompression_ = false;
    bool noAudioDevice_ = false;
};

}  // namespace tavelin
