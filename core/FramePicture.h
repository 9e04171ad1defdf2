#pragma once
// A copy of a shown picture, for whoever sends it elsewhere (a notification, a broker):
// bottom-up BGR rows, three bytes a pixel, as the frame step works on them.

#include <cstdint>
#include <vector>

namespace tavelin {

struct FramePicture {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> bgr;

    bool empty() const { return width <= 0 || height <= 0; }
    void Assign(const std::uint8_t* picture, int w, int h) {
        width = w;
        height = h;
        bgr.assign(picture, picture + static_cast<std::size_t>(w) * h * 3);
    }
};

}  // namespace tavelin
