#include "core/MotionDetector.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <utility>

#include "core/MotionKernels.h"

namespace tavelin {

namespace {

constexpr std::uint8_t kSet = 255;

std::size_t PixelCount(int width, int height) {
    return static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
}

}  // namespace

void ConvertToGrey(const std::uint8_t* bgr, std::uint8_t* grey, std::size_t pixels) {
    motion::GreyDifference(bgr, nullptr, grey, nullptr, pixels);
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
        motion::GreyDifference(frame, nullptr, currentGrey_.get(), nullptr, n);
        std::memcpy(previousGrey_.get(), currentGrey_.get(), n);
        firstFrame_ = false;
        return false;
    }
    motion::GreyDifference(frame, previousGrey_.get(), currentGrey_.get(), mask_.get(), n);
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
        motion::RowMax3(in + y * w, rows + y * w, w);
    // A missing row above or below is stood in for by the row itself, which
    // leaves the maximum unchanged.
    for (std::size_t y = 0; y < h; ++y) {
        const std::uint8_t* below = rows + (y > 0 ? y - 1 : y) * w;
        const std::uint8_t* above = rows + (y + 1 < h ? y + 1 : y) * w;
        motion::Max3(below, rows + y * w, above, dilated_.get() + y * w, w);
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
        motion::OutlineRow(d + (y - 1) * w, d + y * w, d + (y + 1) * w, out + y * w, w);
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
            if (!motion::AnyNonZero(row, kGridCells * cellW))
                continue;
            for (std::size_t j = 0; j < kGridCells; ++j) {
                const std::uint8_t* seg = row + j * cellW;
                if (!motion::AnyNonZero(seg, cellW))
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
        motion::BlendTaps(a, b, c, fxBytes_.data(), fy, destination + i * rowBytes, rowBytes);
    }
}

}  // namespace tavelin
