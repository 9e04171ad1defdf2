#include "core/Overlays.h"

#include <algorithm>
#include <bit>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "core/FrameFormat.h"
#include "core/GlyphFont.h"

namespace tavelin {
namespace {

// Fixed places: columns from the left edge, rows as the distance below the top edge
// (frame rows count upwards, so frame row = height - distance).
constexpr int kBadgeLeft = 18;
constexpr int kBadgeBottomFromTop = 102;  // picture row 0 lands H - 102
constexpr int kCountLeft = 59;
constexpr int kCountTopFromTop = 77;
constexpr int kIconLeft = 16;
constexpr int kIconBottomFromTop = 62;
constexpr int kCountdownLeft = 59;
constexpr int kCountdownTopFromTop = 42;
constexpr int kDateLeft = 16;
constexpr int kDateTopFromTop = 16;

// Badge key colour: magenta within a few steps.
bool IsBadgeKey(const std::uint8_t* bgr) {
    return bgr[0] >= 250 && bgr[1] <= 4 && bgr[2] >= 251;
}

// Copies `picture` with its row 0 on frame row `bottom` and column 0 on frame column `left`,
// clipped to the frame. Keyed copies leave the badge's key pixels out.
void BlitPicture(std::uint8_t* frame, int width, int height, const OverlayPicture& picture,
                 long long left, long long bottom, bool keyed) {
    if (!picture.valid())
        return;
    const long long c0 = std::max(0LL, -left);
    const long long c1 = std::min<long long>(picture.width, width - left);
    const long long j0 = std::max(0LL, -bottom);
    const long long j1 = std::min<long long>(picture.height, height - bottom);
    if (c0 >= c1 || j0 >= j1)
        return;

    const std::size_t frameStride = static_cast<std::size_t>(width) * kBytesPerPixel;
    const std::size_t pictureStride = static_cast<std::size_t>(picture.width) * kBytesPerPixel;
    const std::size_t count = static_cast<std::size_t>(c1 - c0);
    for (long long j = j0; j < j1; ++j) {
        const std::uint8_t* src = picture.pixels.data() +
                                  static_cast<std::size_t>(j) * pictureStride +
                                  static_cast<std::size_t>(c0) * kBytesPerPixel;
        std::uint8_t* dst = frame + static_cast<std::size_t>(bottom + j) * frameStride +
                            static_cast<std::size_t>(left + c0) * kBytesPerPixel;
        if (!keyed) {
            std::memcpy(dst, src, count * kBytesPerPixel);
            continue;
        }
        for (std::size_t c = 0; c < count; ++c, src += kBytesPerPixel, dst += kBytesPerPixel) {
            if (IsBadgeKey(src))
                continue;
            dst[0] = src[0];
            dst[1] = src[1];
            dst[2] = src[2];
        }
    }
}

}  // namespace

bool OverlayPicture::valid() const {
    return width > 0 && height > 0 &&
           pixels.size() / kBytesPerPixel / static_cast<std::size_t>(width) >=
               static_cast<std::size_t>(height);
}

void DrawGlyphText(std::uint8_t* frame, std::string_view text, int x, int y, int width,
                   int height) {
    if (frame == nullptr || width <= 0 || height <= 0 || text.empty())
        return;
    if (y >= height || x >= width || y < 0)
        return;  // y < 0: every glyph row is below the frame

    // Rows y, y - 1, ... y - 16, as far as the bottom of the frame allows.
    const int lastRow = std::min(kGlyphHeight - 1, y);
    const std::size_t stride = static_cast<std::size_t>(width) * kBytesPerPixel;
    long long left = x;
    for (std::size_t d = 0; d < text.size() && left < width; ++d, left += kGlyphAdvance) {
        const int glyph = GlyphIndex(text[d]);
        if (glyph < 0 || left + kGlyphWidth <= 0)
            continue;

        // Columns of the cell that fall inside the frame, as a mask over the glyph row.
        unsigned clip = (1u << kGlyphWidth) - 1;
        if (left < 0)
            clip &= ~((1u << -left) - 1);
        if (left + kGlyphWidth > width)
            clip &= (1u << (width - left)) - 1;

        for (int r = 0; r <= lastRow; ++r) {
            unsigned mask = GlyphRowMask(glyph, r) & clip;
            std::uint8_t* row = frame + static_cast<std::size_t>(y - r) * stride;
            while (mask != 0) {
                const int q = std::countr_zero(mask);
                mask &= mask - 1;
                std::uint8_t* px = row + static_cast<std::size_t>(left + q) * kBytesPerPixel;
                px[0] = 0;
                px[1] = 0;
                px[2] = 255;
            }
        }
    }
}

void DrawBadge(std::uint8_t* frame, int width, int height, const OverlayPicture& badge,
               std::int32_t objectCount) {
    if (frame == nullptr || width <= 0 || height <= 0)
        return;
    BlitPicture(frame, width, height, badge, kBadgeLeft,
                static_cast<long long>(height) - kBadgeBottomFromTop, true);
    char text[16];
    std::snprintf(text, sizeof text, "%d", static_cast<int>(objectCount));
    DrawGlyphText(frame, text, kCountLeft, height - kCountTopFromTop, width, height);
}

std::string CountdownText(const CountdownState& countdown) {
    // Whole seconds elapsed, rounded as printf's "%.0f" rounds (half to even), and kept in
    // range so the subtraction below cannot overflow.
    const double rounded = std::nearbyint(static_cast<double>(countdown.timedShotElapsed));
    long long elapsed = 0;
    if (rounded >= static_cast<double>(INT_MAX)) {
        elapsed = INT_MAX;
    } else if (rounded <= static_cast<double>(INT_MIN)) {
        elapsed = INT_MIN;
    } else if (!std::isnan(rounded)) {
        elapsed = static_cast<long long>(rounded);
    }
    const long long remaining = countdown.timerSeconds - elapsed;
    char text[48];
    std::snprintf(text, sizeof text, "%02lld;%02lld", remaining / 60, remaining % 60);
    return text;
}

bool CountdownVisible(const CountdownState& countdown) {
    const long long lastSecond = static_cast<long long>(countdown.timerSeconds) - 1;
    return static_cast<float>(lastSecond) > countdown.timedShotElapsed;
}

std::string DateTimeText(const std::tm& now) {
    // Formatted by hand rather than strftime: no locale, and out-of-range fields print as
    // numbers instead of whatever the C library makes of them.
    char text[96];
    std::snprintf(text, sizeof text, "%04lld:%02lld:%02d<%02d;%02d;%02d",
                  static_cast<long long>(now.tm_year) + 1900,
                  static_cast<long long>(now.tm_mon) + 1, now.tm_mday, now.tm_hour, now.tm_min,
                  now.tm_sec);
    return text;
}

void DrawOverlays(bool showDateTime, bool timedShotActive, std::uint8_t* frame, int width,
                  int height, const OverlayPicture& cameraIcon, const CountdownState& countdown,
                  const std::tm& now) {
    if (frame == nullptr || width <= 0 || height <= 0)
        return;
    if (timedShotActive && CountdownVisible(countdown)) {
        BlitPicture(frame, width, height, cameraIcon, kIconLeft,
                    static_cast<long long>(height) - kIconBottomFromTop, false);
        DrawGlyphText(frame, CountdownText(countdown), kCountdownLeft,
                      height - kCountdownTopFromTop, width, height);
    }
    if (showDateTime) {
        DrawGlyphText(frame, DateTimeText(now), kDateLeft, height - kDateTopFromTop, width, height);
    }
}

}  // namespace tavelin
