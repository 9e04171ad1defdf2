#include "core/FrameConvertKernels.h"
#include "core/VectorClones.h"

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define TAVELIN_HAVE_SHUFFLE_KERNELS 1
#endif

namespace tavelin::frameconvert {

namespace {

#ifdef TAVELIN_HAVE_SHUFFLE_KERNELS
// pshufb pattern spreading four 3-byte pixels at `first` into four 4-byte words; the
// fourth byte of each word is cleared (-1) and set to 0xFF by the alpha OR.
#define TAVELIN_SPREAD4(first)                                                                     \
    (first), (first) + 1, (first) + 2, -1, (first) + 3, (first) + 4, (first) + 5, -1, (first) + 6, \
        (first) + 7, (first) + 8, -1, (first) + 9, (first) + 10, (first) + 11, -1

// Eight pixels (24 bytes) per 32-byte store: the low lane takes pixels 0..3 from a load at
// byte 0, the high lane pixels 4..7 from a load at byte 8, so no load reaches past the
// 24 bytes.
__attribute__((target("avx2"))) inline void Spread8(const std::uint8_t* p, std::uint8_t* out,
                                                    __m256i spread, __m256i alpha) {
    const __m128i lo = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const __m128i hi = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 8));
    const __m256i v = _mm256_inserti128_si256(_mm256_castsi128_si256(lo), hi, 1);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out),
                        _mm256_or_si256(_mm256_shuffle_epi8(v, spread), alpha));
}

// Sixteen pixels (48 bytes, most of a cache line) per step, with one line of the upcoming
// row fetched.
__attribute__((target("avx2"))) void RowToRgb32Avx2(const std::uint8_t* __restrict bgr,
                                                    std::uint8_t* __restrict out,
                                                    std::size_t pixels,
                                                    const std::uint8_t* upcoming) {
    const __m256i spread = _mm256_setr_epi8(TAVELIN_SPREAD4(0), TAVELIN_SPREAD4(4));
    const __m256i alpha = _mm256_set1_epi32(static_cast<int>(0xFF000000u));
    std::size_t x = 0;
    for (; x + 16 <= pixels; x += 16) {
        _mm_prefetch(reinterpret_cast<const char*>(upcoming + 3 * x), _MM_HINT_T0);
        Spread8(bgr + 3 * x, out + 4 * x, spread, alpha);
        Spread8(bgr + 3 * x + 24, out + 4 * x + 32, spread, alpha);
    }
    if (x + 8 <= pixels) {
        Spread8(bgr + 3 * x, out + 4 * x, spread, alpha);
        x += 8;
    }
    reference::RowToRgb32(bgr + 3 * x, out + 4 * x, pixels - x);
}

// Sixteen pixels from three 16-byte loads; palignr lines up the pixels that straddle two
// loads.
__attribute__((target("ssse3"))) void RowToRgb32Ssse3(const std::uint8_t* __restrict bgr,
                                                      std::uint8_t* __restrict out,
                                                      std::size_t pixels,
                                                      const std::uint8_t* upcoming) {
    const __m128i spread = _mm_setr_epi8(TAVELIN_SPREAD4(0));
    const __m128i alpha = _mm_set1_epi32(static_cast<int>(0xFF000000u));
    std::size_t x = 0;
    for (; x + 16 <= pixels; x += 16) {
        const std::uint8_t* p = bgr + 3 * x;
        _mm_prefetch(reinterpret_cast<const char*>(upcoming + 3 * x), _MM_HINT_T0);
        const __m128i v0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const __m128i v1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16));
        const __m128i v2 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 32));
        const __m128i quads[4] = {v0, _mm_alignr_epi8(v1, v0, 12), _mm_alignr_epi8(v2, v1, 8),
                                  _mm_srli_si128(v2, 4)};
        for (int k = 0; k < 4; ++k) {
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 4 * x + 16 * k),
                             _mm_or_si128(_mm_shuffle_epi8(quads[k], spread), alpha));
        }
    }
    reference::RowToRgb32(bgr + 3 * x, out + 4 * x, pixels - x);
}
#undef TAVELIN_SPREAD4
#endif

void PlainRow(const std::uint8_t* bgr, std::uint8_t* out, std::size_t pixels, const std::uint8_t*) {
    reference::RowToRgb32(bgr, out, pixels);
}

}  // namespace

RowKernel PlainRowKernel() {
    return PlainRow;
}

RowKernel Avx2RowKernel() {
#ifdef TAVELIN_HAVE_SHUFFLE_KERNELS
    return TAVELIN_CPU_FEATURE("avx2") ? RowToRgb32Avx2 : nullptr;
#else
    return nullptr;
#endif
}

RowKernel Ssse3RowKernel() {
#ifdef TAVELIN_HAVE_SHUFFLE_KERNELS
    return TAVELIN_CPU_FEATURE("ssse3") ? RowToRgb32Ssse3 : nullptr;
#else
    return nullptr;
#endif
}

RowKernel BestRowKernel() {
    static const RowKernel kernel = Avx2RowKernel()    ? Avx2RowKernel()
                                    : Ssse3RowKernel() ? Ssse3RowKernel()
                                                       : PlainRow;
    return kernel;
}

}  // namespace tavelin::frameconvert
