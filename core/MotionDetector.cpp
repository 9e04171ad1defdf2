#include "MotionDetector.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <utility>

#include "VectorClones.h"

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define TAVELIN_HAVE_AVX2_KERNEL 1
#endif

namespace tavelin {

namespace {

constexpr std::uint8_t kSet = 255;

std::size_t PixelCount(int width, int height) {
    return static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
}

void GreyScalar(const std::uint8_t* __restrict bgr, std::uint8_t* __restrict grey,
                std::size_t pixels) {
    for (std::size_t i = 0; i < pixels; ++i) {
        const std::uint8_t* p = bgr + 3 * i;
        grey[i] = GreyOf(p[0], p[1], p[2]);
    }
}

void DifferenceScalar(const std::uint8_t* __restrict previous,
                      const std::uint8_t* __restrict current, std::uint8_t* __restrict mask,
                      std::size_t pixels) {
    for (std::size_t i = 0; i < pixels; ++i) {
        const unsigned a = previous[i];
        const unsigned b = current[i];
        const unsigned d = a > b ? a - b : b - a;
        mask[i] = d > CMotionDetector::kChangeThreshold ? kSet : 0;
    }
}

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
    static const bool has = [] {
        __builtin_cpu_init();
        return __builtin_cpu_supports("avx2") != 0;
    }();
    return has;
}
#endif

void GreyDifference(const std::uint8_t* bgr, const std::uint8_t* previous, std::uint8_t* current,
                    std::uint8_t* mask, std::size_t pixels) {
    std::size_t done = 0;
#ifdef TAVELIN_HAVE_AVX2_KERNEL
    if (HasAvx2())
        done = GreyDifferenceAvx2(bgr, previous, current, mask, pixels);
#endif
    GreyScalar(bgr + 3 * done, current + done, pixels - done);
    if (previous != nullptr) {
        DifferenceScalar(previous + done, current + done, mask + done, pixels - done);
    }
}

inline std::uint8_t Max(std::uint8_t a, std::uint8_t b) {
    return a > b ? a : b;
}

// out[x] = max of in[x-1 ... x+1] within the row.
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

// Outline of a 0/255 row: a set pixel stays set unless all four edge
// neighbours are set too.
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

// One output row of ScaleView from the gathered taps: (A (200 - fx - fy) + B fy +
// C fx) / 200 per byte; the sum stays below 2^16.
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

}  // namespace

void ConvertToGrey(const std::uint8_t* bgr, std::uint8_t* grey, std::size_t pixels) {
    GreyDifference(bgr, nullptr, grey, nullptr, pixels);
}

bool CMotionDetector::Init(int width, int height) {
    if (width < 0 || height < 0)
        return false;
    Release();
    const std::size_t n = PixelCount(width, height);
    const std::size_t rowBytes = static_cast<std::size_t>(width) * 3;
    try {
        regions_ = std::make_unique<RegionRecord[]>(kRegionCapacity);
        previousGrey_ = std::make_unique<std::uint8_t[]>(n);
        currentGrey_ = std::make_unique<std::uint8_t[]>(n);
        mask_ = std::make_unique<std::uint8_t[]>(n);
        dilated_ = std::make_unique<std::uint8_t[]>(n);
        rowMax_ = std::make_unique<std::uint8_t[]>(n);
        leftTap_.assign(static_cast<std::size_t>(width), 0);
        rightTap_.assign(static_cast<std::size_t>(width), 0);
        fxBytes_.assign(rowBytes, 0);
        // One spare byte: a gathered pixel is copied as four bytes.
        for (auto& g : gathered_)
            g.assign(rowBytes + 1, 0);
    } catch (const std::bad_alloc&) {
        Release();
        return false;
    }
    width_ = width;
    height_ = height;
    lastRegion_ = -1;
    firstFrame_ = true;
    initialised_ = true;
    return true;
}

void CMotionDetector::Release() {
    regions_.reset();
    previousGrey_.reset();
    currentGrey_.reset();
    mask_.reset();
    dilated_.reset();
    rowMax_.reset();
    std::vector<std::uint32_t>().swap(leftTap_);
    std::vector<std::uint32_t>().swap(rightTap_);
    std::vector<std::uint8_t>().swap(fxBytes_);
    for (auto& g : gathered_)
        std::vector<std::uint8_t>().swap(g);
    for (bool& v : gatheredValid_)
        v = false;
    width_ = 0;
    height_ = 0;
    lastRegion_ = -1;
    firstFrame_ = false;
    initialised_ = false;
}

bool CMotionDetector::Detect(const std::uint8_t* frame, std::size_t frameBytes) {
    const std::size_t n = PixelCount(width_, height_);
    if (!initialised_ || frame == nullptr || frameBytes != n * 3)
        return false;

    if (firstFrame_) {
        GreyDifference(frame, nullptr, currentGrey_.get(), nullptr, n);
        std::memcpy(previousGrey_.get(), currentGrey_.get(), n);
        firstFrame_ = false;
        return false;
    }
    GreyDifference(frame, previousGrey_.get(), currentGrey_.get(), mask_.get(), n);
    Dilate();
    Outline();
    ScanGrid();
    // The frame just processed becomes the one the next call compares with.
    std::swap(previousGrey_, currentGrey_);
    return true;
}

void CMotionDetector::Dilate() {
    const std::size_t w = static_cast<std::size_t>(width_);
    const std::size_t h = static_cast<std::size_t>(height_);
    if (w == 0 || h == 0)
        return;
    const std::uint8_t* in = mask_.get();
    std::uint8_t* rows = rowMax_.get();
    for (std::size_t y = 0; y < h; ++y)
        RowMax3(in + y * w, rows + y * w, w);
    // A missing row above or below is stood in for by the row itself, which
    // leaves the maximum unchanged.
    for (std::size_t y = 0; y < h; ++y) {
        const std::uint8_t* below = rows + (y > 0 ? y - 1 : y) * w;
        const std::uint8_t* above = rows + (y + 1 < h ? y + 1 : y) * w;
        Max3(below, rows + y * w, above, dilated_.get() + y * w, w);
    }
}

// The Laplacian (0 -1 0 / -1 4 -1 / 0 -1 0, border sums divided by the remaining
// weights, clamped to 0 ... 255) reduces on a 0/255 plane to: border pixels keep
// their value, inner pixels are set when set with at least one clear edge
// neighbour. The dilated difference is always such a plane.
void CMotionDetector::Outline() {
    const std::size_t w = static_cast<std::size_t>(width_);
    const std::size_t h = static_cast<std::size_t>(height_);
    if (w == 0 || h == 0)
        return;
    const std::uint8_t* d = dilated_.get();
    std::uint8_t* out = mask_.get();
    std::memcpy(out, d, w);
    if (h > 1)
        std::memcpy(out + (h - 1) * w, d + (h - 1) * w, w);
    for (std::size_t y = 1; y + 1 < h; ++y) {
        OutlineRow(d + (y - 1) * w, d + y * w, d + (y + 1) * w, out + y * w, w);
    }
}

void CMotionDetector::ScanGrid() {
    RegionRecord* records = regions_.get();
    std::memset(records, 0, kRegionsCleared * sizeof(RegionRecord));
    lastRegion_ = -1;
    const std::size_t w = static_cast<std::size_t>(width_);
    const std::size_t cellW = w / kGridCells;
    const std::size_t cellH = static_cast<std::size_t>(height_) / kGridCells;
    if (cellW == 0 || cellH == 0)
        return;
    const std::uint8_t* plane = mask_.get();

    for (std::size_t i = 0; i < kGridCells; ++i) {
        RegionRecord cell[kGridCells];
        bool found[kGridCells] = {};
        for (std::size_t k = i * cellH; k < (i + 1) * cellH; ++k) {
            const std::uint8_t* row = plane + k * w;
            // Most rows hold no outline at all.
            if (!AnyNonZero(row, kGridCells * cellW))
                continue;
            for (std::size_t j = 0; j < kGridCells; ++j) {
                const std::uint8_t* seg = row + j * cellW;
                if (!AnyNonZero(seg, cellW))
                    continue;
                std::size_t first = 0;
                while (first < cellW && seg[first] != kSet)
                    ++first;
                if (first == cellW)
                    continue;
                std::size_t last = cellW - 1;
                while (seg[last] != kSet)
                    --last;
                const auto c0 = static_cast<std::uint32_t>(j * cellW + first);
                const auto c1 = static_cast<std::uint32_t>(j * cellW + last);
                const auto r = static_cast<std::uint32_t>(k);
                if (!found[j]) {
                    found[j] = true;
                    cell[j] = RegionRecord{r, r, c0, c1};
                } else {
                    cell[j].firstCol = std::min(cell[j].firstCol, c0);
                    cell[j].lastCol = std::max(cell[j].lastCol, c1);
                    cell[j].lastRow = r;
                }
            }
        }
        for (std::size_t j = 0; j < kGridCells; ++j) {
            if (found[j])
                records[++lastRegion_] = cell[j];
        }
    }
}

const std::uint8_t* CMotionDetector::GatherRow(const std::uint8_t* source, std::size_t row,
                                               bool rightTap, unsigned& used) const {
    for (unsigned s = 0; s < 3; ++s) {
        if (gatheredValid_[s] && gatheredRow_[s] == row && gatheredRight_[s] == rightTap) {
            used |= 1u << s;
            return gathered_[s].data();
        }
    }
    unsigned slot = 0;
    while (used & (1u << slot))
        ++slot;  // at most two slots are in use
    used |= 1u << slot;
    gatheredValid_[slot] = true;
    gatheredRow_[slot] = row;
    gatheredRight_[slot] = rightTap;

    const std::size_t w = static_cast<std::size_t>(width_);
    const std::uint8_t* src = source + row * w * 3;
    const std::uint32_t* taps = rightTap ? rightTap_.data() : leftTap_.data();
    const std::size_t split = rightTap ? rightSplit_ : leftSplit_;
    std::uint8_t* out = gathered_[slot].data();
    // Four-byte copies while the tap is not the row's last pixel (the fourth
    // byte stays inside the frame and is overwritten by the next pixel).
    std::size_t j = 0;
    for (; j < split; ++j)
        std::memcpy(out + 3 * j, src + taps[j], 4);
    for (; j < w; ++j)
        std::memcpy(out + 3 * j, src + taps[j], 3);
    return out;
}

void CMotionDetector::ScaleView(const std::uint8_t* source, std::uint8_t* destination,
                                unsigned percent, unsigned x0, unsigned y0) const {
    if (!initialised_ || source == nullptr || destination == nullptr || width_ == 0 ||
        height_ == 0) {
        return;
    }
    const std::uint64_t w = static_cast<std::uint64_t>(width_);
    const std::uint64_t h = static_cast<std::uint64_t>(height_);
    const std::size_t rowBytes = static_cast<std::size_t>(w) * 3;

    bool anyFx = false;
    leftSplit_ = rightSplit_ = static_cast<std::size_t>(w);
    for (std::uint64_t j = 0; j < w; ++j) {
        const std::uint64_t t = std::uint64_t{percent} * j;
        const std::uint64_t sx = x0 + t / 100;
        const auto fx = static_cast<std::uint8_t>(t % 100);
        const std::uint64_t a = std::min(sx, w - 1);
        const std::uint64_t c = std::min(sx + 1, w - 1);
        leftTap_[j] = static_cast<std::uint32_t>(3 * a);
        rightTap_[j] = static_cast<std::uint32_t>(3 * c);
        if (a == w - 1 && leftSplit_ == w)
            leftSplit_ = static_cast<std::size_t>(j);
        if (c == w - 1 && rightSplit_ == w)
            rightSplit_ = static_cast<std::size_t>(j);
        fxBytes_[3 * j] = fxBytes_[3 * j + 1] = fxBytes_[3 * j + 2] = fx;
        anyFx = anyFx || fx != 0;
    }
    for (bool& v : gatheredValid_)
        v = false;

    for (std::uint64_t i = 0; i < h; ++i) {
        const std::uint64_t t = std::uint64_t{percent} * i;
        const std::uint64_t sy = y0 + t / 100;
        const auto fy = static_cast<std::uint16_t>(t % 100);
        const std::uint64_t rowA = std::min(sy, h - 1);
        const std::uint64_t rowB = std::min(sy + 1, h - 1);
        unsigned used = 0;
        const std::uint8_t* a = GatherRow(source, rowA, false, used);
        // A tap whose weight is zero for the whole row need not be gathered.
        const std::uint8_t* b = fy != 0 ? GatherRow(source, rowB, false, used) : a;
        const std::uint8_t* c = anyFx ? GatherRow(source, rowA, true, used) : a;
        BlendTaps(a, b, c, fxBytes_.data(), fy, destination + i * rowBytes, rowBytes);
    }
}

namespace reference {

void Grey(const std::uint8_t* bgr, std::uint8_t* grey, std::size_t pixels) {
    GreyScalar(bgr, grey, pixels);
}

void Difference(const std::uint8_t* previous, const std::uint8_t* current, std::uint8_t* mask,
                std::size_t pixels) {
    DifferenceScalar(previous, current, mask, pixels);
}

void Dilate(const std::uint8_t* in, std::uint8_t* out, int width, int height) {
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            std::uint8_t m = 0;
            for (int dy = -1; dy <= 1; ++dy) {
                for (int dx = -1; dx <= 1; ++dx) {
                    const int yy = y + dy;
                    const int xx = x + dx;
                    if (yy < 0 || yy >= height || xx < 0 || xx >= width)
                        continue;
                    m = std::max(m, in[static_cast<std::size_t>(yy) * width + xx]);
                }
            }
            out[static_cast<std::size_t>(y) * width + x] = m;
        }
    }
}

void Laplacian(const std::uint8_t* in, std::uint8_t* out, int width, int height) {
    static constexpr int kWeights[3][3] = {{0, -1, 0}, {-1, 4, -1}, {0, -1, 0}};
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            int sum = 0;
            int weights = 0;
            for (int dy = -1; dy <= 1; ++dy) {
                for (int dx = -1; dx <= 1; ++dx) {
                    const int yy = y + dy;
                    const int xx = x + dx;
                    if (yy < 0 || yy >= height || xx < 0 || xx >= width)
                        continue;
                    const int weight = kWeights[dy + 1][dx + 1];
                    sum += weight * in[static_cast<std::size_t>(yy) * width + xx];
                    weights += weight;
                }
            }
            if (weights != 0)
                sum /= weights;
            out[static_cast<std::size_t>(y) * width + x] =
                static_cast<std::uint8_t>(std::clamp(sum, 0, 255));
        }
    }
}

int ScanGrid(const std::uint8_t* mask, int width, int height, RegionRecord* regions) {
    std::memset(regions, 0, CMotionDetector::kRegionsCleared * sizeof(RegionRecord));
    int last = -1;
    const int cellW = width / CMotionDetector::kGridCells;
    const int cellH = height / CMotionDetector::kGridCells;
    for (int i = 0; i < CMotionDetector::kGridCells; ++i) {
        for (int j = 0; j < CMotionDetector::kGridCells; ++j) {
            bool first = true;
            for (int k = i * cellH; k < (i + 1) * cellH; ++k) {
                for (int l = j * cellW; l < (j + 1) * cellW; ++l) {
                    if (mask[static_cast<std::size_t>(k) * width + l] != kSet)
                        continue;
                    const auto r = static_cast<std::uint32_t>(k);
                    const auto c = static_cast<std::uint32_t>(l);
                    if (first) {
                        first = false;
                        regions[++last] = RegionRecord{r, r, c, c};
                    } else {
                        RegionRecord& rec = regions[last];
                        rec.firstCol = std::min(rec.firstCol, c);
                        rec.lastCol = std::max(rec.lastCol, c);
                        rec.lastRow = r;
                    }
                }
            }
        }
    }
    return last;
}

void ScaleView(const std::uint8_t* source, std::uint8_t* destination, int width, int height,
               unsigned percent, unsigned x0, unsigned y0) {
    const std::uint64_t w = static_cast<std::uint64_t>(width);
    const std::uint64_t h = static_cast<std::uint64_t>(height);
    for (std::uint64_t i = 0; i < h; ++i) {
        for (std::uint64_t j = 0; j < w; ++j) {
            const std::uint64_t sy = y0 + std::uint64_t{percent} * i / 100;
            const std::uint64_t fy = std::uint64_t{percent} * i % 100;
            const std::uint64_t sx = x0 + std::uint64_t{percent} * j / 100;
            const std::uint64_t fx = std::uint64_t{percent} * j % 100;
            const std::uint64_t ay = std::min(sy, h - 1);
            const std::uint64_t ax = std::min(sx, w - 1);
            const std::uint64_t by = std::min(sy + 1, h - 1);
            const std::uint64_t cx = std::min(sx + 1, w - 1);
            for (int ch = 0; ch < 3; ++ch) {
                const std::uint64_t a = source[(ay * w + ax) * 3 + ch];
                const std::uint64_t b = source[(by * w + ax) * 3 + ch];
                const std::uint64_t c = source[(ay * w + cx) * 3 + ch];
                destination[(i * w + j) * 3 + ch] =
                    static_cast<std::uint8_t>((a * (200 - fx - fy) + b * fy + c * fx) / 200);
            }
        }
    }
}

}  // namespace reference

}  // namespace tavelin
