#include "capture/GraphParts.h"

#include <string_view>

namespace tavelin {

GstElementPtr MakeElement(const char* factory, const char* name) {
    return Adopt(gst_element_factory_make(factory, name));
}

GstPadPtr GetPin(GstElement* element, GstPadDirection direction, int n) {
    if (element == nullptr || n < 0)
        return {};
    GstIteratorPtr pads(direction == GST_PAD_SRC ? gst_element_iterate_src_pads(element)
                                                 : gst_element_iterate_sink_pads(element));
    GValue item = G_VALUE_INIT;
    int index = 0;
    for (;;) {
        switch (gst_iterator_next(pads.get(), &item)) {
            case GST_ITERATOR_OK:
                if (index++ == n) {
                    GstPadPtr pad = Share(GST_PAD(g_value_get_object(&item)));
                    g_value_unset(&item);
                    return pad;
                }
                g_value_reset(&item);
                break;
            case GST_ITERATOR_RESYNC:
                // The pad list changed under us: count again from the start.
                gst_iterator_resync(pads.get());
                index = 0;
                break;
            default:
                g_value_unset(&item);
                return {};
        }
    }
}

GstCapsPtr BgrCaps(int width, int height) {
    return RawCaps("BGR", width, height);
}

GstCapsPtr RawCaps(const char* format, int width, int height) {
    GstCapsPtr caps(gst_caps_new_simple("video/x-raw", "format", G_TYPE_STRING, format, nullptr));
    if (width > 0 && height > 0) {
        gst_caps_set_simple(caps.get(), "width", G_TYPE_INT, width, "height", G_TYPE_INT, height,
                            nullptr);
    }
    return caps;
}

bool CameraOffersFormat(GstElement* camera, const char* format) {
    GstPadPtr out = GetOutPin(camera, 0);
    if (!out)
        return false;
    GstCapsPtr wanted = RawCaps(format, 0, 0);
    GstCapsPtr offered(gst_pad_query_caps(out.get(), wanted.get()));
    return offered && !gst_caps_is_empty(offered.get()) && !gst_caps_is_any(offered.get());
}

CameraOutput ProbeCameraOutput(GstElement* camera) {
    GstPadPtr out = GetOutPin(camera, 0);
    if (!out)
        return CameraOutput::Unsupported;
    GstCapsPtr caps(gst_pad_query_caps(out.get(), nullptr));
    if (!caps || gst_caps_is_any(caps.get()))
        return CameraOutput::Raw;
    bool jpeg = false;
    for (guint i = 0; i < gst_caps_get_size(caps.get()); ++i) {
        const std::string_view kind = gst_structure_get_name(gst_caps_get_structure(caps.get(), i));
        if (kind == "video/x-raw")
            return CameraOutput::Raw;
        if (kind == "image/jpeg")
            jpeg = true;
    }
    return jpeg ? CameraOutput::Jpeg : CameraOutput::Unsupported;
}

bool LinkChain(std::initializer_list<GstElement*> chain) {
    GstElement* const* it = chain.begin();
    for (std::size_t i = 1; i < chain.size(); ++i) {
        if (!gst_element_link(it[i - 1], it[i]))
            return false;
    }
    return true;
}

bool LinkToRequestPad(GstElement* from, GstElement* to, const char* padTemplate) {
    GstPadPtr input(gst_element_request_pad_simple(to, padTemplate));
    GstPadPtr output = GetOutPin(from, 0);
    if (input && output && gst_pad_link(output.get(), input.get()) == GST_PAD_LINK_OK)
        return true;
    if (input)
        gst_element_release_request_pad(to, input.get());
    return false;
}

}  // namespace tavelin
