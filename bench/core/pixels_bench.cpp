// The monitor core's per-frame pixel passes, each beside a memcpy of the frame it
// reads, so the figures read as ratios on a shared machine.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "core/Enlarge.h"
#include "core/FrameFormat.h"
#include "core/MonitorCore.h"
#include "core/MotionDetector.h"

namespace {

using tavelin::FrameBytes;
using Frame = std::vector<std::uint8_t>;

// A camera-like picture: smooth shading with sensor noise and a dark box at
// (boxX, boxY), so consecutive frames differ in one area as in a real scene.
Frame Scene(int w, int h, int boxX, int boxY, unsigned seed) {
    Frame f(FrameBytes(w, h));
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> noise(-3, 3);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const bool box = x >= boxX && x < boxX + w / 6 && y >= boxY && y < boxY + h / 5;
            const int base = box ? 30 : 60 + (x * 120) / w + (y * 60) / h;
            std::uint8_t* p = f.data() + (static_cast<std::size_t>(y) * w + x) * 3;
            for (int c = 0; c < 3; ++c)
                p[c] = static_cast<std::uint8_t>(base + 10 * c + noise(rng));
        }
    }
    return f;
}

void BM_Memcpy(benchmark::State& state) {
    const auto bytes =
        FrameBytes(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    Frame src(bytes, 7), dst(bytes);
    for (auto _ : state) {
        std::memcpy(dst.data(), src.data(), bytes);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
}
BENCHMARK(BM_Memcpy)->Args({320, 240})->Args({640, 480})->Args({800, 600})->Args({1600, 1200});

void BM_Detect(benchmark::State& state) {
    const int w = static_cast<int>(state.range(0));
    const int h = static_cast<int>(state.range(1));
    const Frame a = Scene(w, h, w / 4, h / 3, 1);
    const Frame b = Scene(w, h, w / 4 + w / 40, h / 3, 2);
    tavelin::CMotionDetector detector;
    detector.Init(w, h);
    detector.Detect(a.data(), a.size());
    bool flip = false;
    for (auto _ : state) {
        const Frame& f = flip ? a : b;
        flip = !flip;
        benchmark::DoNotOptimize(detector.Detect(f.data(), f.size()));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * a.size()));
}
BENCHMARK(BM_Detect)->Args({320, 240})->Args({640, 480})->Unit(benchmark::kMicrosecond);

// Mode 9: detection, tracking and a zoom scan advance on every frame.
void BM_MonitorStepMode9(benchmark::State& state) {
    const int w = static_cast<int>(state.range(0));
    const int h = static_cast<int>(state.range(1));
    const Frame a = Scene(w, h, w / 4, h / 3, 1);
    const Frame b = Scene(w, h, w / 4 + w / 40, h / 3, 2);
    tavelin::CMonitorCore core;
    core.monitorOn = true;
    core.SetUpMonitor(w, h);
    const std::string sound;
    bool flip = false;
    for (auto _ : state) {
        const Frame& f = flip ? a : b;
        flip = !flip;
        core.MonitorStep(f.data(), f.size(), 9, w, h, nullptr, sound);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * a.size()));
}
BENCHMARK(BM_MonitorStepMode9)->Args({640, 480})->Unit(benchmark::kMicrosecond);

void BM_ScaleView50(benchmark::State& state) {
    const int w = static_cast<int>(state.range(0));
    const int h = static_cast<int>(state.range(1));
    const Frame src = Scene(w, h, w / 4, h / 3, 1);
    Frame dst(src.size());
    tavelin::CMotionDetector detector;
    detector.Init(w, h);
    for (auto _ : state) {
        detector.ScaleView(src.data(), dst.data(), 50, static_cast<unsigned>(w / 4),
                           static_cast<unsigned>(h / 4));
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * src.size()));
}
BENCHMARK(BM_ScaleView50)->Args({640, 480})->Unit(benchmark::kMicrosecond);

void BM_Enlarge2x(benchmark::State& state) {
    const int w = static_cast<int>(state.range(0));
    const int h = static_cast<int>(state.range(1));
    const Frame src = Scene(w, h, w / 4, h / 3, 1);
    Frame dst(FrameBytes(2 * w, 2 * h));
    for (auto _ : state) {
        tavelin::Enlarge2x(src.data(), w, h, dst.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * src.size()));
}
BENCHMARK(BM_Enlarge2x)->Args({800, 600})->Unit(benchmark::kMicrosecond);

}  // namespace
