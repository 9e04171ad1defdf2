// CPU use of the whole preview at 640x480, 30 frames a second, from the synthetic
// camera, with a frame requested every 50 ms as the frame step does; beside the
// same source running straight into a fakesink (what gst-launch-1.0 would run).
// Each case runs once for TAVELIN_BENCH_SECONDS (default 20) and reports the
// process's CPU time as a share of one core.
//
// The camera delivers YUY2 like a webcam (the grabber converts the frames it takes
// to BGR) or BGR (nothing to convert), so the cost of the conversion shows apart from
// the rest.
//
// Recording on motion, armed but not triggered, beside the plain preview: the two run in
// turns within one case, so load from elsewhere on the machine falls on both alike. It
// also reports the most the ring held against the encoded size of its seconds, which
// the encoder's own output gives (seen through GStreamer's tracing hooks).
//
// Recordings by hand on the running camera: how long the main thread spends in each call
// that links the output, starts or finishes a file or unlinks the output, and how long a
// click takes to give a file with data on the disk.

#include <benchmark/benchmark.h>
#include <gst/gst.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "capture/CaptureGraph.h"
#include "capture/GstPtr.h"
#include "capture/GstRuntime.h"
#include "capture/TestSources.h"

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

// What the armed graph's encoders handed to the ring: start, end and size of each piece.
struct Handed {
    GstClockTime start;
    GstClockTime end;
    std::size_t bytes;
    bool picture;
};
std::mutex handedLock;
std::vector<Handed> handed;

void NoteHanded(GObject*, GstClockTime, GstPad* pad, GstBuffer* buffer) {
    GstPad* peer = GST_PAD_PEER(pad);
    GstObject* to = peer != nullptr ? GST_OBJECT_PARENT(peer) : nullptr;
    if (to == nullptr || !GST_BUFFER_PTS_IS_VALID(buffer))
        return;
    const bool picture = std::strcmp(GST_OBJECT_NAME(to), "ring-picture") == 0;
    if (!picture && std::strcmp(GST_OBJECT_NAME(to), "ring-sound") != 0)
        return;
    const GstClockTime start = GST_BUFFER_PTS(buffer);
    const GstClockTime duration =
        GST_BUFFER_DURATION_IS_VALID(buffer) ? GST_BUFFER_DURATION(buffer) : 0;
    std::lock_guard guard(handedLock);
    handed.push_back({start, start + duration, gst_buffer_get_size(buffer), picture});
}

void WatchHanded() {
    static const bool installed = [] {
        const GType type = g_type_register_static_simple(GST_TYPE_TRACER, "TavelinBenchHanded",
                                                         sizeof(GstTracerClass), nullptr,
                                                         sizeof(GstTracer), nullptr, GTypeFlags(0));
        auto* tracer = static_cast<GstTracer*>(g_object_new(type, nullptr));
        gst_tracing_register_hook(tracer, "pad-push-pre", G_CALLBACK(&NoteHanded));
        return true;
    }();
    (void)installed;
    std::lock_guard guard(handedLock);
    handed.clear();
}

// The encoded size of `window` seconds at its largest, as the pieces arrived: after each
// arrival, the pictures and sound that had come and reach into the window before the
// newest picture's end. The ring may hold that plus the piece that just came (a picture,
// or a piece of sound), and the sound that started before its first picture.
struct WindowBytes {
    std::size_t most = 0;
    std::size_t largestPicture = 0;
    std::size_t largestSound = 0;
};

WindowBytes MeasureWindows(GstClockTime window) {
    std::lock_guard guard(handedLock);
    WindowBytes result;
    GstClockTime newestEnd = GST_CLOCK_TIME_NONE;
    for (std::size_t k = 0; k < handed.size(); ++k) {
        const Handed& last = handed[k];
        std::size_t& largest = last.picture ? result.largestPicture : result.largestSound;
        largest = std::max(largest, last.bytes);
        if (last.picture)
            newestEnd = last.end;
        if (!GST_CLOCK_TIME_IS_VALID(newestEnd) || newestEnd < window)
            continue;
        const GstClockTime from = newestEnd - window;
        std::size_t bytes = 0;
        for (std::size_t h = 0; h <= k; ++h) {
            if (handed[h].end > from)
                bytes += handed[h].bytes;
        }
        result.most = std::max(result.most, bytes);
    }
    return result;
}

// Requests a frame every 50 ms as the frame step does, for `span`; the CPU seconds used.
double RunFrameStep(tavelin::CCaptureGraph& graph, std::chrono::milliseconds span) {
    const double cpu0 = CpuSeconds();
    const auto t0 = Clock::now();
    auto tick = t0;
    while (Clock::now() - t0 < span) {
        graph.WaitForNewFrame();
        tick += std::chrono::milliseconds(50);
        std::this_thread::sleep_until(tick);
    }
    return CpuSeconds() - cpu0;
}

int ListPosition(const std::vector<std::string>& list, const char* name) {
    const auto it = std::find(list.begin(), list.end(), name);
    return it == list.end() ? -1 : static_cast<int>(it - list.begin());
}

// The synthetic sources, and a request for Motion JPEG at 640 x 480 with PCM sound from
// the test microphone (list positions of -1 when either is missing).
tavelin::RecordRequest JpegRequest(bool sound) {
    setenv("TAVELIN_TEST_SOURCES", "1", 1);
    setenv("TAVELIN_TEST_CAMERA_PATTERN", "ball", 1);
    setenv("TAVELIN_TEST_CAMERA_FORMAT", "yuy2", 1);
    tavelin::EnsureGstreamer();
    std::vector<std::string> encoders;
    std::vector<std::string> devices;
    tavelin::CCaptureGraph::ListVideoCompressors(encoders);
    tavelin::CCaptureGraph::ListAudioDevices(devices);
    tavelin::RecordRequest request;
    request.width = 640;
    request.height = 480;
    request.videoCompressorIndex = ListPosition(encoders, "JPEG image encoder");
    request.audioEnabled = sound;
    request.audioCompression = true;
    request.audioCompressorIndex = 0;  // PCM
    request.audioDeviceIndex = ListPosition(devices, tavelin::kTestMicrophoneName);
    return request;
}

void BM_PreviewBesideArmed(benchmark::State& state) {
    const bool sound = state.range(0) != 0;
    constexpr int kSecondsBefore = 3;
    const tavelin::RecordRequest request = JpegRequest(sound);
    if (request.videoCompressorIndex < 0 || (sound && request.audioDeviceIndex < 0)) {
        state.SkipWithError("no JPEG encoder or test microphone");
        return;
    }
    // Turns long enough for the ring to fill and be measured full.
    constexpr int kTurns = 4;
    const auto turn = std::chrono::duration_cast<std::chrono::milliseconds>(Span()) / kTurns;
    const auto settle = std::chrono::milliseconds(kSecondsBefore * 1000 + 500);
    for (auto _ : state) {
        double cpu[2] = {0, 0};
        double wall[2] = {0, 0};
        std::size_t ringPeak = 0;
        WindowBytes window;
        for (int t = 0; t < kTurns; ++t) {
            for (const bool armed : {false, true}) {
                tavelin::CCaptureGraph graph;
                WatchHanded();
                const bool built = graph.BuildPreviewGraph(640, 480) &&
                                   (!armed || graph.AttachEncoder(request, kSecondsBefore));
                if (!built) {
                    state.SkipWithError(graph.lastError().c_str());
                    return;
                }
                RunFrameStep(graph, settle);
                const auto t0 = Clock::now();
                cpu[armed] += RunFrameStep(graph, turn);
                wall[armed] += std::chrono::duration<double>(Clock::now() - t0).count();
                if (armed) {
                    ringPeak = std::max(ringPeak, graph.ringFigures().peakBytes);
                    const WindowBytes w = MeasureWindows(kSecondsBefore * GST_SECOND);
                    window.most = std::max(window.most, w.most);
                    window.largestPicture = std::max(window.largestPicture, w.largestPicture);
                    window.largestSound = std::max(window.largestSound, w.largestSound);
                }
                graph.Teardown();
            }
        }
        state.counters["preview_cpu_percent"] = 100.0 * cpu[0] / wall[0];
        state.counters["armed_cpu_percent"] = 100.0 * cpu[1] / wall[1];
        state.counters["armed_extra_percent"] = 100.0 * (cpu[1] / wall[1] - cpu[0] / wall[0]);
        state.counters["ring_peak_kB"] = static_cast<double>(ringPeak) / 1000;
        state.counters["window_kB"] = static_cast<double>(window.most) / 1000;
        state.counters["largest_picture_kB"] = static_cast<double>(window.largestPicture) / 1000;
        // At most 1: the ring never held more than its seconds plus one picture (and one
        // piece of sound).
        state.counters["ring_over_bound"] =
            static_cast<double>(ringPeak) /
            static_cast<double>(window.most + window.largestPicture + window.largestSound);
        state.SetIterationTime(wall[0] + wall[1]);
    }
    state.SetLabel(sound ? "mjpeg 640x480 yuy2, with sound" : "mjpeg 640x480 yuy2");
}
BENCHMARK(BM_PreviewBesideArmed)
    ->Arg(0)
    ->Arg(1)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kSecond);

void BM_HandRecordingCalls(benchmark::State& state) {
    const tavelin::RecordRequest request = JpegRequest(true);
    char folder[] = "/tmp/tavelin-bench-XXXXXX";
    if (request.videoCompressorIndex < 0 || request.audioDeviceIndex < 0 ||
        mkdtemp(folder) == nullptr) {
        state.SkipWithError("no JPEG encoder, test microphone or folder");
        return;
    }
    using Ms = std::chrono::duration<double, std::milli>;
    for (auto _ : state) {
        tavelin::CCaptureGraph graph;
        if (!graph.BuildPreviewGraph(640, 480)) {
            state.SkipWithError(graph.lastError().c_str());
            return;
        }
        double longestCall = 0;
        double longestToData = 0;
        const auto timed = [&](const auto& call) {
            const auto t0 = Clock::now();
            call();
            longestCall = std::max(longestCall, Ms(Clock::now() - t0).count());
        };
        // Frame steps, the news taken, until `kind` comes.
        const auto stepUntil = [&](tavelin::GraphNews::Kind kind) {
            for (int i = 0; i < 300; ++i) {
                graph.WaitForNewFrame();
                for (const tavelin::GraphNews& news : graph.TakeNews()) {
                    if (news.kind == kind)
                        return true;
                }
            }
            return false;
        };
        constexpr int kRecordings = 5;
        for (int i = 0; i < kRecordings; ++i) {
            const std::string path = std::string(folder) + "/" + std::to_string(i) + ".avi";
            timed([&] { graph.AttachEncoder(request, 0); });
            const auto clicked = Clock::now();
            timed([&] { graph.StartFile(path, true, nullptr, false); });
            if (!stepUntil(tavelin::GraphNews::Kind::FileStarted)) {
                state.SkipWithError("a file did not start");
                return;
            }
            longestToData = std::max(longestToData, Ms(Clock::now() - clicked).count());
            RunFrameStep(graph, std::chrono::milliseconds(1000));
            timed([&] { graph.FinishFile(); });
            if (!stepUntil(tavelin::GraphNews::Kind::FileFinished)) {
                state.SkipWithError("a file did not finish");
                return;
            }
            timed([&] { graph.DetachEncoder(); });
            std::remove(path.c_str());
        }
        state.counters["longest_call_ms"] = longestCall;
        state.counters["click_to_data_ms"] = longestToData;
        state.counters["camera_builds"] = graph.cameraBuilds();
        state.SetIterationTime(1.0);
    }
    rmdir(folder);
    state.SetLabel("mjpeg 640x480 with sound, 5 recordings");
}
BENCHMARK(BM_HandRecordingCalls)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace
