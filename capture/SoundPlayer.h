#pragma once
// Plays a sound file in the background: the alarm, and the Monitor Settings preview
// through the main window. The sounds are WAV files, played by one pipeline built once
// (file -> WAV parser -> convert -> resample -> sink) and reused for every sound; a
// playbin would build a new decoding chain per sound and keep a little of each.
//
// It never interrupts itself: Play while a sound is still playing does nothing, so a
// continuing alarm is replayed back to back instead of being cut off. A missing or
// unplayable file stays silent: no message box (the log says why), and the player is
// ready for the next file.
//
// No GLib main loop is needed. A bus sync handler, called on the thread that posts,
// notes the end of the stream or an error and releases every message, so nothing piles
// up on the bus however long the program runs; the pipeline is then brought to NULL from
// GStreamer's own helper thread (gst_element_call_async), since a streaming thread may
// not change its pipeline's state. The sound device is thus released as soon as the
// sound has ended, even if nobody asks the player again.

#include <gst/gst.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <string>

#include "capture/GstPtr.h"
#include "core/MonitorCore.h"

namespace tavelin {

class CSoundPlayer : public IAlarm {
public:
    // audioSink: a gst-launch description of where the sound goes.
    explicit CSoundPlayer(const std::string& audioSink = "autoaudiosink");
    ~CSoundPlayer() override;
    CSoundPlayer(const CSoundPlayer&) = delete;
    CSoundPlayer& operator=(const CSoundPlayer&) = delete;

    // Starts playing the file from its beginning and returns at once. Does nothing while
    // a sound is playing. False when nothing was started (still playing, no such file,
    // no player); a file that turns out to be unplayable ends silently later.
    bool Play(const std::string& path);
    // Ends the sound, if one plays.
    void Stop();
    // True from a successful Play until the sound ends, fails or is stopped.
    bool IsPlaying() const;

    // IAlarm
    void PlayAlarm(const std::string& path) override { Play(path); }

    // The element built from the audioSink description (a bin around it), and the whole
    // player, for tests.
    GstElement* audioSink() const { return sink_; }
    GstElement* pipeline() const { return pipeline_.get(); }

private:
    // Shared with callbacks that may still be queued when the player is gone.
    struct Shared {
        std::mutex stateLock;                 // one state change of the pipeline at a time
        std::atomic<unsigned> generation{0};  // bumped by every Play and Stop
        std::atomic<bool> ended{false};       // the current sound ended or failed
        GstElement* pipeline = nullptr;       // the bus handler is removed before it goes
    };

    static GstBusSyncReply OnBusMessage(GstBus* bus, GstMessage* message, gpointer data);
    // Brings the pipeline to NULL and starts a new generation; the caller holds stateLock.
    void HaltLocked();

    std::shared_ptr<Shared> shared_;
    GstElementPtr pipeline_;
    GstElement* file_ = nullptr;  // owned by pipeline_
    GstElement* sink_ = nullptr;  // owned by pipeline_
    bool started_ = false;        // a Play succeeded and no Stop followed
};

}  // namespace tavelin
