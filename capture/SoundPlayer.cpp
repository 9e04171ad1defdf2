#include "SoundPlayer.h"

#include <filesystem>

namespace tavelin {

namespace {

// playbin's flags: audio only, with its own volume control; no video or subtitle
// branches are ever built for a sound file.
constexpr guint kPlayFlagAudio = 0x02;
constexpr guint kPlayFlagSoftVolume = 0x10;

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
    GstElementPtr playbin = Adopt(gst_element_factory_make("playbin", nullptr));
    if (!sink || !playbin)
        return;  // no player: every Play stays silent

    g_object_set(playbin.get(), "audio-sink", sink.get(), "flags",
                 kPlayFlagAudio | kPlayFlagSoftVolume, nullptr);
    sink_ = sink.get();  // the playbin holds it from now on
    shared_->playbin = playbin.get();
    GstBusPtr bus(gst_element_get_bus(playbin.get()));
    gst_bus_set_sync_handler(
        bus.get(), &CSoundPlayer::OnBusMessage, new std::shared_ptr<Shared>(shared_),
        [](gpointer data) { delete static_cast<std::shared_ptr<Shared>*>(data); });
    playbin_ = std::move(playbin);
}

CSoundPlayer::~CSoundPlayer() {
    if (!playbin_)
        return;
    {
        std::lock_guard lock(shared_->stateLock);
        HaltLocked();
    }
    GstBusPtr bus(gst_element_get_bus(playbin_.get()));
    gst_bus_set_sync_handler(bus.get(), nullptr, nullptr, nullptr);
}

GstBusSyncReply CSoundPlayer::OnBusMessage(GstBus*, GstMessage* message, gpointer data) {
    const GstMessageType type = GST_MESSAGE_TYPE(message);
    if (type == GST_MESSAGE_EOS || type == GST_MESSAGE_ERROR) {
        const std::shared_ptr<Shared>& shared = *static_cast<std::shared_ptr<Shared>*>(data);
        shared->ended = true;
        // A streaming thread must not change its pipeline's state, so the halt runs on
        // GStreamer's helper thread. It is skipped if a newer sound has started by then.
        gst_element_call_async(
            shared->playbin,
            [](GstElement* playbin, gpointer user) {
                auto* halt = static_cast<HaltRequest*>(user);
                auto* state = static_cast<Shared*>(halt->shared.get());
                std::lock_guard lock(state->stateLock);
                if (state->generation.load() == halt->forGeneration) {
                    gst_element_set_state(playbin, GST_STATE_NULL);
                }
            },
            new HaltRequest{shared, shared->generation.load()},
            [](gpointer user) { delete static_cast<HaltRequest*>(user); });
    }
    // Nobody reads the bus: nothing may pile up on it.
    return GST_BUS_DROP;
}

void CSoundPlayer::HaltLocked() {
    gst_element_set_state(playbin_.get(), GST_STATE_NULL);
    // No message of the old sound can arrive after this: its threads have stopped.
    ++shared_->generation;
}

bool CSoundPlayer::Play(const std::string& path) {
    if (!playbin_ || IsPlaying())
        return false;
    std::error_code ec;
    if (path.empty() || !std::filesystem::is_regular_file(path, ec))
        return false;
    GError* rawError = nullptr;
    GCharPtr uri(gst_filename_to_uri(path.c_str(), &rawError));
    GErrorPtr error(rawError);
    if (!uri)
        return false;

    std::lock_guard lock(shared_->stateLock);
    HaltLocked();
    shared_->ended = false;
    g_object_set(playbin_.get(), "uri", uri.get(), nullptr);
    if (gst_element_set_state(playbin_.get(), GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE) {
        HaltLocked();
        started_ = false;
        return false;
    }
    started_ = true;
    return true;
}

void CSoundPlayer::Stop() {
    if (!playbin_)
        return;
    std::lock_guard lock(shared_->stateLock);
    HaltLocked();
    started_ = false;
}

bool CSoundPlayer::IsPlaying() const {
    return started_ && !shared_->ended;
}

}  // namespace tavelin
