#pragma once
// The running program without its windows: what the user has chosen, the frame tick
// with the monitor, the recording controller, and every rule of the main window's
// commands. The main window turns clicks into calls here and shows what the session
// tells it through ISessionHost; what happens is also published as events(). Tests
// drive it with fakes, without Qt.
//
// Record on motion (settings().monitor.motionRecord): while the monitor runs with it on,
// the camera graph's encoding output keeps the last seconds encoded. Motion at the
// alarm's level (a changed area wider than 15 or taller than 11 pixels between two
// frames; measured whether or not the alarm function is on) starts a recording as the
// Recorder button would, so the file opens with those seconds. It ends once no such
// motion was seen for the calm time. The Recorder button stops it and the session stays
// armed; a new file then waits for calm first, as after a file that could not start.
// Pressing Recorder while armed and not writing records by hand as ever, and the
// session stays armed.

#include <cstdint>
#include <string>
#include <vector>

#include "core/CameraGraph.h"
#include "core/Clock.h"
#include "core/ControlsView.h"
#include "core/FrameTick.h"
#include "core/NoticeSink.h"
#include "core/PauseScope.h"
#include "core/RecordSettingsRules.h"
#include "core/Recorder.h"
#include "core/RecordingController.h"
#include "core/SessionEvents.h"
#include "core/SessionHost.h"
#include "core/SessionSettings.h"
#include "core/StorageGuard.h"

namespace tavelin {

class CCameraSession final : public IRecorderWindow,
                             public IPauseRequest,
                             public ITickRecording,
                             public IRecordingSteps {
public:
    // The files the session writes in folders the window chose.
    struct Files {
        std::string counter;           // the recording counter
        std::string timerShotDefault;  // the timer shot when the user chose no file
        std::string snapshotTemp;      // the snapshot's picture before conversion
    };

    // The three lists as the main window shows them, with the entries selected.
    using ListsShown = tavelin::ListsShown;

    // `canRecordOnMotion` false leaves that function without effect.
    CCameraSession(ICameraGraph& graph, ISessionHost& host, INoticeSink& notices,
                   const IClock& clock, IAlarm* alarm, bool canRecordOnMotion = true);
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

    // ---- the user's choices, as they change in the window ----
    void SetListSelections(int videoCompressor, int audioCompressor, int audioDevice);
    void SetAviPathText(const std::string& text);
    // The Monitor switch was clicked (before its dialog opens): up or down as it shows.
    void SetMonitorSwitchDown(bool down);

    // ---- commands ----
    // A size button; the graph is built at the new size after a short pause.
    bool SelectCaptureSize(int sizeIndex);
    // The recording choices changed (a list, a recording settings dialog): an encoding
    // output that encodes otherwise is built again.
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
    // settings().storage changed (the video settings): the folders are checked against
    // the new limits.
    void StorageLimitsChanged();
    // What keeps the recording folder within settings().storage; null (the default):
    // nothing is removed and recordings never wait for space. Set before StartNumbering.
    void SetStorageKeeper(IStorageKeeper* keeper) { storage_.SetKeeper(keeper); }
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
    bool snapshotPending() const { return tick_.snapshotPending(); }
    // The program ends: the graph, buffers, timers and monitor go.
    void Shutdown();

    // ---- the window's timers and the graph's news ----
    void FrameStep();
    void BlinkStep() { tick_.BlinkStep(); }
    void SettleStep();
    // The graph has news (a file started or ended, an error): taken now rather than at
    // the next frame step.
    void GraphNews();
    // The storage keeper has checked: files it removed, space run out or back.
    void StorageNews();

    // ---- state ----
    SessionSettings& settings() { return settings_; }
    const SessionSettings& settings() const { return settings_; }
    CEventStream& events() { return events_; }
    const std::string& aviPathText() const { return aviPathText_; }
    const Files& files() const { return files_; }
    bool noAudioDevice() const { return noAudioDevice_; }
    bool busy() const { return tick_.busy(); }
    void SetBusy() { tick_.SetBusy(true); }
    std::int32_t fileCounter() const { return recorder_.fileCounter(); }
    void SetFileCounter(std::int32_t counter) { recorder_.SetFileCounter(counter); }
    const CFrameTick& tick() const { return tick_; }
    const CRecordingController& recordings() const { return controller_; }
    // What the window's controls show.
    const ControlsView& controls() const { return view_; }
    bool audioEnabled() const { return audioEnabled_; }
    // What the recording folder held at the last storage check.
    StorageSummary storageSummary() const;
    StorageVerdict storageVerdict() const { return storage_.verdict(); }
    // The shown picture on which the last motion started (empty before any).
    const FramePicture& motionPicture() const { return tick_.motionPicture(); }
    // The next frame shown is kept; TakePicture hands it over once it has been.
    void RequestPicture() { tick_.CatchNextPicture(); }
    bool TakePicture(FramePicture& picture) { return tick_.TakeNextPicture(picture); }
    // Record on motion: the output keeps the seconds before, and a file motion started.
    bool motionArmed() const { return controller_.armed(); }
    bool motionRecording() const { return controller_.onMotion(); }

    // IRecorderWindow
    std::string ReadAviPathText() override;
    void WriteAviPathText(const std::string& text) override;
    // IPauseRequest
    void SetPauseRequest(bool on) override { tick_.SetPauseRequest(on); }
    // ITickRecording
    void BlinkLights(bool lit) override;
    bool recording() const override { return controller_.recording(); }
    void GraphGone() override { controller_.GraphGone(); }
    void EndLostRecording(const std::string& fileCause, bool cameraStopped,
                          bool cameraBack) override;
    // IRecordingSteps
    void RecordingBegins(bool onMotion) override;
    void RecordingRuns(bool onMotion) override;
    void RecordingEnds() override;
    void RecordingOver(bool onMotion, bool afterFailure) override;
    RecordRequest ChosenRequest() override;
    bool MayBegin(bool onMotion) override { return storage_.MayStart(!onMotion); }

private:
    // Tells the storage keeper the folders, limits and the file being written.
    void WatchStorage();
    // Sends the view to the window when it changed since it was last sent (always with
    // `force`: a click may have left a control otherwise than the view says).
    void ShowControls(bool force = false);
    void ApplyMonitorPlan(const MonitorSettingsPlan& plan);
    // Takes the controls a recording holds fixed, or gives them back.
    void SetRecordingControls(bool enable);
    // The monitor runs with record on motion, at a size it works on.
    bool WantArmed() const;
    int SecondsBefore() const;
    std::uint32_t CalmMs() const;
    // After a command or a file's end: the encoding output as the choices want it.
    void UpdateArming();
    // Motion started and ended, as events.
    void FollowMotionEvents(bool motion);
    // A file on motion ended: the date shows again if it did when the file began (or
    // Show Time was pressed on during the file).
    void RestoreShowTime();

    ICameraGraph& graph_;
    ISessionHost& host_;
    INoticeSink& notices_;
    const IClock& clock_;
    const bool canRecordOnMotion_;
    SessionSettings settings_;
    CEventStream events_;
    CFrameTick tick_;
    CRecorder recorder_;
    CRecordingController controller_;
    CStorageGuard storage_;
    Files files_;

    ControlsView view_;
    ControlsView shownView_;
    bool viewShown_ = false;
    std::string aviPathText_;  // what the path field shows
    std::string firstAudioDevice_;
    bool audioEnabled_ = false;
    bool audioCompression_ = false;
    bool noAudioDevice_ = false;

    bool showTimeAfterFile_ = false;  // the date shows again when the file on motion ends

    // A camera chosen while a pause ran: it follows when the pause ends.
    bool cameraChangeWaits_ = false;
    bool inMotion_ = false;  // for the motion events
    std::uint32_t lastMotion_ = 0;
};

}  // namespace tavelin
