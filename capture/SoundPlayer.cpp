#include "capture/SoundPlayer.h"

#include <filesystem>

#include "capture/GraphParts.h"
#include "capture/Pipeline.h"
#include "core/Log.h"

namespace tavelin {

namespace {

// A halt queued for GStreamer's helper thread, for one sound.
struct HaltRequest {
    std::shared_ptr<void> shared;
    unsigned forGeneration;
};

}  // namespace

CSoundPlayer::CSoundPlayer(const std::string& audioSink) : shared_(std::make_shared<Shared>()) {
    if (!gst_is_initialized())
        gst_init(nullptr, nullptr);

    GError* rawError = nullptr;
    GstElementPtr sink = Adopt(gst_parse_bin_from_description(audioSink.c_str(), TRUE, &rawError));
    GErrorPtr error(rawError);
    GstElementPtr pipeline = Adopt(gst_pipeline_new("sound-player"));
    GstElementPtr file = MakeElement("filesrc", "file");
    GstElementPtr parser = MakeElement("wavparse", "parser");
    GstElementPtr convert = MakeElement("audioconvert", "convert");
    GstElementPtr resample = MakeElement("audioresample", "resample");
    if (!sink || !pipeline || !file || !parser || !convert || !resample) {
        // No player: every Play stays silent.
        Log(LogArea::Monitor, LogLevel::Warning,
            "alarm sound: no player" +
                (sink ? std::string()
                      : " (sink \"" + audioSink +
                            "\": " + (error ? error->message : "cannot be made") + ")"));
        return;
    }
    // The pipeline takes a reference of its own to each; the handles keep theirs.
    gst_bin_add_many(GST_BIN(pipeline.get()), file.get(), parser.get(), convert.get(),
                     resample.get(), sink.get(), nullptr);
    if (!LinkChain({file.get(), parser.get(), convert.get(), resample.get(), sink.get()})) {
        Log(LogArea::Monitor, LogLevel::Warning,
            "alarm sound: no player (the chain cannot be linked)");
        return;
    }

    file_ = file.get();
    sink_ = sink.get();
    shared_->pipeline = pipeline.get();
    GstBusPtr bus(gst_element_get_bus(pipeline.get()));
    gst_bus_set_sync_handler(
        bus.get(), &CSoundPlayer::OnBusMessage, new std::shared_ptr<Shared>(shared_),
        [](gpointer data) { delete static_cast<std::shared_ptr<Shared>*>(data); });
    pipeline_ = std::move(pipeline);
}

CSoundPlayer::~CSoundPlayer() {
    if (!pipeline_)
        return;
    {
        std::lock_guard lock(shared_->stateLock);
        HaltLocked();
    }
    GstBusPtr bus(gst_element_get_bus(pipeline_.get()));
    gst_bus_set_sync_handler(bus.get(), nullptr, nullptr, nullptr);
}

GstBusSyncReply CSoundPlayer::OnBusMessage(GstBus*, GstMessage* message, gpointer data) {
    const GstMessageType type = GST_MESSAGE_TYPE(message);
    if (type == GST_MESSAGE_ERROR || type == GST_MESSAGE_WARNING) {
        Log(LogArea::Monitor, LogLevel::Warning, "alarm sound: " + BusMessageText(message));
    }
    if (type == GST_MESSAGE_EOS || type == GST_MESSAGE_ERROR) {
        const std::shared_ptr<Shared>& shared = *static_cast<std::shared_ptr<Shared>*>(data);
        shared->ended = true;
        // A streaming thread must not change its pipeline's state, so the halt runs on
        // GStreamer's helper thread. It is skipped if a newer sound has started by then.
        gst_element_call_async(
            shared->pipeline,
            [](GstElement* pipeline, gpointer user) {
                auto* halt = static_cast<HaltRequest*>(user);
                auto* state = static_cast<Shared*>(halt->shared.get());
                std::lock_guard lock(state->stateLock);
                if (state->generation.load() == halt->forGeneration) {
                    gst_element_set_state(pipeline, GST_STATE_NULL);
                }
            },
            new HaltRequest{shared, shared->generation.load()},
            [](gpointer user) { delete static_cast<HaltRequest*>(user); });
    }
    // Nobody reads the bus: nothing may pile up on it. A sync handler that drops a
    // message owns it and must release it.
    gst_message_unref(message);
    return GST_BUS_DROP;
}

void CSoundPlayer::HaltLocked() {
    gst_element_set_state(pipeline_.get(), GST_STATE_NULL);
    // No message of the old sound can arrive after this: its threads have stopped.
    ++shared_->generation;
}

bool CSoundPlayer::Play(const std::string& path) {
    if (!pipeline_ || IsPlaying())
        return false;
    std::error_code ec;
    if (path.empty() || !std::filesystem::is_regular_file(path, ec))
        return false;

    std::lock_guard lock(shared_->stateLock);
    HaltLocked();
    shared_->ended = false;
    g_object_set(file_, "location", path.c_str(), nullptr);
    if (gst_element_set_state(pipeline_.get(), GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE) {
        HaltLocked();
        started_ = false;
        return false;
    }
    started_ = true;
    return true;
}

void CSoundPlayer::Stop() {
    if (!pipeline_)
        return;
    std::lock_guard lock(shared_->stateLock);
    HaltLocked();
    started_ = false;
}

bool CSoundPlayer::IsPlaying() const {
    return started_ && !shared_->ended;
}

}  // namespace tavelin
