#pragma once
// Where the encoding output's streams end: an appsink for the picture and one for
// the sound. What arrives goes into the ring and, while a file is written, to the file
// as well, both under one lock: a piece that came before the file started is in the ring
// the file starts with, a piece after it goes to the file as it comes, so the hand-over
// from ring to file loses and repeats nothing. The ring keeps filling while a file is
// written, so motion soon after a file has the seconds before it too.
//
// Threads: the appsinks call in on the output's streaming threads; everything else runs
// on the main thread. The tap outlives the output's streaming threads (it is freed only
// after the output's elements stopped), and a writer given to StartFile outlives the
// StopFile that takes it back.

#include <gst/app/gstappsink.h>
#include <gst/gst.h>

#include <cstddef>
#include <mutex>

#include "capture/EncoderCatalog.h"
#include "capture/GstPtr.h"
#include "capture/PreRollRing.h"

namespace tavelin {

class CArmedWriter;

// What the ring holds, for the benchmark and the log.
struct RingFigures {
    std::size_t bytes = 0;
    std::size_t peakBytes = 0;
    std::size_t pictures = 0;
    GstClockTime pictureSpan = 0;
};

class CArmedTap {
public:
    explicit CArmedTap(GstClockTime window);
    ~CArmedTap();
    CArmedTap(const CArmedTap&) = delete;
    CArmedTap& operator=(const CArmedTap&) = delete;

    // Ends `from` in an appsink in `bin` that takes what the AVI muxer takes on an input
    // of that kind, so the encoder settles on the same output as for a recording. False,
    // with nothing left in the bin, when they cannot be linked.
    bool AddSink(GstBin* bin, GstElement* from, EncoderKind kind);
    // The stream's caps as it arrives; null before its first piece.
    GstCapsPtr caps(EncoderKind kind) const;
    // The seconds kept from now on.
    void SetWindow(GstClockTime window);

    // Every new piece goes to the writer until StopFile, which also ends the writer's
    // input; with `fromRing` the ring's contents go first. The encoder is asked for a key
    // frame whenever the writer waits for one.
    void StartFile(CArmedWriter& writer, bool fromRing);
    void StopFile();

    RingFigures figures() const;

private:
    struct Sink {
        CArmedTap* owner = nullptr;
        EncoderKind kind = EncoderKind::Video;
        GstElement* element = nullptr;  // not owning: the pipeline holds it
    };
    static GstFlowReturn OnNewSample(GstAppSink* sink, gpointer data);
    void Take(EncoderKind kind, GstSample* sample);
    // Asks the picture's encoder for a key frame soon.
    void AskForKeyFrame();

    Sink picture_;
    Sink sound_;
    mutable std::mutex lock_;
    CPreRollRing ring_;               // guarded by lock_
    CArmedWriter* writer_ = nullptr;  // guarded by lock_
    GstCapsPtr pictureCaps_;          // guarded by lock_
    GstCapsPtr soundCaps_;            // guarded by lock_
};

}  // namespace tavelin
