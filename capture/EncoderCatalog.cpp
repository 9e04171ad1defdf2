#include "capture/EncoderCatalog.h"

#include <string_view>

#include "capture/GstRuntime.h"
#include "core/Log.h"

namespace tavelin {

namespace {

// What the muxer takes on its inputs of one kind, merged over its pad templates.
GstCapsPtr InputCapsOf(GstElementFactory* mux, EncoderKind kind) {
    const std::string_view prefix = kind == EncoderKind::Video ? "video_" : "audio_";
    GstCapsPtr accepted(gst_caps_new_empty());
    for (const GList* t = gst_element_factory_get_static_pad_templates(mux); t; t = t->next) {
        auto* pad = static_cast<GstStaticPadTemplate*>(t->data);
        if (pad->direction != GST_PAD_SINK)
            continue;
        if (!std::string_view(pad->name_template).starts_with(prefix))
            continue;
        accepted.reset(gst_caps_merge(accepted.release(), gst_static_pad_template_get_caps(pad)));
    }
    return accepted;
}

// Video encoders that pass the muxer's caps but cannot record a live camera here; each
// was tried at 320x240 and 640x480, 30 frames a second, with and without sound.
constexpr std::string_view kUnusableVideoEncoders[] = {
    // DV has fixed frame sizes (720x480 and 720x576): every capture size is refused.
    "avenc_dvvideo",
    // gst-libav 1.22 hands these a time base of one nanosecond, which the MPEG-1/2
    // encoder refuses ("does not support 1000000000/1 fps"): nothing ever starts.
    "avenc_mpeg1video",
    "avenc_mpeg2video",
    // Its output carries no valid time, so the muxer never interleaves it with sound:
    // with sound on, the picture stalls after a few frames.
    "avenc_mpeg4",
    // Needs OpenMAX hardware, which refuses every format on a machine without it.
    "avenc_mpeg4_omx",
    // Single-threaded and slow: about 17 frames a second at 640x480 on a desktop core,
    // so a 30 frames-a-second camera falls behind and the file loses its end.
    "mpeg2enc",
};

bool Unusable(GstElementFactory* factory) {
    const std::string_view name = gst_plugin_feature_get_name(GST_PLUGIN_FEATURE(factory));
    for (const std::string_view unusable : kUnusableVideoEncoders) {
        if (unusable == name)
            return true;
    }
    return false;
}

bool OutputFits(GstElementFactory* encoder, const GstCaps* accepted) {
    for (const GList* t = gst_element_factory_get_static_pad_templates(encoder); t; t = t->next) {
        auto* pad = static_cast<GstStaticPadTemplate*>(t->data);
        if (pad->direction != GST_PAD_SRC)
            continue;
        GstCapsPtr output(gst_static_pad_template_get_caps(pad));
        if (gst_caps_can_intersect(output.get(), accepted))
            return true;
    }
    return false;
}

}  // namespace

ListStatus CEncoderCatalog::Find(EncoderKind kind, std::vector<GstElementFactoryPtr>& encoders) {
    encoders.clear();
    const auto fail = [kind](ListStatus status, const char* why) {
        Log(LogArea::Record, LogLevel::Warning,
            std::string("cannot list the ") + (kind == EncoderKind::Video ? "video" : "audio") +
                " encoders: " + why);
        return status;
    };
    if (!EnsureGstreamer())
        return fail(ListStatus::NoSystemEnumerator, "GStreamer is not available");
    GstElementFactoryPtr mux(gst_element_factory_find("avimux"));
    if (!mux)
        return fail(ListStatus::NoClassEnumerator, "there is no AVI muxer (avimux)");
    GstCapsPtr accepted = InputCapsOf(mux.get(), kind);

    // VIDEO_ENCODER covers the image encoders too.
    const GstElementFactoryListType type = kind == EncoderKind::Video
                                               ? GST_ELEMENT_FACTORY_TYPE_VIDEO_ENCODER
                                               : GST_ELEMENT_FACTORY_TYPE_AUDIO_ENCODER;
    GList* raw = gst_element_factory_list_get_elements(type, GST_RANK_NONE);
    raw = g_list_sort(raw, gst_plugin_feature_rank_compare_func);
    GstObjectListPtr factories(raw);
    for (GList* item = factories.get(); item != nullptr; item = item->next) {
        auto* factory = GST_ELEMENT_FACTORY(item->data);
        if (kind == EncoderKind::Video && Unusable(factory))
            continue;
        if (OutputFits(factory, accepted.get()))
            encoders.push_back(Share(factory));
    }
    return ListStatus::Ok;
}

GstCapsPtr CEncoderCatalog::MuxerInputCaps(EncoderKind kind) {
    GstElementFactoryPtr mux(gst_element_factory_find("avimux"));
    return mux ? InputCapsOf(mux.get(), kind) : GstCapsPtr();
}

std::string CEncoderCatalog::LongName(GstElementFactory* factory) {
    const gchar* name = gst_element_factory_get_metadata(factory, GST_ELEMENT_METADATA_LONGNAME);
    return name != nullptr ? std::string(name) : std::string();
}

}  // namespace tavelin
