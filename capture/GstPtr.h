#pragma once
// Owning handles for GStreamer and GLib objects, each a Handle (core/Handle.h) over
// the matching unref/free call, so no early return can leak a reference.
//
// Elements made by a factory or a device start with a floating reference; Adopt()
// sinks it, so a handle always holds one plain reference of its own and a bin that
// takes the element adds its own.

#include <gst/gst.h>

#include "core/Handle.h"

namespace tavelin {

// The release calls GStreamer defines as static inline functions, given external
// linkage so that every file names the same handle type.
namespace gst_release {
inline void UnrefCaps(GstCaps* caps) {
    gst_caps_unref(caps);
}
inline void UnrefMessage(GstMessage* message) {
    gst_message_unref(message);
}
inline void UnrefBuffer(GstBuffer* buffer) {
    gst_buffer_unref(buffer);
}
inline void UnrefSample(GstSample* sample) {
    gst_sample_unref(sample);
}
// A GList of GstObjects (devices from a monitor, factories from the registry).
inline void FreeObjectList(GList* list) {
    g_list_free_full(list, gst_object_unref);
}
}  // namespace gst_release

template <class T>
using GstObjectPtr = Handle<T, gst_object_unref>;

using GstElementPtr = GstObjectPtr<GstElement>;
using GstPadPtr = GstObjectPtr<GstPad>;
using GstBusPtr = GstObjectPtr<GstBus>;
using GstClockPtr = GstObjectPtr<GstClock>;
using GstDevicePtr = GstObjectPtr<GstDevice>;
using GstDeviceMonitorPtr = GstObjectPtr<GstDeviceMonitor>;
using GstElementFactoryPtr = GstObjectPtr<GstElementFactory>;

using GstCapsPtr = Handle<GstCaps, gst_release::UnrefCaps>;
using GstMessagePtr = Handle<GstMessage, gst_release::UnrefMessage>;
using GstBufferPtr = Handle<GstBuffer, gst_release::UnrefBuffer>;
using GstSamplePtr = Handle<GstSample, gst_release::UnrefSample>;
using GstStructurePtr = Handle<GstStructure, gst_structure_free>;
using GstIteratorPtr = Handle<GstIterator, gst_iterator_free>;
using GstObjectListPtr = Handle<GList, gst_release::FreeObjectList>;
using GCharPtr = Handle<gchar, g_free>;
using GErrorPtr = Handle<GError, g_error_free>;

// Takes over a reference that may be floating (fresh elements, pipelines).
template <class T>
GstObjectPtr<T> Adopt(T* object) {
    if (object != nullptr)
        gst_object_ref_sink(object);
    return GstObjectPtr<T>(object);
}

// Adds a reference for a handle of one's own.
template <class T>
GstObjectPtr<T> Share(T* object) {
    if (object != nullptr)
        gst_object_ref(object);
    return GstObjectPtr<T>(object);
}

}  // namespace tavelin
