#pragma once
// The baseline each bench measures beside its work: a memcpy of the same number of bytes,
// counted so the rate is printed too. Figures then read as ratios to it, which hold while
// a shared machine's speed comes and goes.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <vector>

namespace tavelin::bench {

inline void MemcpyBaseline(benchmark::State& state, std::size_t bytes) {
    const std::vector<std::uint8_t> src(bytes, 7);
    std::vector<std::uint8_t> dst(bytes);
    for (auto _ : state) {
        std::memcpy(dst.data(), src.data(), bytes);
        benchmark::DoNotOptimize(dst.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
}

}  // namespace tavelin::bench
