#include <algorithm>
#include <cstring>

#include "core/MotionDetector.h"
#include "core/MotionKernels.h"

// Plain per-pixel loops, written for reading. Grey and Difference are also the
// fast pass's code for the pixels its vector loop leaves over, and for
// processors without AVX2.

namespace tavelin::reference {

namespace {

constexpr std::uint8_t kSet = 255;

}  // namespace

void Grey(const std::uint8_t* __restrict bgr, std::uint8_t* __restrict grey, std::size_t pixels) {
    for (std::size_t i = 0; i < pixels; ++i) {
        const std::uint8_t* p = bgr + 3 * i;
        grey[i] = GreyOf(p[0], p[1], p[2]);
    }
}

void Difference(const std::uint8_t* __restrict previous, const std::uint8_t* __restrict current,
                std::uint8_t* __restrict mask, std::size_t pixels) {
    for (std::size_t i = 0; i < pixels; ++i) {
        const unsigned a = previous[i];
        const unsigned b = current[i];
        const unsigned d = a > b ? a - b : b - a;
        mask[i] = d > CMotionDetector::kChangeThreshold ? kSet : 0;
    }
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

void RowMax3(const std::uint8_t* in, std::uint8_t* out, std::size_t w) {
    for (std::size_t x = 0; x < w; ++x) {
        const std::size_t first = x > 0 ? x - 1 : 0;
        const std::size_t last = std::min(x + 1, w - 1);
        out[x] = *std::max_element(in + first, in + last + 1);
    }
}

void Max3(const std::uint8_t* a, const std::uint8_t* b, const std::uint8_t* c, std::uint8_t* out,
          std::size_t w) {
    for (std::size_t x = 0; x < w; ++x)
        out[x] = std::max({a[x], b[x], c[x]});
}

void OutlineRow(const std::uint8_t* up, const std::uint8_t* row, const std::uint8_t* down,
                std::uint8_t* out, std::size_t w) {
    for (std::size_t x = 0; x < w; ++x) {
        const bool end = x == 0 || x + 1 == w;
        const bool inside =
            !end && up[x] == kSet && down[x] == kSet && row[x - 1] == kSet && row[x + 1] == kSet;
        out[x] = end ? row[x] : (row[x] == kSet && !inside ? kSet : 0);
    }
}

bool AnyNonZero(const std::uint8_t* p, std::size_t n) {
    return std::any_of(p, p + n, [](std::uint8_t v) { return v != 0; });
}

void BlendTaps(const std::uint8_t* a, const std::uint8_t* b, const std::uint8_t* c,
               const std::uint8_t* fx, std::uint16_t fy, std::uint8_t* out, std::size_t bytes) {
    for (std::size_t k = 0; k < bytes; ++k) {
        const int sum = a[k] * (200 - fx[k] - fy) + b[k] * fy + c[k] * fx[k];
        out[k] = static_cast<std::uint8_t>(sum / 200);
    }
}

}  // namespace tavelin::reference
