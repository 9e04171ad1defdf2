// Overlay drawing and JPEG writing, each beside a memcpy of the same frame so the figures
// read as ratios on a noisy machine. Built with TurboJPEG, its one-call compressor runs on
// the same picture with the same settings beside the writer.
//
// The JPEG figures are wall time (how long the caller waits) with the CPU of the whole
// process beside it: the writer stores its file on a second thread, whose work a
// per-thread CPU figure would leave out.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <sys/stat.h>

#include <cstring>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

#include "bench/support/MemcpyBaseline.h"
#include "core/FrameFormat.h"
#include "core/JpegFile.h"
#include "core/Overlays.h"
#include "core/ReplacingFile.h"

#ifdef TAVELIN_BENCH_TURBOJPEG
#include <turbojpeg.h>
#endif

namespace {

using namespace tavelin;

std::vector<std::uint8_t> Frame(int w, int h) {
    std::vector<std::uint8_t> f(FrameBytes(w, h));
    for (std::size_t i = 0; i < f.size(); ++i)
        f[i] = static_cast<std::uint8_t>((i * 7) ^ (i >> 9));
    return f;
}

OverlayPicture Icon() {
    OverlayPicture icon{38, 26, std::vector<std::uint8_t>(38 * 26 * 3, 0xC0)};
    return icon;
}

std::string ScratchPath(const char* name) {
    const char* dir = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    return std::string(dir) + "/" + name + "-" + std::to_string(getpid());
}

void BM_Memcpy(benchmark::State& state) {
    bench::MemcpyBaseline(
        state, FrameBytes(static_cast<int>(state.range(0)), static_cast<int>(state.range(1))));
}
BENCHMARK(BM_Memcpy)->Args({320, 240})->Args({1600, 1200})->Unit(benchmark::kMicrosecond);

// Date, time and countdown: everything the frame step can draw outside the badge.
void BM_DrawOverlays(benchmark::State& state) {
    const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
    std::vector<std::uint8_t> frame = Frame(w, h);
    const OverlayPicture icon = Icon();
    std::tm now{};
    now.tm_year = 106;
    now.tm_mday = 17;
    now.tm_hour = 14;
    now.tm_min = 5;
    now.tm_sec = 9;
    const CountdownState countdown{12.3f, 3600};
    for (auto _ : state) {
        DrawOverlays(true, true, frame.data(), w, h, icon, countdown, now);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_DrawOverlays)->Args({320, 240})->Args({1600, 1200})->Unit(benchmark::kMicrosecond);

void BM_DrawBadge(benchmark::State& state) {
    std::vector<std::uint8_t> frame = Frame(320, 240);
    OverlayPicture badge{35, 36, std::vector<std::uint8_t>(35 * 36 * 3)};
    for (std::size_t i = 0; i < badge.pixels.size(); i += 3) {
        const bool key = (i / 3) % 3 == 0;
        badge.pixels[i] = key ? 255 : 40;
        badge.pixels[i + 1] = key ? 0 : 160;
        badge.pixels[i + 2] = key ? 255 : 200;
    }
    for (auto _ : state) {
        DrawBadge(frame.data(), 320, 240, badge, 42);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_DrawBadge)->Unit(benchmark::kMicrosecond);

// A 24-bit DIB of the frame, as the snapshot command has it after reading the BMP back.
std::vector<std::uint8_t> Dib(int w, int h) {
    std::vector<std::uint8_t> dib(40);
    auto put32 = [&dib](std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            dib[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
    };
    put32(0, 40);
    put32(4, static_cast<std::uint32_t>(w));
    put32(8, static_cast<std::uint32_t>(h));
    dib[12] = 1;
    dib[14] = 24;
    const std::vector<std::uint8_t> frame = Frame(w, h);
    dib.insert(dib.end(), frame.begin(), frame.end());
    return dib;
}

// The size of the file written, to show that both encoders produce the same amount.
void CountFileBytes(benchmark::State& state, const std::string& path) {
    struct stat st {};
    if (stat(path.c_str(), &st) == 0)
        state.counters["jpeg_bytes"] = static_cast<double>(st.st_size);
}

// Where each iteration's file goes: under a name that is free (a snapshot saved under a new
// name), or over the file the last iteration wrote, whose storage the kernel then releases
// while the new one is renamed into place.
enum class Target { NewFile, Replacing };

// How the JPEG figures are taken: wall time, with the CPU of every thread of the process.
void WallAndProcessCpu(benchmark::internal::Benchmark* b) {
    b->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();
}

void FreeTheName(benchmark::State& state, Target target, const std::string& path) {
    if (target != Target::NewFile)
        return;
    state.PauseTiming();
    unlink(path.c_str());
    state.ResumeTiming();
}

void BM_WriteJpeg(benchmark::State& state, Target target) {
    const std::vector<std::uint8_t> dib = Dib(1600, 1200);
    const std::string path = ScratchPath("tavelin-bench.jpg");
    std::string error;
    for (auto _ : state) {
        FreeTheName(state, target, path);
        if (!WriteJpeg(dib.data(), dib.size(), 100, path, &error))
            state.SkipWithError(error.c_str());
    }
    CountFileBytes(state, path);
    unlink(path.c_str());
}
BENCHMARK_CAPTURE(BM_WriteJpeg, NewFile, Target::NewFile)->Apply(WallAndProcessCpu);
BENCHMARK_CAPTURE(BM_WriteJpeg, Replacing, Target::Replacing)->Apply(WallAndProcessCpu);

void BM_WriteJpegFromFrame(benchmark::State& state) {
    const std::vector<std::uint8_t> frame = Frame(1600, 1200);
    const std::string path = ScratchPath("tavelin-bench-frame.jpg");
    std::string error;
    for (auto _ : state) {
        FreeTheName(state, Target::NewFile, path);
        if (!WriteJpegFromFrame(frame.data(), frame.size(), 1600, 1200, 100, path, &error)) {
            state.SkipWithError(error.c_str());
        }
    }
    CountFileBytes(state, path);
    unlink(path.c_str());
}
BENCHMARK(BM_WriteJpegFromFrame)->Apply(WallAndProcessCpu);

#ifdef TAVELIN_BENCH_TURBOJPEG
// The writer's settings: quality 100, 4:2:0 (libjpeg's default sampling), accurate DCT
// (TurboJPEG's choice from quality 96 up), bottom-up BGR rows; into memory, and with
// a target then into a file the way the writer stores its own (CReplacingFile), so the
// figures bracket the writer's work.
void BM_TjCompress2(benchmark::State& state, std::optional<Target> toFile) {
    const int w = 1600, h = 1200;
    const std::vector<std::uint8_t> frame = Frame(w, h);
    tjhandle tj = tjInitCompress();
    if (tj == nullptr) {
        state.SkipWithError(tjGetErrorStr2(nullptr));
        return;
    }
    unsigned long capacity = tjBufSize(w, h, TJSAMP_420);
    unsigned char* out = tjAlloc(static_cast<int>(capacity));
    unsigned long size = 0;
    const std::string path = ScratchPath("tavelin-bench-tj.jpg");
    for (auto _ : state) {
        if (toFile)
            FreeTheName(state, *toFile, path);
        size = capacity;
        if (tjCompress2(tj, frame.data(), w, 0, h, TJPF_BGR, &out, &size, TJSAMP_420, 100,
                        TJFLAG_BOTTOMUP | TJFLAG_NOREALLOC) != 0) {
            state.SkipWithError(tjGetErrorStr2(tj));
            break;
        }
        benchmark::DoNotOptimize(out);
        if (toFile) {
            CReplacingFile file(path);
            if (!file.Write(out, size) || !file.Commit()) {
                state.SkipWithError("cannot write the file");
                break;
            }
        }
    }
    state.counters["jpeg_bytes"] = static_cast<double>(size);
    unlink(path.c_str());
    tjFree(out);
    tjDestroy(tj);
}
BENCHMARK_CAPTURE(BM_TjCompress2, Memory, std::nullopt)->Apply(WallAndProcessCpu);
BENCHMARK_CAPTURE(BM_TjCompress2, NewFile, Target::NewFile)->Apply(WallAndProcessCpu);
BENCHMARK_CAPTURE(BM_TjCompress2, Replacing, Target::Replacing)->Apply(WallAndProcessCpu);
#endif

}  // namespace
