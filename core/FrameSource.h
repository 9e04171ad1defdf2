#pragma once
// What the frame step needs of the camera: a frame on request, the buffer it was
// copied into, and a way to rebuild the preview when the camera is lost.

#include <cstdint>
#include <string>

namespace tavelin {

class IFrameSource {
public:
    virtual ~IFrameSource() = default;

    // Never waits. True when a frame has been copied into the buffer since the last
    // RequestNewFrame(); the buffer is then the caller's until it calls RequestNewFrame()
    // again. When no frame has come for a limit of about 1.5 s since the request,
    // deviceLost() turns true, judged on the clock; an error of the camera branch, seen
    // from the main loop, sets it at once.
    virtual bool TakeNewFrame() = 0;
    // Gives the buffer back: the next frame the camera delivers is copied into it.
    virtual void RequestNewFrame() = 0;

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

    // The camera stopped delivering or its branch failed: the graph must be rebuilt.
    virtual bool deviceLost() const = 0;
    // When the last thing that failed was a file (no space, no permission, a name taken),
    // the cause in words for the user; empty for any other failure.
    virtual std::string failureCause() const { return {}; }
    // The loss was the camera's own: no frame within the limit, or an error the camera
    // itself reported (and not an element after it).
    virtual bool cameraStopped() const { return false; }

    // Stops and releases the graph (a file is finished first, as the program ends), then
    // frees the frame buffer. Safe at any time.
    virtual void Teardown() = 0;
    // The camera branch at this size with the preview's hand-off, playing. A graph that
    // already runs the chosen camera at this size is kept as it is (true); otherwise it is
    // torn down and built again. False after a full teardown when no camera can start.
    virtual bool BuildPreviewGraph(int width, int height) = 0;
};

}  // namespace tavelin
