#include "core/YuvConvert.h"

#include "core/VectorClones.h"

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

// The row's constants, set up once a row.
struct Avx2Constants {
    __m256i lowBytes, two, cy, crv, cgu, cgv, cbu, bias, head0, head1, tail0, tail1;
};

__attribute__((target("avx2"))) Avx2Constants MakeConstants(const YuvMatrix& m) {
    return {_mm256_set1_epi16(0x00FF), _mm256_set1_epi16(2),
            _mm256_set1_epi16(m.y),    _mm256_set1_epi16(m.rv),
            _mm256_set1_epi16(m.gu),   _mm256_set1_epi16(m.gv),
            _mm256_set1_epi16(m.bu),   _mm256_set1_epi8(static_cast<char>(0x80)),
            BothLanes(kToBgr[0]),      BothLanes(kToBgr[1]),
            BothLanes(kToBgr[2]),      BothLanes(kToBgr[3])};
}

// 8 pairs (16 pixels) at `s`, each 32-bit lane one pair, with the same pairs one back
// and one on, into 48 BGR bytes at `d`. Each 128-bit half does 4 pairs.
template <ChromaSiting kSiting>
__attribute__((target("avx2"))) inline void Yuy2Block(__m256i here, __m256i back, __m256i on,
                                                      std::uint8_t* d, const Avx2Constants& k) {
    // Chroma as U, V, U, V ... words, for the first and the second pixel of each pair.
    const __m256i c = _mm256_srli_epi16(here, 8);
    const __m256i next = _mm256_srli_epi16(on, 8);
    __m256i even;
    __m256i odd;
    if constexpr (kSiting == ChromaSiting::Centred) {
        const __m256i c3 = _mm256_add_epi16(_mm256_add_epi16(c, c), _mm256_add_epi16(c, k.two));
        even = _mm256_srli_epi16(_mm256_add_epi16(c3, _mm256_srli_epi16(back, 8)), 2);
        odd = _mm256_srli_epi16(_mm256_add_epi16(c3, next), 2);
    } else {
        even = c;
        odd = _mm256_avg_epu16(c, next);  // (a + b + 1) >> 1
    }
    // Per pixel: U from word 0 of each pair's even or odd chroma, V from word 1.
    const __m256i u = _mm256_blend_epi16(even, _mm256_slli_epi32(odd, 16), 0xAA);
    const __m256i v = _mm256_blend_epi16(_mm256_srli_epi32(even, 16), odd, 0xAA);

    const __m256i luma = _mm256_mulhi_epi16(Widened(_mm256_and_si256(here, k.lowBytes)), k.cy);
    const __m256i wu = Widened(u);
    const __m256i wv = Widened(v);
    const __m256i b = _mm256_add_epi16(luma, _mm256_mulhi_epi16(wu, k.cbu));
    const __m256i g = _mm256_add_epi16(
        luma, _mm256_add_epi16(_mm256_mulhi_epi16(wu, k.cgu), _mm256_mulhi_epi16(wv, k.cgv)));
    const __m256i r = _mm256_add_epi16(luma, _mm256_mulhi_epi16(wv, k.crv));

    // Saturate to signed bytes and move back to 0..255.
    const __m256i bg = _mm256_xor_si256(_mm256_packs_epi16(b, g), k.bias);
    const __m256i rr = _mm256_xor_si256(_mm256_packs_epi16(r, r), k.bias);
    const __m256i head =
        _mm256_or_si256(_mm256_shuffle_epi8(bg, k.head0), _mm256_shuffle_epi8(rr, k.head1));
    const __m256i tail =
        _mm256_or_si256(_mm256_shuffle_epi8(bg, k.tail0), _mm256_shuffle_epi8(rr, k.tail1));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d), _mm256_castsi256_si128(head));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(d + 16), _mm256_castsi256_si128(tail));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(d + 24), _mm256_extracti128_si256(head, 1));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(d + 40), _mm256_extracti128_si256(tail, 1));
}

// The block of pairs `pair` ... of a row of `pairs` pairs in memory.
template <ChromaSiting kSiting>
__attribute__((target("avx2"))) inline void Yuy2BlockAt(const std::uint8_t* src, int pairs,
                                                        int pair, std::uint8_t* dst,
                                                        const Avx2Constants& k) {
    const std::uint8_t* s = src + 4 * pair;
    const __m256i here = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s));
    const __m256i back =
        pair > 0 ? _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s - 4))
                 : _mm256_permutevar8x32_epi32(here, _mm256_setr_epi32(0, 0, 1, 2, 3, 4, 5, 6));
    const __m256i on =
        pair + 8 < pairs
            ? _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + 4))
            : _mm256_permutevar8x32_epi32(here, _mm256_setr_epi32(1, 2, 3, 4, 5, 6, 7, 7));
    Yuy2Block<kSiting>(here, back, on, dst + 6 * pair, k);
}

// The whole pairs of a row of at least 16 pixels, 8 pairs at a time; the last block
// overlaps the one before when the pairs are no multiple of 8 (it writes the same
// bytes again). At the row's ends the pair itself stands in for the missing
// neighbour, as in the plain code. Returns the first pixel it left: the half pair of
// an odd width.
template <ChromaSiting kSiting>
__attribute__((target("avx2"))) int Yuy2RowAvx2(const std::uint8_t* __restrict src, int width,
                                                std::uint8_t* __restrict dst, const YuvMatrix& m) {
    const Avx2Constants k = MakeConstants(m);
    const int whole = width / 2;        // pairs with both pixels in the row
    const int pairs = (width + 1) / 2;  // pairs in memory, with a half one
    int pair = 0;
    for (; pair + 8 <= whole; pair += 8)
        Yuy2BlockAt<kSiting>(src, pairs, pair, dst, k);
    if (pair < whole)
        Yuy2BlockAt<kSiting>(src, pairs, whole - 8, dst, k);
    return 2 * whole;
}

bool HasAvx2() {
    return TAVELIN_CPU_FEATURE("avx2");
}

#endif

void Yuy2Row(const std::uint8_t* __restrict src, int width, std::uint8_t* __restrict dst,
             const YuvFormat& format) {
    int done = 0;
#ifdef TAVELIN_HAVE_AVX2_KERNEL
    // Rows narrower than one block, and the half pair of an odd width, in plain code.
    if (width >= 16 && HasAvx2()) {
        done = format.siting == ChromaSiting::Centred
                   ? Yuy2RowAvx2<ChromaSiting::Centred>(src, width, dst, format.matrix)
                   : Yuy2RowAvx2<ChromaSiting::Cosited>(src, width, dst, format.matrix);
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
