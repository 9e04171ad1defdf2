// The hand-off's YUY2 -> bottom-up BGR conversion beside GStreamer's own converter
// (GstVideoConverter, what videoconvert runs for each frame, top-down, same output
// format) and beside a memcpy of the BGR frame it writes. The figures to read are
// the ratios; max_level_difference says the two converters agree on the frame.

#include <benchmark/benchmark.h>
#include <gst/gst.h>
#include <gst/video/video.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

#include "bench/support/MemcpyBaseline.h"
#include "capture/GrabberProbe.h"
#include "capture/GstRuntime.h"
#include "core/YuvConvert.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

void Sizes(benchmark::internal::Benchmark* b) {
    b->Args({320, 240})->Args({640, 480})->Args({800, 600});
}

int Width(const benchmark::State& state) {
    return static_cast<int>(state.range(0));
}
int Height(const benchmark::State& state) {
    return static_cast<int>(state.range(1));
}

// A camera-like frame: random pixels, so no branch or table is favoured.
Bytes Yuy2Frame(int width, int height) {
    Bytes frame(tavelin::Yuy2RowBytes(width) * static_cast<std::size_t>(height));
    std::mt19937 rng(7);
    for (auto& b : frame)
        b = static_cast<std::uint8_t>(rng());
    return frame;
}

void BM_Memcpy(benchmark::State& state) {
    tavelin::bench::MemcpyBaseline(state,
                                   static_cast<std::size_t>(Width(state)) * Height(state) * 3);
}
BENCHMARK(BM_Memcpy)->Apply(Sizes);

void BM_Yuy2ToBgrFlipped(benchmark::State& state) {
    const int w = Width(state);
    const int h = Height(state);
    const Bytes src = Yuy2Frame(w, h);
    Bytes dst(static_cast<std::size_t>(w) * h * 3);
    for (auto _ : state) {
        tavelin::Yuy2ToBgrFlipped(dst.data(), src.data(), w, tavelin::Yuy2RowBytes(w), h,
                                  tavelin::YuvFormat{});
        benchmark::DoNotOptimize(dst.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * dst.size()));
}
BENCHMARK(BM_Yuy2ToBgrFlipped)->Apply(Sizes);

// The plain per-pixel code the vector loop is checked against.
void BM_Yuy2Reference(benchmark::State& state) {
    const int w = Width(state);
    const int h = Height(state);
    const Bytes src = Yuy2Frame(w, h);
    Bytes dst(static_cast<std::size_t>(w) * h * 3);
    const std::size_t stride = tavelin::Yuy2RowBytes(w);
    for (auto _ : state) {
        for (int y = 0; y < h; ++y) {
            tavelin::reference::Yuy2RowToBgr(src.data() + stride * static_cast<std::size_t>(y), w,
                                             0, w, dst.data() + static_cast<std::size_t>(y) * w * 3,
                                             tavelin::YuvFormat{});
        }
        benchmark::DoNotOptimize(dst.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * dst.size()));
}
BENCHMARK(BM_Yuy2Reference)->Apply(Sizes);

// GStreamer's converter as videoconvert sets it up, on one thread as the element runs.
void BM_GstVideoConverter(benchmark::State& state) {
    if (!tavelin::EnsureGstreamer()) {
        state.SkipWithError("no GStreamer");
        return;
    }
    const int w = Width(state);
    const int h = Height(state);
    GstVideoInfo in;
    GstVideoInfo out;
    gst_video_info_set_format(&in, GST_VIDEO_FORMAT_YUY2, static_cast<guint>(w),
                              static_cast<guint>(h));
    gst_video_info_set_format(&out, GST_VIDEO_FORMAT_BGR, static_cast<guint>(w),
                              static_cast<guint>(h));
    const Bytes pixels = Yuy2Frame(w, h);
    GstBuffer* src = gst_buffer_new_allocate(nullptr, GST_VIDEO_INFO_SIZE(&in), nullptr);
    GstBuffer* dst = gst_buffer_new_allocate(nullptr, GST_VIDEO_INFO_SIZE(&out), nullptr);
    GstVideoConverter* converter = gst_video_converter_new(&in, &out, nullptr);
    GstVideoFrame srcFrame;
    GstVideoFrame dstFrame;
    if (converter == nullptr || !gst_video_frame_map(&srcFrame, &in, src, GST_MAP_WRITE)) {
        state.SkipWithError("no converter");
        return;
    }
    gst_video_frame_map(&dstFrame, &out, dst, GST_MAP_WRITE);
    const int srcStride = GST_VIDEO_FRAME_PLANE_STRIDE(&srcFrame, 0);
    auto* srcBytes = static_cast<std::uint8_t*>(GST_VIDEO_FRAME_PLANE_DATA(&srcFrame, 0));
    const std::size_t rowBytes = tavelin::Yuy2RowBytes(w);
    for (int y = 0; y < h; ++y) {
        std::memcpy(srcBytes + static_cast<std::size_t>(y) * srcStride,
                    pixels.data() + static_cast<std::size_t>(y) * rowBytes, rowBytes);
    }

    for (auto _ : state) {
        gst_video_converter_frame(converter, &srcFrame, &dstFrame);
        benchmark::ClobberMemory();
    }

    // Both converters on the same frame, for the record.
    Bytes ours(static_cast<std::size_t>(w) * h * 3);
    tavelin::Yuy2ToBgrFlipped(ours.data(), srcBytes, w, static_cast<std::size_t>(srcStride), h,
                              tavelin::ConversionFormat(in));
    const int dstStride = GST_VIDEO_FRAME_PLANE_STRIDE(&dstFrame, 0);
    const auto* theirs = static_cast<const std::uint8_t*>(GST_VIDEO_FRAME_PLANE_DATA(&dstFrame, 0));
    int largest = 0;
    for (int y = 0; y < h; ++y) {
        const std::uint8_t* a = ours.data() + static_cast<std::size_t>(h - 1 - y) * w * 3;
        const std::uint8_t* b = theirs + static_cast<std::size_t>(y) * dstStride;
        for (int i = 0; i < w * 3; ++i)
            largest = std::max(largest, std::abs(a[i] - b[i]));
    }
    state.counters["max_level_difference"] = largest;

    gst_video_frame_unmap(&dstFrame);
    gst_video_frame_unmap(&srcFrame);
    gst_video_converter_free(converter);
    gst_buffer_unref(dst);
    gst_buffer_unref(src);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * ours.size()));
}
BENCHMARK(BM_GstVideoConverter)->Apply(Sizes);

}  // namespace
