// CPU use of the whole preview at 640x480, 30 frames a second, from the synthetic
// camera, with a frame requested every 50 ms as the frame step does; beside the
// same source running straight into a fakesink (what gst-launch-1.0 would run).
// Each case runs once for TAVELIN_BENCH_SECONDS (default 20) and reports the
// process's CPU time as a share of one core.
//
// The camera delivers YUY2 like a webcam (the grabber converts the frames it takes
// to BGR) or BGR (nothing to convert), so the cost of the conversion shows apart from
// the rest.

#include <benchmark/benchmark.h>
#include <gst/gst.h>
#include <sys/resource.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include "capture/CaptureGraph.h"
#include "capture/GstPtr.h"
#include "capture/GstRuntime.h"

namespace {

using Clock = std::chrono::steady_clock;

double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

std::chrono::seconds Span() {
    const char* text = std::getenv("TAVELIN_BENCH_SECONDS");
    const int seconds = text != nullptr ? std::atoi(text) : 0;
    return std::chrono::seconds(seconds > 0 ? seconds : 20);
}

const char* FormatName(int64_t format) {
    return format == 0 ? "yuy2" : "bgr";
}

void Report(benchmark::State& state, double cpu, double wall) {
    state.counters["cpu_percent"] = 100.0 * cpu / wall;
    state.SetIterationTime(wall);
}

void BM_SourceIntoFakesink(benchmark::State& state) {
    tavelin::EnsureGstreamer();
    const std::string launch =
        std::string("videotestsrc is-live=true pattern=ball ! video/x-raw,format=") +
        (state.range(0) == 0 ? "YUY2" : "BGR") + ",width=640,height=480,framerate=30/1 ! fakesink";
    for (auto _ : state) {
        tavelin::GstElementPtr pipeline = tavelin::Adopt(gst_parse_launch(launch.c_str(), nullptr));
        gst_element_set_state(pipeline.get(), GST_STATE_PLAYING);
        const double cpu0 = CpuSeconds();
        const auto t0 = Clock::now();
        std::this_thread::sleep_for(Span());
        const double cpu = CpuSeconds() - cpu0;
        const double wall = std::chrono::duration<double>(Clock::now() - t0).count();
        gst_element_set_state(pipeline.get(), GST_STATE_NULL);
        Report(state, cpu, wall);
    }
    state.SetLabel(FormatName(state.range(0)));
}
BENCHMARK(BM_SourceIntoFakesink)
    ->Arg(0)
    ->Arg(1)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kSecond);

void BM_EnginePreview(benchmark::State& state) {
    setenv("TAVELIN_TEST_SOURCES", "1", 1);
    setenv("TAVELIN_TEST_CAMERA_PATTERN", "ball", 1);
    setenv("TAVELIN_TEST_CAMERA_FORMAT", FormatName(state.range(0)), 1);
    for (auto _ : state) {
        tavelin::CCaptureGraph graph;
        if (!graph.BuildPreviewGraph(640, 480)) {
            state.SkipWithError(graph.lastError().c_str());
            return;
        }
        const double cpu0 = CpuSeconds();
        const auto t0 = Clock::now();
        auto tick = t0;
        while (Clock::now() - t0 < Span()) {
            graph.WaitForNewFrame();
            tick += std::chrono::milliseconds(50);
            std::this_thread::sleep_until(tick);
        }
        const double cpu = CpuSeconds() - cpu0;
        const double wall = std::chrono::duration<double>(Clock::now() - t0).count();
        graph.Teardown();
        Report(state, cpu, wall);
    }
    state.SetLabel(FormatName(state.range(0)));
}
BENCHMARK(BM_EnginePreview)
    ->Arg(0)
    ->Arg(1)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kSecond);

}  // namespace
