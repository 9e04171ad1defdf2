#pragma once
// Small helpers for putting pipelines together: elements by factory name, the
// n-th pad of a direction, the grabber's caps, and what a camera delivers.

#include <gst/gst.h>

#include <initializer_list>

#include "capture/GstPtr.h"

namespace tavelin {

// A new element with a plain (sunk) reference, or null when the factory is missing.
GstElementPtr MakeElement(const char* factory, const char* name = nullptr);

// The n-th pad (from 0) of `element` with the given direction, counting only pads
// of that direction, in the element's pad order; null when there is none.
GstPadPtr GetPin(GstElement* element, GstPadDirection direction, int n);
inline GstPadPtr GetInPin(GstElement* element, int n) {
    return GetPin(element, GST_PAD_SINK, n);
}
inline GstPadPtr GetOutPin(GstElement* element, int n) {
    return GetPin(element, GST_PAD_SRC, n);
}

// video/x-raw, format=BGR, width, height: what the grabber takes from a camera
// whose own format it cannot convert.
GstCapsPtr BgrCaps(int width, int height);
// video/x-raw of the given format; width and height left open when 0.
GstCapsPtr RawCaps(const char* format, int width, int height);

// Whether the camera's first output can give raw frames of `format` ("YUY2"); the
// camera must be at least READY.
bool CameraOffersFormat(GstElement* camera, const char* format);

enum class CameraOutput {
    Raw,          // some raw format: a converter is enough
    Jpeg,         // only MJPEG: a JPEG decoder goes first
    Unsupported,  // nothing this program can decode
};

// Looks at the caps the camera's first output offers; the camera must be at least
// READY so that they are the device's own.
CameraOutput ProbeCameraOutput(GstElement* camera);

// Links a->b->c... in order; false at the first link that fails.
bool LinkChain(std::initializer_list<GstElement*> chain);

// from -> a new pad of `to` made from `padTemplate` ("video_%u" of a muxer); the pad is
// given back on failure, since an input left unfed would make the muxer wait forever.
bool LinkToRequestPad(GstElement* from, GstElement* to, const char* padTemplate);

}  // namespace tavelin
