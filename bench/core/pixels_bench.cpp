// The monitor core's per-frame pixel passes, each beside a memcpy of the frame it
// reads (or, for the display conversion, of the image it writes), so the figures read as
// ratios on a shared machine. Built with OpenCV, the same work done by OpenCV runs beside
// them, on one thread as ours do.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "bench/support/MemcpyBaseline.h"
#include "core/Enlarge.h"
#include "core/FrameConvert.h"
#include "core/FrameConvertKernels.h"
#include "core/FrameFormat.h"
#include "core/MonitorCore.h"
#include "core/MotionDetector.h"

#ifdef TAVELIN_BENCH_OPENCV
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#endif

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
    tavelin::bench::MemcpyBaseline(
        state, FrameBytes(static_cast<int>(state.range(0)), static_cast<int>(state.range(1))));
}
BENCHMARK(BM_Memcpy)->Args({320, 240})->Args({640, 480})->Args({800, 600})->Args({1600, 1200});

// The display image: 4 bytes a pixel.
std::size_t Rgb32Bytes(const benchmark::State& state) {
    return static_cast<std::size_t>(state.range(0)) * static_cast<std::size_t>(state.range(1)) * 4;
}

void BM_MemcpyRgb32(benchmark::State& state) {
    tavelin::bench::MemcpyBaseline(state, Rgb32Bytes(state));
}

template <void (*Convert)(const std::uint8_t*, int, int, std::uint8_t*, std::size_t)>
void BM_ToRgb32(benchmark::State& state) {
    const int w = static_cast<int>(state.range(0));
    const int h = static_cast<int>(state.range(1));
    const Frame src = Scene(w, h, w / 4, h / 3, 1);
    Frame dst(Rgb32Bytes(state));
    for (auto _ : state) {
        Convert(src.data(), w, h, dst.data(), static_cast<std::size_t>(w) * 4);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * dst.size()));
}

void FrameToRgb32(const std::uint8_t* frame, int w, int h, std::uint8_t* dst, std::size_t stride) {
    tavelin::FrameToRgb32(frame, w, h, dst, stride);
}

void DisplaySizes(benchmark::internal::Benchmark* b) {
    b->Args({640, 480})->Args({1600, 1200})->Unit(benchmark::kMicrosecond);
}
BENCHMARK(BM_MemcpyRgb32)->Apply(DisplaySizes);
BENCHMARK(BM_ToRgb32<FrameToRgb32>)->Name("BM_FrameToRgb32")->Apply(DisplaySizes);
BENCHMARK(BM_ToRgb32<tavelin::reference::FrameToRgb32>)
    ->Name("BM_FrameToRgb32Reference")
    ->Apply(DisplaySizes);

#ifdef TAVELIN_BENCH_OPENCV
// Every OpenCV case calls this first: its parallel loops would spread over the shared
// machine's cores, where ours run on one.
void OneThread() {
    cv::setNumThreads(1);
}

// The same picture as FrameToRgb32 paints: BGRA words with alpha 255, top row first.
void BM_CvCvtColorFlip(benchmark::State& state) {
    OneThread();
    const int w = static_cast<int>(state.range(0));
    const int h = static_cast<int>(state.range(1));
    Frame src = Scene(w, h, w / 4, h / 3, 1);
    const cv::Mat in(h, w, CV_8UC3, src.data());
    cv::Mat bgra(h, w, CV_8UC4), out(h, w, CV_8UC4);
    for (auto _ : state) {
        cv::cvtColor(in, bgra, cv::COLOR_BGR2BGRA);
        cv::flip(bgra, out, 0);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * Rgb32Bytes(state)));
}
BENCHMARK(BM_CvCvtColorFlip)->Apply(DisplaySizes);

void BM_CvCvtColor(benchmark::State& state) {
    OneThread();
    const int w = static_cast<int>(state.range(0));
    const int h = static_cast<int>(state.range(1));
    Frame src = Scene(w, h, w / 4, h / 3, 1);
    const cv::Mat in(h, w, CV_8UC3, src.data());
    cv::Mat bgra(h, w, CV_8UC4);
    for (auto _ : state) {
        cv::cvtColor(in, bgra, cv::COLOR_BGR2BGRA);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * Rgb32Bytes(state)));
}
BENCHMARK(BM_CvCvtColor)->Apply(DisplaySizes);
#endif

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

#ifdef TAVELIN_BENCH_OPENCV
// The detector's steps in OpenCV: grey picture, thresholded difference with the previous
// one, 3 x 3 dilation, Laplacian outline, and the bounding box of the outline in each cell of
// the 8 x 8 grid.
void BM_CvDetect(benchmark::State& state) {
    OneThread();
    const int w = static_cast<int>(state.range(0));
    const int h = static_cast<int>(state.range(1));
    Frame a = Scene(w, h, w / 4, h / 3, 1);
    Frame b = Scene(w, h, w / 4 + w / 40, h / 3, 2);
    const cv::Mat frames[2] = {cv::Mat(h, w, CV_8UC3, a.data()), cv::Mat(h, w, CV_8UC3, b.data())};
    constexpr int kCells = tavelin::CMotionDetector::kGridCells;
    const int cellW = w / kCells, cellH = h / kCells;
    cv::Mat previous, current, diff, mask, dilated, outline;
    cv::cvtColor(frames[0], previous, cv::COLOR_BGR2GRAY);
    const cv::Mat square = cv::getStructuringElement(cv::MORPH_RECT, cv::Size(3, 3));
    bool flip = false;
    for (auto _ : state) {
        cv::cvtColor(frames[flip ? 0 : 1], current, cv::COLOR_BGR2GRAY);
        flip = !flip;
        cv::absdiff(previous, current, diff);
        cv::threshold(diff, mask, tavelin::CMotionDetector::kChangeThreshold, 255,
                      cv::THRESH_BINARY);
        cv::dilate(mask, dilated, square);
        cv::Laplacian(dilated, outline, CV_8U, 1, -1);  // 4 c - edge neighbours, as ours
        int found = 0;
        for (int i = 0; i < kCells; ++i) {
            for (int j = 0; j < kCells; ++j) {
                const cv::Rect box =
                    cv::boundingRect(outline(cv::Rect(j * cellW, i * cellH, cellW, cellH)));
                found += box.area() > 0;
            }
        }
        benchmark::DoNotOptimize(found);
        cv::swap(previous, current);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * a.size()));
}
BENCHMARK(BM_CvDetect)->Args({320, 240})->Args({640, 480})->Unit(benchmark::kMicrosecond);
#endif

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

#ifdef TAVELIN_BENCH_OPENCV
void BM_CvResize2x(benchmark::State& state) {
    OneThread();
    const int w = static_cast<int>(state.range(0));
    const int h = static_cast<int>(state.range(1));
    Frame src = Scene(w, h, w / 4, h / 3, 1);
    const cv::Mat in(h, w, CV_8UC3, src.data());
    cv::Mat out(2 * h, 2 * w, CV_8UC3);
    for (auto _ : state) {
        cv::resize(in, out, out.size(), 0, 0, cv::INTER_LINEAR);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * src.size()));
}
BENCHMARK(BM_CvResize2x)->Args({800, 600})->Unit(benchmark::kMicrosecond);
#endif

}  // namespace
