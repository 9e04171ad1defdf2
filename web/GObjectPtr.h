#pragma once
// Owning handles for the plain GObjects and GLib loop parts the RTSP share uses (the
// server, its mount points, sessions and media are GObjects, not GstObjects).

#include <glib-object.h>

#include "core/Handle.h"

namespace tavelin {

template <class T>
using GObjectPtr = Handle<T, g_object_unref>;

using GMainContextPtr = Handle<GMainContext, g_main_context_unref>;
using GMainLoopPtr = Handle<GMainLoop, g_main_loop_unref>;
using GSourcePtr = Handle<GSource, g_source_unref>;

// Adds a reference for a handle of one's own.
template <class T>
GObjectPtr<T> ShareObject(T* object) {
    if (object != nullptr)
        g_object_ref(object);
    return GObjectPtr<T>(object);
}

}  // namespace tavelin
