#pragma once
// The running program without its windows: what the user has chosen, the frame tick
// with the monitor, the recorder, and every rule of the main window's commands. The
// main window turns clicks into calls here and shows what the session tells it
// through ISessionHost; tests drive it with fakes, without Qt.
//
// Record on motion (settings().monitor.motionRecord): while the monitor runs with it on
// and no recording started by hand, the camera runs in the armed graph, which keeps the
// last seconds encoded. Motion at the alarm's level (a changed area wider than 15 or
// taller than 11 pixels between two frames; measured whether or not the alarm function
// is on) starts a recording as the Recorder button would, through the armed graph, so
// the file opens with those seconds. It ends once no such motion was seen for the calm
// time. The Recorder button stops it and the session stays armed; a new file then waits
// for calm first, as after a file that could not start. Pressing Recorder while armed
// and not writing records by hand as ever, and the session arms again afterwards.

#include <cstdint>
#include <string>
#include <vector>

#include "core/ArmedGraph.h"
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

    // `armed`: the graph that records on motion; null leaves that function without effect.
    CCameraSession(IFrameSource& source, IRecordGraph& graph, ISessionHost& host,
                   INoticeSink& notices, const IClock& clock, IAlarm* alarm,
                   IArmedGraph* armed = nullptr);
    CCameraSession(const CCameraSession&) = delete;
    CCameraSession& operator=(const CCameraSession&) = delete;

    // ---- start-up, in this order ----
    // The camera at the first size; false (after the message) when there is none.
    bool StartCamera();
    void SetFiles(Files files);
    // Claims what killed programs left in `recordingFolder` (LeftoverRecordings.h), reads
    // the counter and proposes the first numbered recording there.
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
    // The recording choices changed (a list, a recording settings dialog): an armed graph
    // that encodes otherwise is built again.
    void RecordingChoicesChanged();
    // The camera was changed (the video settings): the running graph is built again on
    // it. A recording keeps its camera; the next graph uses the new one.
    void CameraChanged();
    void ToggleShowTime();
    // Arms the countdown shot (removing the earlier picture), or cancels a running one.
    void ToggleTimerShot();
    void ToggleRecorder();
    void ToggleAudio();
    // Start-up: record on motion was on when the program last ended, so the monitor
    // starts with it, armed, as if the dialog had just been confirmed. The other monitor
    // functions last one run and stay off.
    void ResumeRecordOnMotion();
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
    void FrameStep();
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
    // Record on motion: the armed graph runs, and it writes a file the motion started.
    bool motionArmed() const { return armed_ != nullptr && armed_->armed(); }
    bool motionRecording() const { return motionFile_; }

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

    // ---- record on motion ----
    // The monitor runs with the function on, at a size it works on, and no recording
    // started by hand.
    bool WantArmed() const;
    // After a command: the armed graph with the current choices, or the preview. A file
    // on motion is finished first when arming ends.
    void UpdateArming();
    // After each frame step: arms again after the tick rebuilt the preview, and starts
    // and ends the files on motion.
    void FollowMotion();
    // The window's choices as a request, for the armed graph.
    RecordRequest ArmRequest();
    int SecondsBefore() const;
    bool Arm(const RecordRequest& request);
    void Disarm();
    void StartMotionFile();
    void AbandonMotionFile(const std::string& message);
    void FinishMotionFile();
    // The graph ended the file on its own (a write error): the user is told, as for a
    // recording by hand that fails.
    void EndFailedMotionFile();
    // The graph is not written again before the picture has been calm.
    void WaitForCalm();
    // A file on motion ended: the date shows again if it did when the file began (or
    // Show Time was pressed on during the file).
    void RestoreShowTime();
    std::uint32_t CalmMs() const;

    IFrameSource& source_;
    IRecordGraph& graph_;
    IArmedGraph* armed_;
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

    // Record on motion.
    RecordRequest armedRequest_;      // what the armed graph encodes
    int armedSeconds_ = -1;           // and how many seconds it keeps
    bool armFailed_ = false;          // not tried again until a command changes something
    bool motionFile_ = false;         // the armed graph writes a file the motion started
    bool calmNeeded_ = false;         // a new file waits until the picture has been calm
    bool showTimeAfterFile_ = false;  // the date shows again when the file on motion ends
    std::uint32_t lastMotion_ = 0;    // clock tick of the last frame with motion
};

}  // namespace tavelin
