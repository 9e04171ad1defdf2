#pragma once
// Frame buffer layout, the capture size table and the monitor mode code.
//
// A frame is width x height pixels of 3 bytes (blue, green, red), rows bottom-up
// (memory row 0 is the bottom row on screen), no row padding: byte for byte the
// pixel data of a 24-bit bottom-up BMP.

#include <array>
#include <cstddef>
#include <cstdint>

namespace tavelin {

constexpr int kBytesPerPixel = 3;

constexpr std::size_t FrameBytes(int width, int height) {
    return width > 0 && height > 0
               ? static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * kBytesPerPixel
               : 0;
}

// One row of the capture size table: the button that picks it, the size the
// picture is shown at, the size the camera is asked for, and whether every
// frame is enlarged 2x to get from one to the other.
struct CaptureSize {
    int buttonId;
    int shownWidth;
    int shownHeight;
    int cameraWidth;
    int cameraHeight;
    bool enlarge;
};

// Rows 4 and 5 carry crossed button ids: 1005 is 1600x1200, 1004 is 1280x960.
inline constexpr std::array<CaptureSize, 6> kCaptureSizes{{
    {1000, 320, 240, 320, 240, false},
    {1001, 320, 240, 320, 240, false},
    {1002, 640, 480, 640, 480, false},
    {1003, 800, 600, 800, 600, false},
    {1005, 1600, 1200, 800, 600, true},
    {1004, 1280, 960, 640, 480, true},
}};

// Row of the table for a size button id, or -1.
constexpr int SizeIndexForButton(int buttonId) {
    for (std::size_t i = 0; i < kCaptureSizes.size(); ++i) {
        if (kCaptureSizes[i].buttonId == buttonId)
            return static_cast<int>(i);
    }
    return -1;
}

// The size the camera delivers for a shown size: half of it for the enlarged rows.
struct CameraSize {
    int width;
    int height;
};
constexpr CameraSize CameraSizeForShown(int shownWidth, int shownHeight) {
    for (const CaptureSize& row : kCaptureSizes) {
        if (row.shownWidth == shownWidth && row.shownHeight == shownHeight)
            return {row.cameraWidth, row.cameraHeight};
    }
    return {shownWidth, shownHeight};
}

// The row a recording falls back to from an enlarged size: the camera's 640 x 480.
constexpr int kRecordingFallbackSize = 2;

// The monitor functions run only below this shown width (and never enlarged).
constexpr int kMonitorMaxWidth = 800;

// Monitor mode code: the sum of zoom scan (2), motion detection with alarm (3)
// and object tracking (4). 0 is "nothing chosen", 255 "not set yet".
constexpr std::uint8_t kModeZoom = 2;
constexpr std::uint8_t kModeDetect = 3;
constexpr std::uint8_t kModeTrack = 4;
constexpr std::uint8_t kModeUnset = 255;

constexpr bool ModeHasZoom(std::uint8_t m) {
    return m == 2 || m == 5 || m == 6 || m == 9;
}
constexpr bool ModeHasDetection(std::uint8_t m) {
    return m == 3 || m == 5 || m == 7 || m == 9;
}
constexpr bool ModeHasTracking(std::uint8_t m) {
    return m == 4 || m == 6 || m == 7 || m == 9;
}

constexpr std::uint8_t ModeFromChoices(bool scan, bool still, bool alarm) {
    return static_cast<std::uint8_t>(2 * scan + 4 * still + 3 * alarm);
}

}  // namespace tavelin
