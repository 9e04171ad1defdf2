#include "core/YuvConvert.h"

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define TAVELIN_HAVE_AVX2_KERNEL 1
#endif

namespace tavelin {

namespace {

#ifdef TAVELIN_HAVE_AVX2_KERNEL

// pshufb patterns for one 8-pixel lane: from (B0..B7, G0..G7) and (R0..R7, R0..R7)
// to the BGR bytes 0..15 and 16..23 of those pixels.
alignas(16) constexpr std::int8_t kToBgr[4][16] = {
    {0, 8, -1, 1, 9, -1, 2, 10, -1, 3, 11, -1, 4, 12, -1, 5},
    {-1, -1, 0, -1, -1, 1, -1, -1, 2, -1, -1, 3, -1, -1, 4, -1},
    {13, -1, 6, 14, -1, 7, 15, -1, -1, -1, -1, -1, -1, -1, -1, -1},
    {-1, 5, -1, -1, 6, -1, -1, 7, -1, -1, -1, -1, -1, -1, -1, -1},
};

__attribute__((target("avx2"))) inline __m256i BothLanes(const std::int8_t* pattern) {
    return _mm256_broadcastsi128_si256(_mm_load_si128(reinterpret_cast<const __m128i*>(pattern)));
}

// 16-bit lanes holding bytes: centred on 128 and widened to c * 257.
__attribute__((target("avx2"))) inline __m256i Widened(__m256i words) {
    const __m256i centred = _mm256_xor_si256(words, _mm256_set1_epi16(0x80));
    return _mm256_or_si256(centred, _mm256_slli_epi16(centred, 8));
}

// Pixels 2 * firstPair ... of one row, 16 at a time, while the pair after each
// block still lies in the row; firstPair >= 1, since the pair before is read too.
// Returns the first pixel it left.
template <ChromaSiting kSiting>
__attribute__((target("avx2"))) int Yuy2RowAvx2(const std::uint8_t* __restrict src, int width,
                                                int firstPair, std::uint8_t* __restrict dst,
                                                const YuvMatrix& m) {
    const int pairs = (width + 1) / 2;
    const __m256i lowBytes = _mm256_set1_epi16(0x00FF);
    [[maybe_unused]] const __m256i two = _mm256_set1_epi16(2);
    const __m256i cy = _mm256_set1_epi16(m.y);
    const __m256i crv = _mm256_set1_epi16(m.rv);
    const __m256i cgu = _mm256_set1_epi16(m.gu);
    const __m256i cgv = _mm256_set1_epi16(m.gv);
    const __m256i cbu = _mm256_set1_epi16(m.bu);
    const __m256i bias = _mm256_set1_epi8(static_cast<char>(0x80));
    const __m256i head0 = BothLanes(kToBgr[0]);
    const __m256i head1 = BothLanes(kToBgr[1]);
    const __m256i tail0 = BothLanes(kToBgr[2]);
    const __m256i tail1 = BothLanes(kToBgr[3]);

    int pair = firstPair;
    for (; pair + 9 <= pairs; pair += 8) {
        // Each lane: 4 pairs (8 pixels), and the same pairs one back and one on.
        const std::uint8_t* s = src + 4 * pair;
        const __m256i here = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s));
        [[maybe_unused]] const __m256i back =
            _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s - 4));
        const __m256i on = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + 4));

        // Chroma as U, V, U, V ... words, for the first and the second pixel of each
        // pair.
        const __m256i c = _mm256_srli_epi16(here, 8);
        const __m256i next = _mm256_srli_epi16(on, 8);
        __m256i even;
        __m256i odd;
        if constexpr (kSiting == ChromaSiting::Centred) {
            const __m256i c3 = _mm256_add_epi16(_mm256_add_epi16(c, c), _mm256_add_epi16(c, two));
            even = _mm256_srli_epi16(_mm256_add_epi16(c3, _mm256_srli_epi16(back, 8)), 2);
            odd = _mm256_srli_epi16(_mm256_add_epi16(c3, next), 2);
        } else {
            even = c;
            odd = _mm256_avg_epu16(c, next);  // (a + b + 1) >> 1
        }
        // Per pixel: U from even/odd word 0 of each pair, V from word 1.
        const __m256i u = _mm256_blend_epi16(even, _mm256_slli_epi32(odd, 16), 0xAA);
        const __m256i v = _mm256_blend_epi16(_mm256_srli_epi32(even, 16), odd, 0xAA);

        const __m256i luma = _mm256_mulhi_epi16(Widened(_mm256_and_si256(here, lowBytes)), cy);
        const __m256i wu = Widened(u);
        const __m256i wv = Widened(v);
        const __m256i b = _mm256_add_epi16(luma, _mm256_mulhi_epi16(wu, cbu));
        const __m256i g = _mm256_add_epi16(
            luma, _mm256_add_epi16(_mm256_mulhi_epi16(wu, cgu), _mm256_mulhi_epi16(wv, cgv)));
        const __m256i r = _mm256_add_epi16(luma, _mm256_mulhi_epi16(wv, crv));

        // Saturate to signed bytes and move back to 0..255.
        const __m256i bg = _mm256_xor_si256(_mm256_packs_epi16(b, g), bias);
        const __m256i rr = _mm256_xor_si256(_mm256_packs_epi16(r, r), bias);
        const __m256i head =
            _mm256_or_si256(_mm256_shuffle_epi8(bg, head0), _mm256_shuffle_epi8(rr, head1));
        const __m256i tail =
            _mm256_or_si256(_mm256_shuffle_epi8(bg, tail0), _mm256_shuffle_epi8(rr, tail1));
        std::uint8_t* d = dst + 6 * pair;
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d), _mm256_castsi256_si128(head));
        _mm_storel_epi64(reinterpret_cast<__m128i*>(d + 16), _mm256_castsi256_si128(tail));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d + 24), _mm256_extracti128_si256(head, 1));
        _mm_storel_epi64(reinterpret_cast<__m128i*>(d + 40), _mm256_extracti128_si256(tail, 1));
    }
    return 2 * pair;
}

bool HasAvx2() {
    static const bool has = [] {
        __builtin_cpu_init();
        return __builtin_cpu_supports("avx2") != 0;
    }();
    return has;
}

#endif

void Yuy2Row(const std::uint8_t* __restrict src, int width, std::uint8_t* __restrict dst,
             const YuvFormat& format) {
    int done = 0;
#ifdef TAVELIN_HAVE_AVX2_KERNEL
    // The first pair has no pair before it: the plain code takes it, and whatever
    // the vector loop leaves at the end.
    if (HasAvx2() && width >= 2) {
        reference::Yuy2RowToBgr(src, width, 0, 2, dst, format);
        done = format.siting == ChromaSiting::Centred
                   ? Yuy2RowAvx2<ChromaSiting::Centred>(src, width, 1, dst, format.matrix)
                   : Yuy2RowAvx2<ChromaSiting::Cosited>(src, width, 1, dst, format.matrix);
    }
#endif
    reference::Yuy2RowToBgr(src, width, done, width, dst, format);
}

}  // namespace

void Yuy2ToBgrFlipped(std::uint8_t* __restrict dst, const std::uint8_t* __restrict src, int width,
                      std::size_t srcStride, int rows, const YuvFormat& format) {
    if (width <= 0 || rows <= 0)
        return;
    const std::size_t rowBytes = static_cast<std::size_t>(width) * 3;
    const std::uint8_t* srcRow = src + static_cast<std::size_t>(rows - 1) * srcStride;
    for (int r = 0; r < rows; ++r) {
        Yuy2Row(srcRow, width, dst, format);
        dst += rowBytes;
        srcRow -= srcStride;
    }
}

}  // namespace tavelin
