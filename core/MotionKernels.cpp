#include "core/MotionKernels.h"

#include "core/MotionDetector.h"
#include "core/VectorClones.h"

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define TAVELIN_HAVE_AVX2_KERNEL 1
#endif

namespace tavelin::motion {

namespace {

#ifdef TAVELIN_HAVE_AVX2_KERNEL
__attribute__((target("avx2"))) inline __m256i Load2x128(const std::uint8_t* lo,
                                                         const std::uint8_t* hi) {
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(lo));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(hi));
    return _mm256_inserti128_si256(_mm256_castsi128_si256(a), b, 1);
}

// pshufb patterns for one 16-pixel lane: (B, G) byte pairs and (R, 0) pairs of
// the lane's pixels 0..7 from its first and second 16 bytes, then of pixels
// 8..15 from its second and third 16 bytes.
alignas(16) constexpr std::int8_t kShuffles[8][16] = {
    {0, 1, 3, 4, 6, 7, 9, 10, 12, 13, 15, -1, -1, -1, -1, -1},
    {-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, 0, 2, 3, 5, 6},
    {2, -1, 5, -1, 8, -1, 11, -1, 14, -1, -1, -1, -1, -1, -1, -1},
    {-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, 1, -1, 4, -1, 7, -1},
    {8, 9, 11, 12, 14, 15, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1},
    {-1, -1, -1, -1, -1, -1, 1, 2, 4, 5, 7, 8, 10, 11, 13, 14},
    {10, -1, 13, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1},
    {-1, -1, -1, -1, 0, -1, 3, -1, 6, -1, 9, -1, 12, -1, 15, -1},
};

__attribute__((target("avx2"))) inline __m256i BothLanes(const std::int8_t* pattern) {
    return _mm256_broadcastsi128_si256(_mm_load_si128(reinterpret_cast<const __m128i*>(pattern)));
}

// The grey value is computed in 16-bit lanes as floor(Y / 1000) with
// Y = 114 B + 587 G + 299 R, split as Y = 8 X + S (X = 14 B + 73 G + 37 R,
// S = 2 B + 3 G + 3 R) so every partial fits pmaddubsw; Y >> 3 = X + (S >> 3) and
// x / 125 = mulhi(x, 33555) >> 6 is exact for x < 2^15. That equals the
// double-precision sum except where Y is a multiple of 1000: there the sum may
// round just below the integer. Those pixels (Y != 0) are flagged and recomputed
// with the double formula.
//
// 32 pixels (96 bytes) to 32 grey bytes; bit k of *exact set where pixel k needs
// the double formula.
__attribute__((target("avx2"))) inline __m256i Grey32(const std::uint8_t* p, unsigned* exact) {
    // Low lane: pixels 0..15 (bytes 0..47), high lane: pixels 16..31 (48..95).
    const __m256i v0 = Load2x128(p, p + 48);
    const __m256i v1 = Load2x128(p + 16, p + 64);
    const __m256i v2 = Load2x128(p + 32, p + 80);
    const __m256i bg0 = BothLanes(kShuffles[0]);
    const __m256i bg1 = BothLanes(kShuffles[1]);
    const __m256i r0 = BothLanes(kShuffles[2]);
    const __m256i r1 = BothLanes(kShuffles[3]);
    const __m256i bg2 = BothLanes(kShuffles[4]);
    const __m256i bg3 = BothLanes(kShuffles[5]);
    const __m256i r2 = BothLanes(kShuffles[6]);
    const __m256i r3 = BothLanes(kShuffles[7]);
    const __m256i wBgX = _mm256_set1_epi16(static_cast<short>(14 | (73 << 8)));
    const __m256i wBgS = _mm256_set1_epi16(static_cast<short>(2 | (3 << 8)));
    const __m256i wRX = _mm256_set1_epi16(37);
    const __m256i wRS = _mm256_set1_epi16(3);
    const __m256i div125 = _mm256_set1_epi16(static_cast<short>(33555));
    const __m256i k125 = _mm256_set1_epi16(125);
    const __m256i low3 = _mm256_set1_epi16(7);
    const __m256i zero = _mm256_setzero_si256();

    __m256i grey[2];
    __m256i flags[2];
    for (int half = 0; half < 2; ++half) {
        const __m256i bg =
            half == 0 ? _mm256_or_si256(_mm256_shuffle_epi8(v0, bg0), _mm256_shuffle_epi8(v1, bg1))
                      : _mm256_or_si256(_mm256_shuffle_epi8(v1, bg2), _mm256_shuffle_epi8(v2, bg3));
        const __m256i r =
            half == 0 ? _mm256_or_si256(_mm256_shuffle_epi8(v0, r0), _mm256_shuffle_epi8(v1, r1))
                      : _mm256_or_si256(_mm256_shuffle_epi8(v1, r2), _mm256_shuffle_epi8(v2, r3));
        const __m256i x8 =
            _mm256_add_epi16(_mm256_maddubs_epi16(bg, wBgX), _mm256_mullo_epi16(r, wRX));
        const __m256i s =
            _mm256_add_epi16(_mm256_maddubs_epi16(bg, wBgS), _mm256_mullo_epi16(r, wRS));
        const __m256i x = _mm256_add_epi16(x8, _mm256_srli_epi16(s, 3));
        const __m256i q = _mm256_srli_epi16(_mm256_mulhi_epu16(x, div125), 6);
        const __m256i whole = _mm256_and_si256(_mm256_cmpeq_epi16(_mm256_mullo_epi16(q, k125), x),
                                               _mm256_cmpeq_epi16(_mm256_and_si256(s, low3), zero));
        // Y = 0 (black) is exact in both forms and common enough to keep off the slow path.
        const __m256i black = _mm256_cmpeq_epi16(_mm256_or_si256(x, s), zero);
        grey[half] = q;
        flags[half] = _mm256_andnot_si256(black, whole);
    }
    // In-lane packing keeps pixel order: (0..7, 8..15 | 16..23, 24..31).
    *exact = static_cast<unsigned>(_mm256_movemask_epi8(_mm256_packs_epi16(flags[0], flags[1])));
    return _mm256_packus_epi16(grey[0], grey[1]);
}

// Grey conversion and, when `previous` is given, the thresholded difference in
// one pass. Returns how many pixels it handled (a multiple of 32).
__attribute__((target("avx2"))) std::size_t GreyDifferenceAvx2(
    const std::uint8_t* __restrict bgr, const std::uint8_t* __restrict previous,
    std::uint8_t* __restrict current, std::uint8_t* __restrict mask, std::size_t pixels) {
    const __m256i threshold = _mm256_set1_epi8(CMotionDetector::kChangeThreshold);
    const __m256i zero = _mm256_setzero_si256();
    const __m256i ones = _mm256_set1_epi8(-1);
    std::size_t i = 0;
    for (; i + 32 <= pixels; i += 32) {
        const std::uint8_t* p = bgr + 3 * i;
        unsigned exact = 0;
        __m256i g = Grey32(p, &exact);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(current + i), g);
        if (exact != 0) {
            while (exact != 0) {
                const unsigned k = static_cast<unsigned>(__builtin_ctz(exact));
                exact &= exact - 1;
                current[i + k] = GreyOf(p[3 * k], p[3 * k + 1], p[3 * k + 2]);
            }
            g = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(current + i));
        }
        if (previous != nullptr) {
            const __m256i prev = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(previous + i));
            const __m256i diff =
                _mm256_or_si256(_mm256_subs_epu8(prev, g), _mm256_subs_epu8(g, prev));
            const __m256i still = _mm256_cmpeq_epi8(_mm256_subs_epu8(diff, threshold), zero);
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(mask + i),
                                _mm256_xor_si256(still, ones));
        }
    }
    return i;
}

bool HasAvx2() {
    return TAVELIN_CPU_FEATURE("avx2");
}
#endif

inline std::uint8_t Max(std::uint8_t a, std::uint8_t b) {
    return a > b ? a : b;
}

}  // namespace

void GreyDifference(const std::uint8_t* bgr, const std::uint8_t* previous, std::uint8_t* current,
                    std::uint8_t* mask, std::size_t pixels) {
    std::size_t done = 0;
#ifdef TAVELIN_HAVE_AVX2_KERNEL
    if (HasAvx2())
        done = GreyDifferenceAvx2(bgr, previous, current, mask, pixels);
#endif
    // The rest, and every pixel without AVX2, in plain code.
    reference::Grey(bgr + 3 * done, current + done, pixels - done);
    if (previous != nullptr)
        reference::Difference(previous + done, current + done, mask + done, pixels - done);
}

TAVELIN_VECTOR_CLONES
void RowMax3(const std::uint8_t* __restrict in, std::uint8_t* __restrict out, std::size_t w) {
    if (w == 1) {
        out[0] = in[0];
        return;
    }
    out[0] = Max(in[0], in[1]);
    const std::size_t end = w - 1;
    for (std::size_t x = 1; x < end; ++x)
        out[x] = Max(in[x - 1], Max(in[x], in[x + 1]));
    out[end] = Max(in[end - 1], in[end]);
}

TAVELIN_VECTOR_CLONES
void Max3(const std::uint8_t* __restrict a, const std::uint8_t* __restrict b,
          const std::uint8_t* __restrict c, std::uint8_t* __restrict out, std::size_t w) {
    for (std::size_t x = 0; x < w; ++x)
        out[x] = Max(a[x], Max(b[x], c[x]));
}

// On 0/255 bytes the AND of the four neighbours is 255 exactly when all are set.
TAVELIN_VECTOR_CLONES
void OutlineRow(const std::uint8_t* __restrict up, const std::uint8_t* __restrict row,
                const std::uint8_t* __restrict down, std::uint8_t* __restrict out, std::size_t w) {
    out[0] = row[0];
    const std::size_t end = w - 1;
    for (std::size_t x = 1; x < end; ++x) {
        out[x] = row[x] & static_cast<std::uint8_t>(~(up[x] & down[x] & row[x - 1] & row[x + 1]));
    }
    out[end] = row[end];
}

TAVELIN_VECTOR_CLONES
bool AnyNonZero(const std::uint8_t* __restrict p, std::size_t n) {
    std::uint8_t acc = 0;
    for (std::size_t i = 0; i < n; ++i)
        acc |= p[i];
    return acc != 0;
}

// With fx, fy < 100 the sum stays below 2^16, so 16-bit lanes hold it.
TAVELIN_VECTOR_CLONES
void BlendTaps(const std::uint8_t* __restrict a, const std::uint8_t* __restrict b,
               const std::uint8_t* __restrict c, const std::uint8_t* __restrict fx,
               std::uint16_t fy, std::uint8_t* __restrict out, std::size_t bytes) {
    const auto base = static_cast<std::uint16_t>(200 - fy);
    for (std::size_t k = 0; k < bytes; ++k) {
        const std::uint16_t f = fx[k];
        const auto sum = static_cast<std::uint16_t>(a[k] * (base - f) + b[k] * fy + c[k] * f);
        out[k] = static_cast<std::uint8_t>(sum / 200);
    }
}

}  // namespace tavelin::motion
