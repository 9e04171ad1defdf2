#pragma once
// Owning handles for GStreamer and GLib objects. Every handle releases its object
// with the matching unref/free call, so no early return can leak a reference.
//
// Elements made by a factory or a device start with a floating reference; Adopt()
// sinks it, so a handle always holds one plain reference of its own and a bin that
// takes the element adds its own.

#include <gst/gst.h>

#include <memory>

namespace tavelin {

struct GstObjectUnref {
    void operator()(gpointer object) const {
        if (object != nullptr)
            gst_object_unref(object);
    }
};
template <class T>
using GstObjectPtr = std::unique_ptr<T, GstObjectUnref>;

using GstElementPtr = GstObjectPtr<GstElement>;
using GstPadPtr = GstObjectPtr<GstPad>;
using GstBusPtr = GstObjectPtr<GstBus>;
using GstClockPtr = GstObjectPtr<GstClock>;
using GstDevicePtr = GstObjectPtr<GstDevice>;
using GstDeviceMonitorPtr = GstObjectPtr<GstDeviceMonitor>;
using GstElementFactoryPtr = GstObjectPtr<GstElementFactory>;

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

struct GstCapsUnref {
    void operator()(GstCaps* caps) const {
        if (caps != nullptr)
            gst_caps_unref(caps);
    }
};
using GstCapsPtr = std::unique_ptr<GstCaps, GstCapsUnref>;

struct GstMessageUnref {
    void operator()(GstMessage* message) const {
        if (message != nullptr)
            gst_message_unref(message);
    }
};
using GstMessagePtr = std::unique_ptr<GstMessage, GstMessageUnref>;

struct GstStructureFree {
    void operator()(GstStructure* s) const {
        if (s != nullptr)
            gst_structure_free(s);
    }
};
using GstStructurePtr = std::unique_ptr<GstStructure, GstStructureFree>;

struct GstIteratorFree {
    void operator()(GstIterator* it) const {
        if (it != nullptr)
            gst_iterator_free(it);
    }
};
using GstIteratorPtr = std::unique_ptr<GstIterator, GstIteratorFree>;

struct GFreeDeleter {
    void operator()(gpointer p) const { g_free(p); }
};
using GCharPtr = std::unique_ptr<gchar, GFreeDeleter>;

struct GErrorFree {
    void operator()(GError* e) const {
        if (e != nullptr)
            g_error_free(e);
    }
};
using GErrorPtr = std::unique_ptr<GError, GErrorFree>;

// A GList of GstObjects (devices from a monitor, factories from the registry).
struct GstObjectListFree {
    void operator()(GList* list) const { g_list_free_full(list, gst_object_unref); }
};
using GstObjectListPtr = std::unique_ptr<GList, GstObjectListFree>;

}  // namespace tavelin
