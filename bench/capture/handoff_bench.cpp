// The frame hand-off's copy (rows flipped to bottom-up, padding dropped) beside a
// plain memcpy of the same frame: the figure to read is the ratio of the two.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "bench/support/MemcpyBaseline.h"
#include "capture/FrameCopy.h"

namespace {

void Sizes(benchmark::internal::Benchmark* b) {
    b->Args({640, 480})->Args({800, 600})->Args({1600, 1200});
}

void BM_Memcpy(benchmark::State& state) {
    tavelin::bench::MemcpyBaseline(state,
                                   static_cast<std::size_t>(state.range(0) * state.range(1) * 3));
}
BENCHMARK(BM_Memcpy)->Apply(Sizes);

// GStreamer's BGR rows at these widths are already a multiple of 4 bytes: no padding.
void BM_CopyRowsFlipped(benchmark::State& state) {
    const std::size_t rowBytes = static_cast<std::size_t>(state.range(0) * 3);
    const std::size_t rows = static_cast<std::size_t>(state.range(1));
    std::vector<std::uint8_t> src(rowBytes * rows, 7);
    std::vector<std::uint8_t> dst(rowBytes * rows);
    for (auto _ : state) {
        tavelin::CopyRowsFlipped(dst.data(), src.data(), rowBytes, rowBytes, rows);
        benchmark::DoNotOptimize(dst.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * rowBytes * rows));
}
BENCHMARK(BM_CopyRowsFlipped)->Apply(Sizes);

// A source whose rows carry 64 bytes of padding, as a hardware buffer may.
void BM_CopyRowsFlippedPadded(benchmark::State& state) {
    const std::size_t rowBytes = static_cast<std::size_t>(state.range(0) * 3);
    const std::size_t stride = rowBytes + 64;
    const std::size_t rows = static_cast<std::size_t>(state.range(1));
    std::vector<std::uint8_t> src(stride * rows, 7);
    std::vector<std::uint8_t> dst(rowBytes * rows);
    for (auto _ : state) {
        tavelin::CopyRowsFlipped(dst.data(), src.data(), rowBytes, stride, rows);
        benchmark::DoNotOptimize(dst.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * rowBytes * rows));
}
BENCHMARK(BM_CopyRowsFlippedPadded)->Apply(Sizes);

}  // namespace
