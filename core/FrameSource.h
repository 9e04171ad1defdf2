#pragma once
// What the frame step needs of the camera: a frame on request, the buffer it was
// copied into, and a way to rebuild the preview when the camera is lost.

#include <cstdint>
#include <string>

namespace tavelin {

class IFrameSource {
public:
    virtual ~IFrameSource() = default;

    // Asks for the next frame and waits for it; true when the wait gave up
    // (deviceLost() is then set).
    virtual bool WaitForNewFrame() = 0;

    // The frame buffer (bottom-up BGR rows of width() x height()), or null before the
    // first frame. Between waits it belongs to the caller, which draws overlays into it
    // in place. frameCapacity() is what is allocated, sampleBytes() what the last
    // copied frame filled; a camera that ignores the requested size makes the latter
    // differ from width() * height() * 3.
    virtual std::uint8_t* frame() = 0;
    virtual std::int32_t frameCapacity() const = 0;
    virtual std::int32_t sampleBytes() const = 0;

    // Size the current graph was built for; 0 when there is none.
    virtual int width() const = 0;
    virtual int height() const = 0;

    // The graph stopped delivering (the wait gave up) or, while recording, failed:
    // it must be rebuilt.
    virtual bool deviceLost() const = 0;
    // When a recording failed because of its file, the cause in words for the user.
    virtual std::string failureCause() const { return {}; }
    // The loss was the camera's own: no frame within the wait, or an error the camera
    // itself reported. A recording then ended for the camera's sake, not the encoder's.
    virtual bool cameraStopped() const { return false; }

    // Stops and releases the graph, then frees the frame buffer. Safe at any time.
    virtual void Teardown() = 0;
    virtual bool BuildPreviewGraph(int width, int height) = 0;
};

}  // namespace tavelin
