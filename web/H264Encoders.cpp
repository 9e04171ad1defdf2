#include "web/H264Encoders.h"

#include <gst/gst.h>

#include <algorithm>
#include <string_view>

#include "capture/GstPtr.h"
#include "capture/GstRuntime.h"

namespace tavelin {

namespace {

// Encoders whose templates promise H.264 but that cannot encode a live camera here.
constexpr std::string_view kUnusable[] = {
    // Needs OpenMAX hardware, which refuses every format on a machine without it.
    "avenc_h264_omx",
};

// Settings for a live share: no B-frames and no look-ahead (a frame goes out as soon as it
// is encoded), and a key frame every 30 frames so a client that joins a running stream
// sees a picture within a second or two.
struct Tuning {
    std::string_view encoder;
    std::string_view settings;
};
constexpr Tuning kLowLatency[] = {
    {"x264enc", "tune=zerolatency speed-preset=ultrafast key-int-max=30 bitrate=2048"},
    {"openh264enc",
     "usage-type=camera complexity=low rate-control=bitrate gop-size=30 bitrate=2048000"},
};

bool Unusable(std::string_view name) {
    return std::find(std::begin(kUnusable), std::end(kUnusable), name) != std::end(kUnusable);
}

}  // namespace

std::vector<std::string> ListH264Encoders() {
    std::vector<std::string> names;
    if (!EnsureGstreamer())
        return names;
    GstObjectListPtr all(gst_element_factory_list_get_elements(
        GST_ELEMENT_FACTORY_TYPE_VIDEO_ENCODER, GST_RANK_NONE));
    GstCapsPtr h264(gst_caps_from_string("video/x-h264"));
    GstObjectListPtr fitting(
        gst_element_factory_list_filter(all.get(), h264.get(), GST_PAD_SRC, FALSE));
    fitting.reset(g_list_sort(fitting.release(), gst_plugin_feature_rank_compare_func));
    for (const GList* item = fitting.get(); item != nullptr; item = item->next) {
        auto* factory = static_cast<GstElementFactory*>(item->data);
        const std::string_view name = gst_plugin_feature_get_name(GST_PLUGIN_FEATURE(factory));
        if (Unusable(name))
            continue;
        // Listed only when its plugin loads and the element can be made.
        if (!Adopt(gst_element_factory_create(factory, nullptr)))
            continue;
        names.emplace_back(name);
    }
    return names;
}

std::string H264TapChain(const std::string& encoder) {
    const std::vector<std::string> usable = ListH264Encoders();
    if (usable.empty())
        return {};
    const std::string chosen = encoder.empty() ? usable.front() : encoder;
    if (std::find(usable.begin(), usable.end(), chosen) == usable.end())
        return {};
    std::string chain = "videoconvert ! ";
    const auto tuning = std::find_if(std::begin(kLowLatency), std::end(kLowLatency),
                                     [&](const Tuning& t) { return t.encoder == chosen; });
    if (tuning != std::end(kLowLatency)) {
        chain += "video/x-raw,format=I420 ! " + chosen + " " + std::string(tuning->settings);
    } else {
        // An encoder not known here gets its own defaults and whatever input it takes.
        chain += chosen;
    }
    return chain +
           " ! h264parse config-interval=-1 ! capsfilter "
           "caps=video/x-h264,stream-format=byte-stream,alignment=au";
}

}  // namespace tavelin
