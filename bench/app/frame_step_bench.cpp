// One frame step as the window runs it, without the wait for the camera: the frame is
// taken, enlarged or run through the monitor functions, the overlays drawn, and the
// result painted (converted into the preview window's backing store on the offscreen
// platform). Beside it, a memcpy of the shown frame.
//
// The camera alternates between two pictures with a moving block, so detection and
// tracking find motion on every frame.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QWindow>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/support/MemcpyBaseline.h"
#include "core/FrameFormat.h"
#include "core/FrameTick.h"
#include "core/SessionSettings.h"
#include "tests/support/FrameTickFakes.h"
#include "widgets/PreviewWindow.h"

namespace {

using namespace tavelin;

class TwoPictureCamera : public IFrameSource {
public:
    bool TakeNewFrame() override {
        current_ ^= 1;
        return true;
    }
    void RequestNewFrame() override {}
    std::uint8_t* frame() override {
        return pictures_[current_].empty() ? nullptr : pictures_[current_].data();
    }
    std::int32_t frameCapacity() const override {
        return static_cast<std::int32_t>(pictures_[0].size());
    }
    std::int32_t sampleBytes() const override { return frameCapacity(); }
    int width() const override { return w_; }
    int height() const override { return h_; }
    bool deviceLost() const override { return false; }
    void Teardown() override {}
    bool BuildPreviewGraph(int w, int h) override {
        w_ = w;
        h_ = h;
        for (int p = 0; p < 2; ++p) {
            pictures_[p].assign(FrameBytes(w, h), 0x50);
            // A bright block that sits in a different place on each picture.
            const int x0 = w / 4 + p * w / 4;
            for (int y = h / 3; y < h / 3 + h / 5; ++y)
                std::memset(&pictures_[p][(static_cast<std::size_t>(y) * w + x0) * 3], 0xE0,
                            static_cast<std::size_t>(w / 6) * 3);
        }
        return true;
    }

private:
    std::vector<std::uint8_t> pictures_[2];
    int current_ = 0;
    int w_ = 0;
    int h_ = 0;
};

// Paints as the window does: the preview window, shown (on the offscreen platform),
// gets every frame straight into its backing store.
class PaintingHost : public testing::FakeHost {
public:
    PaintingHost() : window_(nullptr, minimised_) {
        window_.show();
        // Painting starts once the window is exposed.
        while (window_.windowHandle() == nullptr || !window_.windowHandle()->isExposed())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    void ShowFrame(const std::uint8_t* frame, int w, int h) override {
        if (window_.frameWidth() != w || window_.frameHeight() != h) {
            window_.setFixedSize(w, h);
            window_.SetupDrawing(w, h);
        }
        window_.DrawFrame(frame);
    }

private:
    bool minimised_ = false;
    CPreviewWindow window_;
};

struct Setup {
    int sizeIndex;
    std::uint8_t monitorMode;  // 0: monitor off
};

void RunFrameStep(benchmark::State& state, Setup setup) {
    const std::filesystem::path stills =
        std::filesystem::temp_directory_path() / "tavelin_frame_step_bench";
    std::filesystem::create_directories(stills);
    SessionSettings settings;
    settings.monitor.monitorMode = setup.monitorMode;
    settings.monitor.motionShotPath = (stills / "still.bmp").string();

    TwoPictureCamera camera;
    PaintingHost host;
    testing::FakeNotices notices;
    testing::FakeClock clock;
    testing::FakeAlarm alarm;
    testing::FakeTickRecording recording;
    CEventStream events;
    CFrameTick tick(camera, host, recording, notices, clock, &alarm, settings, events);
    tick.SelectCaptureSize(setup.sizeIndex);
    tick.SettleStep();
    tick.SetShowDateTime(true);
    tick.monitorForTest().monitorOn = setup.monitorMode != 0;
    tick.SetUpMonitor();

    for (auto _ : state) {
        tick.FrameStep();
        ++clock.tick;
        // Stills and motion events pile up otherwise; a session delivers them.
        events.Deliver();
    }
    state.counters["width"] = tick.frameWidth();
    state.counters["alarms"] = static_cast<double>(alarm.played.size());
    std::filesystem::remove_all(stills);
}

void BM_FrameStep1600Enlarged(benchmark::State& state) {
    RunFrameStep(state, {4, 0});
}
void BM_FrameStep640AllMonitorFunctions(benchmark::State& state) {
    RunFrameStep(state, {2, 9});
}

void BM_MemcpyShownFrame(benchmark::State& state) {
    bench::MemcpyBaseline(
        state, FrameBytes(static_cast<int>(state.range(0)), static_cast<int>(state.range(1))));
}

BENCHMARK(BM_MemcpyShownFrame)->Args({640, 480})->Args({1600, 1200});
BENCHMARK(BM_FrameStep1600Enlarged)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FrameStep640AllMonitorFunctions)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
