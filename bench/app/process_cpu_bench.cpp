// CPU use of the whole program at 640x480 with the synthetic camera and microphone:
// the main window with its live picture, and the same while recording Motion JPEG
// with sound and all three monitor functions on. Each case runs once for
// TAVELIN_BENCH_SECONDS (default 20) and reports the process's CPU time as a share of
// one core, its resident memory, and the frames shown per tick of the 50 ms frame
// timer (1.0: the frame step keeps up with every tick).
//
// Over the same span the minimal viewer of the same camera runs as a process of its
// own and shows every frame:
//
//   gst-launch-1.0 videotestsrc is-live=true pattern=ball
//     ! video/x-raw,format=YUY2,width=640,height=480,framerate=30/1
//     ! videoconvert ! ximagesink
//
// Its CPU share is viewer_cpu_percent and x_viewer_cpu is the program's as a multiple
// of it: both measured at the same time on the same machine, the ratio holds while
// the machine's load comes and goes. The viewer needs an X display, and the
// comparison is fair only with the program painting to the same one:
//
//   xvfb-run -a env QT_QPA_PLATFORM=xcb build/default/bin/process_cpu_bench

#include <benchmark/benchmark.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "app/AppPaths.h"
#include "app/MainDlg.h"
#include "resources/ResourceIds.h"
#include "tests/support/FrameTickFakes.h"
#include "tests/support/QtApp.h"
#include "widgets/SkinButton.h"

namespace {

using namespace tavelin;

double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Resident memory of a process in MB, from /proc/<pid>/status.
double ResidentMb(const std::string& pid) {
    std::ifstream status("/proc/" + pid + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0)
            return std::atof(line.c_str() + 6) / 1024.0;
    }
    return 0;
}

// User plus system CPU seconds of another process, from /proc/<pid>/stat.
double ProcessCpuSeconds(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    // The fields after the command name, which may hold spaces, start after its ')'.
    const std::size_t close = text.rfind(')');
    if (close == std::string::npos)
        return 0;
    std::istringstream fields(text.substr(close + 2));
    std::string skip;
    for (int field = 3; field < 14; ++field)
        fields >> skip;
    double user = 0;
    double system = 0;
    fields >> user >> system;
    return (user + system) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

// The minimal viewer as a child process, ended with the object.
class CViewer {
public:
    CViewer() {
        char* const argv[] = {const_cast<char*>("gst-launch-1.0"),
                              const_cast<char*>("-q"),
                              const_cast<char*>("videotestsrc"),
                              const_cast<char*>("is-live=true"),
                              const_cast<char*>("pattern=ball"),
                              const_cast<char*>("!"),
                              const_cast<char*>("video/x-raw,format=YUY2,width=640,height=480,"
                                                "framerate=30/1"),
                              const_cast<char*>("!"),
                              const_cast<char*>("videoconvert"),
                              const_cast<char*>("!"),
                              const_cast<char*>("ximagesink"),
                              nullptr};
        if (posix_spawnp(&pid_, argv[0], nullptr, nullptr, argv, environ) != 0)
            pid_ = 0;
    }
    ~CViewer() {
        if (pid_ == 0)
            return;
        kill(pid_, SIGTERM);
        int status = 0;
        waitpid(pid_, &status, 0);
    }
    CViewer(const CViewer&) = delete;
    CViewer& operator=(const CViewer&) = delete;

    // False once it has ended (without an X display it ends at once).
    bool running() const {
        int status = 0;
        return pid_ != 0 && waitpid(pid_, &status, WNOHANG) == 0;
    }
    double cpuSeconds() const { return ProcessCpuSeconds(pid_); }
    double residentMb() const { return ResidentMb(std::to_string(pid_)); }

private:
    pid_t pid_ = 0;
};

int SpanMs() {
    const char* text = std::getenv("TAVELIN_BENCH_SECONDS");
    const int seconds = text != nullptr ? std::atoi(text) : 0;
    return 1000 * (seconds > 0 ? seconds : 20);
}

void RunProgram(benchmark::State& state, bool recordWithMonitor) {
    QTemporaryDir data;
    CAppPaths::SetDataDirectoryForTests(data.path().toStdString());
    testing::FakeNotices notices;
    MainDlgSeams seams;
    seams.notices = &notices;
    seams.splashMs = 0;
    seams.trayAvailable = [] { return false; };
    CMainDlg dialog(seams);
    if (!dialog.OnInitDialog()) {
        state.SkipWithError("no camera");
        return;
    }
    dialog.show();
    dialog.button(ids::kSize640)->click();
    // The size changes after a short pause, on the window's timer.
    if (!QTest::qWaitFor(
            [&] { return dialog.capture().width() == 640 && !dialog.session().busy(); }, 10000)) {
        state.SkipWithError("the camera did not start at 640x480");
        return;
    }
    if (recordWithMonitor) {
        auto* video = qobject_cast<QComboBox*>(dialog.control(ids::kVideoCompressorList));
        video->setCurrentIndex(video->findText(QStringLiteral("JPEG image encoder")));
        auto* device = qobject_cast<QComboBox*>(dialog.control(ids::kAudioDeviceList));
        device->setCurrentIndex(device->findText(QStringLiteral("Test Tone Microphone")));
        dialog.ToggleAudio();
        dialog.session().settings().monitor.monitorMode = 9;
        dialog.session().settings().monitor.alarmSoundPath.clear();
        dialog.ApplyMonitorSettings(true);
        dialog.button(ids::kRecorder)->click();
        if (!dialog.session().recording()) {
            state.SkipWithError(notices.shown.empty() ? "recording did not start"
                                                      : notices.shown[0].first.c_str());
            return;
        }
    }
    CViewer viewer;
    QTest::qWait(1000);  // settle, both
    if (!viewer.running()) {
        state.SkipWithError("the viewer does not run (gst-launch-1.0, ximagesink, X display?)");
        return;
    }

    for (auto _ : state) {
        const std::uint64_t shownBefore = dialog.tick().framesShown();
        const double cpuBefore = CpuSeconds();
        const double viewerBefore = viewer.cpuSeconds();
        QElapsedTimer wall;
        wall.start();
        QTest::qWait(SpanMs());
        const double seconds = static_cast<double>(wall.elapsed()) / 1000.0;
        const double cpuPercent = 100.0 * (CpuSeconds() - cpuBefore) / seconds;
        const double viewerPercent = 100.0 * (viewer.cpuSeconds() - viewerBefore) / seconds;
        state.SetIterationTime(seconds);
        state.counters["cpu_percent"] = cpuPercent;
        state.counters["rss_mb"] = ResidentMb("self");
        state.counters["frames_per_tick"] =
            static_cast<double>(dialog.tick().framesShown() - shownBefore) / (seconds * 20.0);
        state.counters["viewer_cpu_percent"] = viewerPercent;
        state.counters["viewer_rss_mb"] = viewer.residentMb();
        state.counters["x_viewer_cpu"] = viewerPercent > 0 ? cpuPercent / viewerPercent : 0;
    }
    if (recordWithMonitor) {
        dialog.button(ids::kRecorder)->click();
        if (!QTest::qWaitFor([&] { return !dialog.session().recording(); }, 10000))
            state.SkipWithError("the recording did not end");
    }
    CAppPaths::SetDataDirectoryForTests({});
}

void BM_Preview640(benchmark::State& state) {
    RunProgram(state, false);
}
void BM_Record640WithSoundAndMonitor(benchmark::State& state) {
    RunProgram(state, true);
}

BENCHMARK(BM_Preview640)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);
BENCHMARK(BM_Record640WithSoundAndMonitor)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kSecond);

}  // namespace

int main(int argc, char** argv) {
    ::setenv("TAVELIN_TEST_SOURCES", "1", 1);
    tavelin::testing::QtApp();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
