#include "capture/SoundPlayer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>
#include <string_view>
#include <thread>
#include <vector>

namespace tavelin {
namespace {

namespace fs = std::filesystem;

// The leak tracer must be chosen before GStreamer starts, which the first player does.
const bool kLeakTracerChosen =
    setenv("GST_TRACERS", "leaks(filters=GstMessage,check-refs=false)", 0) == 0;

// A mono 16-bit PCM sine tone.
void WriteWav(const fs::path& path, double seconds, int rate = 8000) {
    const auto samples = static_cast<std::uint32_t>(seconds * rate);
    const std::uint32_t dataBytes = samples * 2;
    std::ofstream out(path, std::ios::binary);
    auto u32 = [&](std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            out.put(static_cast<char>((v >> (8 * i)) & 0xFF));
    };
    auto u16 = [&](std::uint16_t v) {
        out.put(static_cast<char>(v & 0xFF));
        out.put(static_cast<char>(v >> 8));
    };
    out.write("RIFF", 4);
    u32(36 + dataBytes);
    out.write("WAVEfmt ", 8);
    u32(16);
    u16(1);  // PCM
    u16(1);  // mono
    u32(static_cast<std::uint32_t>(rate));
    u32(static_cast<std::uint32_t>(rate) * 2);
    u16(2);
    u16(16);
    out.write("data", 4);
    u32(dataBytes);
    for (std::uint32_t i = 0; i < samples; ++i) {
        u16(static_cast<std::uint16_t>(
            static_cast<std::int16_t>(8000 * std::sin(2 * M_PI * 440.0 * i / rate))));
    }
}

// Waits for a condition; the limit only keeps a broken player from hanging the test.
bool WaitFor(const std::function<bool()>& condition) {
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > limit)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

// Every buffer that reaches the observed sink, by stream time.
class SinkObserver {
public:
    explicit SinkObserver(CSoundPlayer& player) {
        sink_ = gst_bin_get_by_name(GST_BIN(player.audioSink()), "observed");
        if (sink_ != nullptr)
            g_signal_connect(sink_, "handoff", G_CALLBACK(&OnHandoff), this);
    }
    ~SinkObserver() {
        if (sink_ == nullptr)
            return;
        g_signal_handlers_disconnect_by_data(sink_, this);
        gst_object_unref(sink_);
    }
    bool valid() const { return sink_ != nullptr; }

    std::vector<GstClockTime> Times() const {
        std::lock_guard lock(mutex_);
        return times_;
    }
    std::size_t Count() const { return Times().size(); }
    GstState State() const {
        GstState state = GST_STATE_VOID_PENDING;
        gst_element_get_state(sink_, &state, nullptr, 0);
        return state;
    }

private:
    static void OnHandoff(GstElement*, GstBuffer* buffer, GstPad*, gpointer self) {
        auto* observer = static_cast<SinkObserver*>(self);
        std::lock_guard lock(observer->mutex_);
        observer->times_.push_back(GST_BUFFER_PTS(buffer));
    }

    GstElement* sink_ = nullptr;
    mutable std::mutex mutex_;
    std::vector<GstClockTime> times_;
};

class SoundPlayerTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("sound_player_test_" + std::to_string(::getpid()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    // sync: play in real time; otherwise as fast as the sink takes it.
    static std::string Sink(bool sync) {
        return std::string("fakesink name=observed signal-handoffs=true sync=") +
               (sync ? "true" : "false");
    }
    std::string Wav(const char* name, double seconds) {
        const fs::path path = dir_ / name;
        WriteWav(path, seconds);
        return path.string();
    }

    fs::path dir_;
};

TEST_F(SoundPlayerTest, MissingOrUnplayableFileIsSilentAndTheNextFilePlays) {
    CSoundPlayer player(Sink(false));
    SinkObserver observer(player);
    ASSERT_TRUE(observer.valid());
    const fs::path junk = dir_ / "junk.wav";
    std::ofstream(junk, std::ios::binary) << "RIFF\x10\0\0\0WAVEjunk that is no sound at all";

    EXPECT_FALSE(player.Play((dir_ / "none.wav").string()));
    EXPECT_FALSE(player.IsPlaying());
    player.Play(junk.string());
    ASSERT_TRUE(WaitFor([&] { return !player.IsPlaying(); }));
    EXPECT_EQ(observer.Count(), 0u);

    EXPECT_TRUE(player.Play(Wav("short.wav", 0.3)));
    EXPECT_TRUE(WaitFor([&] { return !player.IsPlaying(); }));
    EXPECT_GT(observer.Count(), 0u);
}

TEST_F(SoundPlayerTest, SecondPlayWhilePlayingDoesNotRestartTheSound) {
    CSoundPlayer player(Sink(true));
    IAlarm& alarm = player;
    SinkObserver observer(player);
    ASSERT_TRUE(observer.valid());
    const std::string longSound = Wav("long.wav", 10.0);
    const std::string otherSound = Wav("other.wav", 10.0);

    alarm.PlayAlarm(longSound);
    ASSERT_TRUE(WaitFor([&] {
        const auto times = observer.Times();
        return !times.empty() && times.back() != GST_CLOCK_TIME_NONE &&
               times.back() >= 200 * GST_MSECOND;
    }));
    ASSERT_TRUE(player.IsPlaying());
    const GstClockTime before = observer.Times().back();
    const std::size_t seen = observer.Count();

    alarm.PlayAlarm(longSound);
    EXPECT_FALSE(player.Play(otherSound));
    EXPECT_TRUE(player.IsPlaying());

    ASSERT_TRUE(WaitFor([&] { return observer.Count() >= seen + 3; }));
    const auto times = observer.Times();
    for (std::size_t i = seen; i < times.size(); ++i) {
        EXPECT_GT(times[i], before) << "buffer " << i << " went back in the stream";
    }

    player.Stop();
    EXPECT_FALSE(player.IsPlaying());
    EXPECT_EQ(observer.State(), GST_STATE_NULL);
}

TEST_F(SoundPlayerTest, FinishedSoundReleasesTheSinkAndPlaysAgainFromTheStart) {
    CSoundPlayer player(Sink(false));
    SinkObserver observer(player);
    ASSERT_TRUE(observer.valid());
    const std::string sound = Wav("short.wav", 0.5);

    ASSERT_TRUE(player.Play(sound));
    ASSERT_TRUE(WaitFor([&] { return !player.IsPlaying(); }));
    // Nobody asks the player again, yet the sink is let go once the sound has ended.
    EXPECT_TRUE(WaitFor([&] { return observer.State() == GST_STATE_NULL; }));
    const std::size_t first = observer.Count();
    ASSERT_GT(first, 0u);
    EXPECT_EQ(observer.Times().front(), 0u);

    ASSERT_TRUE(player.Play(sound));
    ASSERT_TRUE(WaitFor([&] { return !player.IsPlaying(); }));
    const auto times = observer.Times();
    ASSERT_GT(times.size(), first);
    EXPECT_EQ(times[first], 0u) << "played again from its beginning";
}

// Elements and pads in the player, at every depth.
int CountObjects(GstElement* element) {
    int count = 1 + static_cast<int>(element->numpads);
    if (GST_IS_BIN(element)) {
        for (GList* child = GST_BIN_CHILDREN(element); child != nullptr; child = child->next)
            count += CountObjects(GST_ELEMENT(child->data));
    }
    return count;
}

// GStreamer's leak tracer, watching messages only.
GstTracer* LeakTracer() {
    GList* tracers = gst_tracing_get_active_tracers();
    GstTracer* found = nullptr;
    for (GList* t = tracers; t != nullptr; t = t->next) {
        if (std::string_view(G_OBJECT_TYPE_NAME(t->data)) == "GstLeaksTracer")
            found = GST_TRACER(gst_object_ref(t->data));
    }
    g_list_free_full(tracers, gst_object_unref);
    return found;
}

// Messages made since the last checkpoint that are not freed yet.
int MessagesKeptSinceCheckpoint(GstTracer* tracer) {
    GstStructure* activity = nullptr;
    g_signal_emit_by_name(tracer, "activity-get-checkpoint", &activity);
    if (activity == nullptr)
        return -1;
    const GValue* created = gst_structure_get_value(activity, "objects-created-list");
    const GValue* removed = gst_structure_get_value(activity, "objects-removed-list");
    const int kept = static_cast<int>(gst_value_list_get_size(created)) -
                     static_cast<int>(gst_value_list_get_size(removed));
    gst_structure_free(activity);
    return kept;
}

// An alarm replayed for hours: each sound leaves nothing behind, neither a message on
// the bus, nor an object in the player, nor a message anywhere.
TEST_F(SoundPlayerTest, ThreeHundredPlaysLeaveNothingBehind) {
    CSoundPlayer player(Sink(false));
    SinkObserver observer(player);
    ASSERT_TRUE(observer.valid());
    const std::string sound = Wav("alarm.wav", 0.05);
    GstBusPtr bus(gst_element_get_bus(player.pipeline()));
    GstObjectPtr<GstTracer> tracer(LeakTracer());
    ASSERT_TRUE(tracer) << "the leak tracer is not running";
    int objectsAfterFirst = 0;
    for (int play = 1; play <= 300; ++play) {
        ASSERT_TRUE(player.Play(sound)) << "play " << play;
        ASSERT_TRUE(WaitFor([&] { return !player.IsPlaying(); }));
        ASSERT_TRUE(WaitFor([&] { return observer.State() == GST_STATE_NULL; }));
        ASSERT_FALSE(gst_bus_have_pending(bus.get())) << "play " << play;
        if (play == 2) {  // the first play loads what stays loaded
            objectsAfterFirst = CountObjects(player.pipeline());
            g_signal_emit_by_name(tracer.get(), "activity-start-tracking");
        }
    }
    EXPECT_EQ(CountObjects(player.pipeline()), objectsAfterFirst);
    EXPECT_EQ(MessagesKeptSinceCheckpoint(tracer.get()), 0);
    EXPECT_EQ(GST_OBJECT_REFCOUNT_VALUE(player.pipeline()), 1);
    EXPECT_GE(observer.Count(), 300u);
}

}  // namespace
}  // namespace tavelin
