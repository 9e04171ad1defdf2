#pragma once
// Overlays drawn straight into a frame's bytes (bottom-up BGR rows, see FrameFormat.h), so
// every displayed and saved picture carries them: the tracking badge with its count, the
// timer-shot countdown and the date and time. Every routine clips to the frame.

#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>
#include <vector>

namespace tavelin {

// 3 bytes a pixel (blue, green, red), rows packed; row 0 is drawn to the lowest frame row
// the picture covers, so the loader stores the picture in the frame's row order.
struct OverlayPicture {
    int width = 0, height = 0;
    std::vector<std::uint8_t> pixels;

    // Sizes positive and enough pixel bytes for them.
    bool valid() const;
};

struct CountdownState {
    float timedShotElapsed;     // seconds since the countdown began
    std::int32_t timerSeconds;  // length of the countdown
};

// Draws `text` in pure red with the segment font; the first glyph's top-left cell lands on
// column x, frame row y, and the glyph rows run down the screen to frame row y - 16.
// Characters the font lacks keep their place but draw nothing.
void DrawGlyphText(std::uint8_t* frame, std::string_view text, int x, int y, int width, int height);

// The badge picture 18 columns from the left, 66 ... 101 rows below the top edge, leaving out
// its magenta key pixels, and the count beside it.
void DrawBadge(std::uint8_t* frame, int width, int height, const OverlayPicture& badge,
               std::int32_t objectCount);

// Countdown (camera icon and MM:SS) when timedShotActive, then the date and time when
// showDateTime.
void DrawOverlays(bool showDateTime, bool timedShotActive, std::uint8_t* frame, int width,
                  int height, const OverlayPicture& cameraIcon, const CountdownState& countdown,
                  const std::tm& now);

// The pieces of DrawOverlays, for tests and callers that want the text itself.
// Remaining time as "MM;SS" (";" is the font's colon), elapsed rounded half to even.
std::string CountdownText(const CountdownState& countdown);
// The countdown is hidden in its last second so the shot itself does not show it.
bool CountdownVisible(const CountdownState& countdown);
// "YYYY:MM:DD<hh;mm;ss", which the font shows as YYYY-MM-DD hh:mm:ss.
std::string DateTimeText(const std::tm& now);

}  // namespace tavelin
