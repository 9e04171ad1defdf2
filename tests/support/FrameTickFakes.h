#pragma once
// Stand-ins for the camera, the main window, the message boxes and the clock, so the
// frame tick runs in a test exactly as it does under the window.

#include <cstdint>
#include <ctime>
#include <deque>
#include <fstream>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "core/CameraGraph.h"
#include "core/Clock.h"
#include "core/FrameFormat.h"
#include "core/FrameTickHost.h"
#include "core/MonitorCore.h"
#include "core/NoticeSink.h"
#include "core/RecordingNames.h"
#include "core/SessionHost.h"

namespace tavelin::testing {

// Another program gets to the name first, `times` times over: a file appears under it
// and `names` is asked where to go instead, as the graph does. The name the recording
// ends up with; empty when `names` had none left (or there is none to ask).
inline std::string NameAfterOthersTookIt(std::string name, IRecordingNames* names, int times) {
    for (int i = 0; i < times && !name.empty(); ++i) {
        std::ofstream(name) << "another program's recording";
        name = names != nullptr ? names->NextFreeName(name) : std::string();
    }
    return name;
}

// The camera graph: frames of one fill at the built size, an encoding output and files
// whose news comes back as the real graph's would. Every call is counted; what a test
// scripts (`...Results`, `fail...`) decides the answers.
class FakeCameraGraph : public ICameraGraph {
public:
    // A running camera at this size whose frames are all `fill`.
    void Run(int w, int h, std::uint8_t fill = 0x40) {
        w_ = w;
        h_ = h;
        buffer_.assign(FrameBytes(w, h), fill);
        sample_ = static_cast<std::int32_t>(buffer_.size());
    }

    // ---- frames ----
    bool TakeNewFrame() override {
        ++takes;
        if (loseOnNextTake) {
            lost_ = true;
            loseOnNextTake = false;
        }
        return !lost_ && !noFrames && !buffer_.empty();
    }
    void RequestNewFrame() override { ++requests; }
    std::uint8_t* frame() override { return buffer_.empty() ? nullptr : buffer_.data(); }
    std::int32_t frameCapacity() const override {
        return static_cast<std::int32_t>(buffer_.size());
    }
    std::int32_t sampleBytes() const override { return sample_; }
    int width() const override { return w_; }
    int height() const override { return h_; }
    bool deviceLost() const override { return lost_; }
    std::string failureCause() const override { return cause; }
    bool cameraStopped() const override { return lost_ && stopped; }
    void Teardown() override {
        ++teardowns;
        if (writing_) {
            filesFinishedByTeardown.push_back(named);
            writing_ = false;
        }
        attached_ = false;
        news_.clear();
        lost_ = false;
        cause.clear();
        buffer_.clear();
        sample_ = 0;
        w_ = h_ = 0;
    }
    bool BuildPreviewGraph(int w, int h) override {
        builds.emplace_back(w, h);
        const bool ok = buildResults.empty() ? true : buildResults.front();
        if (!buildResults.empty())
            buildResults.pop_front();
        if (ok)
            Run(w, h);
        return ok;
    }

    // ---- the encoding output ----
    bool AttachEncoder(const RecordRequest& request, int secondsBefore) override {
        attachRequests.push_back(request);
        attachSeconds.push_back(secondsBefore);
        audioFailed_ = failAudio;
        attached_ = !failAttach && !buffer_.empty();
        return attached_;
    }
    void DetachEncoder() override {
        ++detaches;
        if (writing_)
            FinishFile();
        attached_ = false;
    }
    bool encoderAttached() const override { return attached_; }

    // ---- files ----
    bool StartFile(const std::string& path, bool replaceExisting, IRecordingNames* names,
                   bool fromRing) override {
        files.push_back({path, replaceExisting, fromRing});
        if (!attached_ || writing_ || failStart)
            return false;
        writing_ = true;
        named = NameAfterOthersTookIt(path, names, namesTakenByOthers);
        if (named.empty()) {
            Report(
                News(GraphNews::Kind::FileFailed, {}, "Cannot write the AVI file: File exists."));
        } else if (!failFirstData.empty()) {
            Report(News(GraphNews::Kind::FileFailed, {}, failFirstData));
        } else {
            std::ofstream(named) << "recording";
            Report(News(GraphNews::Kind::FileStarted, named));
        }
        return true;
    }
    void FinishFile() override {
        ++finishes;
        if (!writing_ || finishing_)
            return;
        finishing_ = true;
        GraphNews news = News(GraphNews::Kind::FileFinished, named);
        news.frames = 40;
        news.seconds = 2.0;
        Report(news);
    }
    bool writingFile() const override { return writing_; }
    std::vector<GraphNews> TakeNews() override {
        std::vector<GraphNews> taken(news_.begin(), news_.end());
        news_.clear();
        for (const GraphNews& news : taken) {
            if (news.kind != GraphNews::Kind::FileStarted) {
                writing_ = false;
                finishing_ = false;
            }
            if (news.kind == GraphNews::Kind::OutputFailed)
                attached_ = false;  // the graph unlinks an output that failed
        }
        return taken;
    }
    // News the graph reports on its own (a full disk, an encoder that gave up).
    void Report(GraphNews news) { news_.push_back(std::move(news)); }
    static GraphNews News(GraphNews::Kind kind, std::string path, std::string cause = {}) {
        GraphNews news;
        news.kind = kind;
        news.path = std::move(path);
        news.cause = std::move(cause);
        return news;
    }

    bool audioFailed() const override { return audioFailed_; }
    void ClearAudioFailed() override { audioFailed_ = false; }

    std::vector<std::uint8_t>& buffer() { return buffer_; }
    void SetSampleBytes(std::int32_t bytes) { sample_ = bytes; }

    struct FileCall {
        std::string path;
        bool replaceExisting = false;
        bool fromRing = false;
    };

    int takes = 0;
    int requests = 0;
    int teardowns = 0;
    int detaches = 0;
    int finishes = 0;
    bool loseOnNextTake = false;
    bool noFrames = false;          // the camera is slow: no frame has come yet
    bool stopped = false;           // a loss is the camera's own (else an error further on)
    std::string cause;              // a file's fault, until the teardown
    std::deque<bool> buildResults;  // results of the next builds; empty: success
    std::vector<std::pair<int, int>> builds;
    bool failAttach = false;
    bool failAudio = false;
    bool failStart = false;
    std::string failFirstData;  // a cause: the file fails before its first data
    int namesTakenByOthers = 0;
    std::vector<RecordRequest> attachRequests;
    std::vector<int> attachSeconds;
    std::vector<FileCall> files;
    std::string named;  // the name the last file got
    std::vector<std::string> filesFinishedByTeardown;

private:
    std::vector<std::uint8_t> buffer_;
    std::int32_t sample_ = 0;
    int w_ = 0;
    int h_ = 0;
    bool lost_ = false;
    bool attached_ = false;
    bool writing_ = false;
    bool finishing_ = false;
    bool audioFailed_ = false;
    std::deque<GraphNews> news_;
};

// The main window as the session and the frame tick see it. What it is told to enable,
// light or show is kept by name ("record light", "sizes", ...); every call that matters
// for the order of events also goes to `log`.
class FakeHost : public ISessionHost {
public:
    void StartTimer(int id, int periodMs) override {
        timers[id] = periodMs;
        log.push_back("start " + std::to_string(id));
    }
    void StopTimer(int id) override {
        timers.erase(id);
        log.push_back("stop " + std::to_string(id));
    }
    void SetCursor(CursorShape shape) override {
        cursor = shape;
        log.push_back(shape == CursorShape::Wait       ? "cursor wait"
                      : shape == CursorShape::Starting ? "cursor starting"
                                                       : "cursor normal");
    }
    void ShowFrame(const std::uint8_t* frame, int w, int h) override {
        shown.assign(frame, frame + FrameBytes(w, h));
        shownWidth = w;
        shownHeight = h;
        ++frames;
    }
    void ResizeDisplay(int w, int h) override {
        log.push_back("display " + std::to_string(w) + "x" + std::to_string(h));
    }
    // The view as the window would render it, kept in the same maps the tests read;
    // the switches log their moves as a click would show them.
    void ShowControls(const ControlsView& v) override {
        if (v.recorderSwitchDown != view.recorderSwitchDown)
            log.push_back(v.recorderSwitchDown ? "recorder switch down" : "recorder switch up");
        if (view.monitorSwitchDown && !v.monitorSwitchDown)
            log.push_back("monitor switch up");
        view = v;
        enabled["sizes"] = v.sizesEnabled;
        enabled["recording settings"] = v.recordingSettingsEnabled;
        enabled["audio switch"] = v.recordingSettingsEnabled && !v.audioSwitchDisabled;
        visible["audio strip"] = v.audioStrip;
        visible["record light"] = v.recordLightShown;
        enabled["record light"] = v.recordLightShown && v.recordLightLit;
        enabled["recorder text"] = v.recorderTextEnabled;
        enabled["display choice"] = v.displayChoiceEnabled;
        visible["monitor light"] = v.monitorLightShown;
        enabled["monitor light"] = v.monitorLightLit;
        recorderText = v.recorderText;
        aviPath = v.aviPath;
        checkedSize = v.checkedSize;
        monitorFaces = v.monitorRunningFaces ? SwitchFaces::Running : SwitchFaces::Idle;
    }
    void ShowDisplay(bool outside, int w, int h) override {
        log.push_back(std::string(outside ? "outside " : "inside ") + std::to_string(w) + "x" +
                      std::to_string(h));
    }

    bool TimerRunning(int id) const { return timers.count(id) != 0; }
    bool Logged(const std::string& entry) const {
        for (const std::string& e : log) {
            if (e == entry)
                return true;
        }
        return false;
    }

    std::map<int, int> timers;
    std::vector<std::string> log;
    CursorShape cursor = CursorShape::Normal;
    std::vector<std::uint8_t> shown;
    int shownWidth = 0;
    int shownHeight = 0;
    int frames = 0;
    std::map<std::string, bool> enabled;
    std::map<std::string, bool> visible;
    std::string recorderText;
    std::string aviPath;
    int checkedSize = -1;
    SwitchFaces monitorFaces = SwitchFaces::Keep;
    ControlsView view;
};

// The session as the frame tick sees it: no recording; the blinks are kept.
class FakeTickRecording : public ITickRecording {
public:
    void BlinkLights(bool lit) override { blinks.push_back(lit); }
    bool recording() const override { return false; }
    void GraphGone() override {}
    void EndLostRecording(const std::string&, bool, bool) override {}
    std::vector<bool> blinks;
};

class FakeNotices : public INoticeSink {
public:
    void ShowNotice(const std::string& text, NoticeStyle style) override {
        shown.emplace_back(text, style);
        if (onShow)
            onShow();
    }
    std::vector<std::pair<std::string, NoticeStyle>> shown;
    void (*onShow)() = nullptr;
};

class FakeClock : public IClock {
public:
    std::uint32_t TickCount() const override { return tick; }
    std::tm LocalTime() const override { return local; }
    std::uint32_t tick = 0;
    std::tm local = [] {
        std::tm t{};
        t.tm_year = 106;
        t.tm_mon = 4;
        t.tm_mday = 17;
        t.tm_hour = 14;
        t.tm_min = 5;
        t.tm_sec = 9;
        return t;
    }();
};

class FakeAlarm : public IAlarm {
public:
    void PlayAlarm(const std::string& path) override { played.push_back(path); }
    std::vector<std::string> played;
};

}  // namespace tavelin::testing
