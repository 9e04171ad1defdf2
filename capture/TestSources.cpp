#include "capture/TestSources.h"

#include <charconv>
#include <cstdlib>
#include <string_view>

#include "capture/GraphParts.h"
#include "capture/GstPtr.h"
#include "capture/ThreadAnnotations.h"

namespace tavelin {

namespace {

const char* Variable(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0' ? value : nullptr;
}

bool ParseInt(std::string_view text, int base, long& out) {
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, out, base);
    return ec == std::errc() && ptr == end;
}

bool PatternExists(const std::string& nick) {
    GstElementPtr probe = Adopt(gst_element_factory_make("videotestsrc", nullptr));
    if (!probe)
        return false;
    GParamSpec* property = g_object_class_find_property(G_OBJECT_GET_CLASS(probe.get()), "pattern");
    if (property == nullptr || !G_IS_PARAM_SPEC_ENUM(property))
        return false;
    return g_enum_get_value_by_nick(G_PARAM_SPEC_ENUM(property)->enum_class, nick.c_str()) !=
           nullptr;
}

// Stops the camera for good after a number of frames: a blocking probe holds the
// streaming thread, so neither frames nor EOS come out, as with a camera that was
// pulled out. Deactivating the pad (going to NULL) releases it.
struct StopCounter {
    int remaining;
};

GstPadProbeReturn HoldForever(GstPad*, GstPadProbeInfo*, gpointer) {
    return GST_PAD_PROBE_OK;
}

GstPadProbeReturn CountFrames(GstPad* pad, GstPadProbeInfo*, gpointer data) {
    auto* counter = static_cast<StopCounter*>(data);
    MarkAcquired(counter);
    if (--counter->remaining > 0)
        return GST_PAD_PROBE_OK;
    gst_pad_add_probe(pad, GST_PAD_PROBE_TYPE_BLOCK_DOWNSTREAM, HoldForever, nullptr, nullptr);
    return GST_PAD_PROBE_REMOVE;
}

// "RRGGBB" or "0xRRGGBB"; anything else leaves `rgb` alone.
void ParseColour(const char* value, std::uint32_t& rgb) {
    if (value == nullptr)
        return;
    std::string_view text(value);
    if (text.starts_with("0x") || text.starts_with("0X"))
        text.remove_prefix(2);
    long parsed = 0;
    if (ParseInt(text, 16, parsed) && parsed >= 0 && parsed <= 0xFFFFFF)
        rgb = static_cast<std::uint32_t>(parsed);
}

void FreeCounter(gpointer data) {
    MarkAcquired(data);
    delete static_cast<StopCounter*>(data);
}

// Stands the picture still: while a still period lasts, every frame leaves with the
// pixels of the period's first frame and its own times.
struct StillPeriods {
    GstClockTime stillFor;    // still from the first frame until then
    GstClockTime stillAfter;  // and again from then; GST_CLOCK_TIME_NONE: never
    GstClockTime repeat;      // the whole begins again this long after it began; 0: never
    GstClockTime first = GST_CLOCK_TIME_NONE;
    GstBuffer* held = nullptr;  // the picture that stands still, a copy of its own
};

GstPadProbeReturn HoldStill(GstPad*, GstPadProbeInfo* info, gpointer data) {
    auto* periods = static_cast<StillPeriods*>(data);
    MarkAcquired(periods);
    GstBuffer* buffer = GST_PAD_PROBE_INFO_BUFFER(info);
    const GstClockTime pts = GST_BUFFER_PTS(buffer);
    if (!GST_CLOCK_TIME_IS_VALID(pts))
        return GST_PAD_PROBE_OK;
    if (!GST_CLOCK_TIME_IS_VALID(periods->first))
        periods->first = pts;
    GstClockTime since = pts - periods->first;
    if (periods->repeat > 0)
        since %= periods->repeat;
    const bool still = since < periods->stillFor || (GST_CLOCK_TIME_IS_VALID(periods->stillAfter) &&
                                                     since >= periods->stillAfter);
    if (!still) {
        gst_clear_buffer(&periods->held);
    } else if (periods->held == nullptr) {
        periods->held = gst_buffer_copy_deep(buffer);
    } else {
        GstBuffer* frame = gst_buffer_new();
        gst_buffer_copy_into(
            frame, periods->held,
            static_cast<GstBufferCopyFlags>(GST_BUFFER_COPY_MEMORY | GST_BUFFER_COPY_META), 0,
            static_cast<gsize>(-1));
        gst_buffer_copy_into(
            frame, buffer,
            static_cast<GstBufferCopyFlags>(GST_BUFFER_COPY_FLAGS | GST_BUFFER_COPY_TIMESTAMPS), 0,
            static_cast<gsize>(-1));
        gst_buffer_unref(buffer);
        GST_PAD_PROBE_INFO_DATA(info) = frame;
    }
    MarkReleased(periods);
    return GST_PAD_PROBE_OK;
}

void FreeStill(gpointer data) {
    auto* periods = static_cast<StillPeriods*>(data);
    MarkAcquired(periods);
    gst_clear_buffer(&periods->held);
    delete periods;
}

// Seconds with decimals, 0 ... one day; anything else leaves `seconds` alone.
void ParseSeconds(const char* value, double& seconds) {
    if (value == nullptr)
        return;
    const std::string_view text(value);
    double parsed = 0.0;
    auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), parsed);
    if (ec == std::errc() && ptr == text.data() + text.size() && parsed >= 0.0 && parsed <= 86400.0)
        seconds = parsed;
}

GstClockTime ToClockTime(double seconds) {
    return static_cast<GstClockTime>(seconds * static_cast<double>(GST_SECOND));
}

}  // namespace

bool TestSourcesEnabled() {
    const char* value = std::getenv(kTestSourcesVariable);
    return value != nullptr && std::string_view(value) == "1";
}

std::vector<std::string> TestCameraNames() {
    std::vector<std::string> names;
    if (const char* value = Variable("TAVELIN_TEST_CAMERA_NAMES")) {
        std::string_view rest(value);
        while (!rest.empty()) {
            const std::size_t bar = rest.find('|');
            const std::string_view name = rest.substr(0, bar);
            if (!name.empty())
                names.emplace_back(name);
            rest = bar == std::string_view::npos ? std::string_view() : rest.substr(bar + 1);
        }
    }
    if (names.empty())
        names.emplace_back(kTestCameraName);
    return names;
}

TestCameraOptions TestCameraOptions::FromEnvironment() {
    TestCameraOptions o;
    if (const char* v = Variable("TAVELIN_TEST_CAMERA_PATTERN"); v && PatternExists(v)) {
        o.pattern = v;
    }
    ParseColour(Variable("TAVELIN_TEST_CAMERA_COLOR"), o.colour);
    ParseColour(Variable("TAVELIN_TEST_CAMERA_BACKGROUND"), o.background);
    if (const char* v = Variable("TAVELIN_TEST_CAMERA_SIZE")) {
        std::string_view text(v);
        const std::size_t x = text.find_first_of("xX");
        long w = 0;
        long h = 0;
        if (x != std::string_view::npos && ParseInt(text.substr(0, x), 10, w) &&
            ParseInt(text.substr(x + 1), 10, h) && w >= 16 && h >= 16 && w <= 4096 && h <= 4096) {
            o.width = static_cast<int>(w);
            o.height = static_cast<int>(h);
        }
    }
    if (const char* v = Variable("TAVELIN_TEST_CAMERA_FPS")) {
        long fps = 0;
        if (ParseInt(v, 10, fps) && fps >= 1 && fps <= 240)
            o.fps = static_cast<int>(fps);
    }
    if (const char* v = Variable("TAVELIN_TEST_CAMERA_FORMAT")) {
        const std::string_view f(v);
        if (f == "yuy2")
            o.format = Format::Yuy2;
        if (f == "bgr")
            o.format = Format::Bgr;
        if (f == "mjpeg")
            o.format = Format::Mjpeg;
    }
    if (const char* v = Variable("TAVELIN_TEST_CAMERA_STOP_AFTER")) {
        long frames = 0;
        if (ParseInt(v, 10, frames) && frames >= 0 && frames <= 1'000'000'000) {
            o.stopAfterFrames = static_cast<int>(frames);
        }
    }
    ParseSeconds(Variable("TAVELIN_TEST_CAMERA_STILL_FOR"), o.stillForSeconds);
    ParseSeconds(Variable("TAVELIN_TEST_CAMERA_STILL_AFTER"), o.stillAfterSeconds);
    ParseSeconds(Variable("TAVELIN_TEST_CAMERA_REPEAT_AFTER"), o.repeatAfterSeconds);
    return o;
}

GstElement* CreateTestCamera(const TestCameraOptions& options, const char* name) {
    GstElementPtr bin = Adopt(gst_bin_new(name));
    // The handles keep their own references; the bin adds its own.
    const GstElementPtr sourceElement = MakeElement("videotestsrc", "pattern");
    const GstElementPtr shapeElement = MakeElement("capsfilter", "shape");
    if (!sourceElement || !shapeElement)
        return nullptr;
    GstElement* source = sourceElement.get();
    GstElement* shape = shapeElement.get();
    gst_bin_add_many(GST_BIN(bin.get()), source, shape, nullptr);
    g_object_set(source, "is-live", TRUE, nullptr);
    gst_util_set_object_arg(G_OBJECT(source), "pattern", options.pattern.c_str());
    g_object_set(source, "foreground-color", 0xFF000000u | options.colour, "background-color",
                 0xFF000000u | options.background, nullptr);

    const char* format = options.format == TestCameraOptions::Format::Yuy2  ? "YUY2"
                         : options.format == TestCameraOptions::Format::Bgr ? "BGR"
                                                                            : "I420";
    GstCapsPtr caps(gst_caps_new_simple("video/x-raw", "format", G_TYPE_STRING, format, "width",
                                        G_TYPE_INT, options.width, "height", G_TYPE_INT,
                                        options.height, "framerate", GST_TYPE_FRACTION, options.fps,
                                        1, nullptr));
    g_object_set(shape, "caps", caps.get(), nullptr);
    if (!gst_element_link(source, shape))
        return nullptr;

    GstElement* last = shape;
    if (options.format == TestCameraOptions::Format::Mjpeg) {
        const GstElementPtr encoder = MakeElement("jpegenc", "mjpeg");
        if (!encoder || !gst_bin_add(GST_BIN(bin.get()), encoder.get()) ||
            !gst_element_link(shape, encoder.get()))
            return nullptr;
        last = encoder.get();
    }

    GstPadPtr out(gst_element_get_static_pad(last, "src"));
    GstPad* ghost = gst_ghost_pad_new("src", out.get());
    if (ghost == nullptr || !gst_element_add_pad(bin.get(), ghost))
        return nullptr;

    if (options.stopAfterFrames > 0) {
        GstPadPtr sourcePad(gst_element_get_static_pad(source, "src"));
        auto* counter = new StopCounter{options.stopAfterFrames};
        MarkReleased(counter);
        gst_pad_add_probe(sourcePad.get(), GST_PAD_PROBE_TYPE_BUFFER, CountFrames, counter,
                          FreeCounter);
    }
    if (options.stillForSeconds > 0.0 || options.stillAfterSeconds >= 0.0) {
        GstPadPtr sourcePad(gst_element_get_static_pad(source, "src"));
        auto* periods = new StillPeriods{ToClockTime(options.stillForSeconds),
                                         options.stillAfterSeconds >= 0.0
                                             ? ToClockTime(options.stillAfterSeconds)
                                             : GST_CLOCK_TIME_NONE,
                                         ToClockTime(options.repeatAfterSeconds)};
        MarkReleased(periods);
        gst_pad_add_probe(sourcePad.get(), GST_PAD_PROBE_TYPE_BUFFER, HoldStill, periods,
                          FreeStill);
    }
    // Hand the bin out floating, as element factories do.
    GstElement* result = bin.release();
    g_object_force_floating(G_OBJECT(result));
    return result;
}

GstElement* CreateTestMicrophone(const char* name) {
    GstElement* tone = gst_element_factory_make("audiotestsrc", name);
    if (tone == nullptr)
        return nullptr;
    g_object_set(tone, "is-live", TRUE, "freq", 440.0, "volume", 0.3, nullptr);
    return tone;
}

}  // namespace tavelin
