#pragma once
// Motion detector: compares each frame with the one passed before it and reports
// where the picture changed, as boxes on a fixed 8 x 8 grid of cells.
//
// Pipeline per frame, all on planes of width x height bytes allocated by Init:
// grey conversion, difference against the previous grey frame (threshold 60),
// 3 x 3 dilation, 3 x 3 Laplacian (keeps the outlines of the changed areas) and
// a grid scan that turns outline pixels into one box per cell.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace tavelin {

// Bounding box of the outline pixels found in one grid cell (frame rows count
// from the bottom).
struct RegionRecord {
    std::uint32_t firstRow;
    std::uint32_t lastRow;
    std::uint32_t firstCol;
    std::uint32_t lastCol;
};

// The detector's grey value of one pixel (bytes blue, green, red). The
// double-precision sum in this order, truncated, is the definition; the fast
// conversions below must match it for every colour.
inline std::uint8_t GreyOf(std::uint8_t b, std::uint8_t g, std::uint8_t r) {
    return static_cast<std::uint8_t>(b * 0.114 + g * 0.587 + r * 0.299);
}

// Grey values of `pixels` BGR pixels, bit-exact with GreyOf, vectorised where
// the processor allows.
void ConvertToGrey(const std::uint8_t* bgr, std::uint8_t* grey, std::size_t pixels);

class CMotionDetector {
public:
    static constexpr int kGridCells = 8;         // cells per row and per column
    static constexpr int kRegionCapacity = 256;  // records held
    static constexpr int kRegionsCleared = 64;   // records a scan can produce
    static constexpr int kChangeThreshold = 60;  // largest grey difference that is no change

    CMotionDetector() = default;
    CMotionDetector(const CMotionDetector&) = delete;
    CMotionDetector& operator=(const CMotionDetector&) = delete;

    // Allocates the planes for frames of width x height. False, with nothing
    // changed, when either is negative (or memory runs out, which releases).
    bool Init(int width, int height);
    void Release();

    // One frame of width() x height() BGR pixels (frameBytes must be exactly
    // width() * height() * 3). True when it was compared with the previous frame
    // and the region list rebuilt; false when not initialised, for a null or
    // wrongly sized frame (nothing is touched then) and for the priming frame
    // right after Init.
    bool Detect(const std::uint8_t* frame, std::size_t frameBytes);

    // Resamples the window of the frame that starts at column x0, row y0 and
    // covers `percent` % of its width and height to the full frame size, with a
    // three-tap interpolation. Both buffers hold width() x height() BGR pixels.
    // Positions past the right or top edge take the nearest pixel inside.
    void ScaleView(const std::uint8_t* source, std::uint8_t* destination, unsigned percent,
                   unsigned x0, unsigned y0) const;

    int width() const { return width_; }
    int height() const { return height_; }
    int lastRegion() const { return lastRegion_; }
    const RegionRecord* regions() const { return regions_.get(); }
    bool initialised() const { return initialised_; }
    bool primed() const { return !firstFrame_; }

    // The planes (width() x height() bytes each, null when not initialised).
    // After a comparison previousGrey() holds the frame just passed in, mask() the
    // outline plane the grid scan read and dilated() the dilated difference.
    const std::uint8_t* previousGrey() const { return previousGrey_.get(); }
    const std::uint8_t* currentGrey() const { return currentGrey_.get(); }
    const std::uint8_t* mask() const { return mask_.get(); }
    const std::uint8_t* dilated() const { return dilated_.get(); }

private:
    using Plane = std::unique_ptr<std::uint8_t[]>;

    void Dilate();
    void Outline();
    void ScanGrid();

    // A source row gathered through one of the column tables (rightTap: the C
    // taps, else the A taps). Cached in three slots; `used` marks the slots the
    // current output row still needs.
    const std::uint8_t* GatherRow(const std::uint8_t* source, std::size_t row, bool rightTap,
                                  unsigned& used) const;

    int width_ = 0;
    int height_ = 0;
    bool initialised_ = false;
    bool firstFrame_ = false;
    int lastRegion_ = -1;
    std::unique_ptr<RegionRecord[]> regions_;
    Plane previousGrey_;
    Plane currentGrey_;
    Plane mask_;
    Plane dilated_;
    Plane rowMax_;  // horizontal pass of the dilation

    // ScaleView's per-call tables, allocated by Init so a call allocates nothing.
    mutable std::vector<std::uint32_t> leftTap_;   // byte offset of A's column, per column
    mutable std::vector<std::uint32_t> rightTap_;  // byte offset of C's column
    mutable std::vector<std::uint8_t> fxBytes_;    // fx per output byte
    mutable std::size_t leftSplit_ = 0;            // first column whose A tap is the last pixel
    mutable std::size_t rightSplit_ = 0;
    mutable std::vector<std::uint8_t> gathered_[3];
    mutable std::size_t gatheredRow_[3] = {};
    mutable bool gatheredRight_[3] = {};
    mutable bool gatheredValid_[3] = {};
};

// The plain per-pixel versions the fast passes are checked against (Grey and
// Difference also finish the grey pass where its vector loop stops).
namespace reference {

void Grey(const std::uint8_t* bgr, std::uint8_t* grey, std::size_t pixels);
void Difference(const std::uint8_t* previous, const std::uint8_t* current, std::uint8_t* mask,
                std::size_t pixels);
void Dilate(const std::uint8_t* in, std::uint8_t* out, int width, int height);
void Laplacian(const std::uint8_t* in, std::uint8_t* out, int width, int height);
// Returns lastRegion; fills records 0 ... lastRegion of `regions` (64 cleared).
int ScanGrid(const std::uint8_t* mask, int width, int height, RegionRecord* regions);
// Nearest pixel inside the frame for taps past the right or top edge.
void ScaleView(const std::uint8_t* source, std::uint8_t* destination, int width, int height,
               unsigned percent, unsigned x0, unsigned y0);

}  // namespace reference

}  // namespace tavelin
