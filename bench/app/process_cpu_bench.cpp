// CPU use of the whole program at 640x480 with the synthetic camera and microphone:
// the main window with its live picture, and the same while recording Motion JPEG
// with sound and all three monitor functions on. Each case runs once for
// TAVELIN_BENCH_SECONDS (default 20) and reports the process's CPU time as a share of
// one core, and the frames shown per tick of the 50 ms frame timer (1.0: the frame
// step keeps up with every tick).

#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>
#include <cstdlib>

#include "app/AppPaths.h"
#include "app/MainDlg.h"
#include "resources/ResourceIds.h"
#include "tests/support/FrameTickFakes.h"
#include "tests/support/QtApp.h"
#include "ui/SkinButton.h"

namespace {

using namespace tavelin;

double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

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
        if (!dialog.tick().recording) {
            state.SkipWithError(notices.shown.empty() ? "recording did not start"
                                                      : notices.shown[0].first.c_str());
            return;
        }
    }
    QTest::qWait(1000);  // settle

    for (auto _ : state) {
        const std::uint64_t shownBefore = dialog.tick().framesShown;
        const double cpuBefore = CpuSeconds();
        QElapsedTimer wall;
        wall.start();
        QTest::qWait(SpanMs());
        const double seconds = static_cast<double>(wall.elapsed()) / 1000.0;
        state.SetIterationTime(seconds);
        state.counters["cpu_percent"] = 100.0 * (CpuSeconds() - cpuBefore) / seconds;
        state.counters["frames_per_tick"] =
            static_cast<double>(dialog.tick().framesShown - shownBefore) / (seconds * 20.0);
    }
    if (recordWithMonitor)
        dialog.button(ids::kRecorder)->click();
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
