#pragma once
// One file written from the encoding output: appsrc (picture) [+ appsrc (sound)] ->
// avimux -> fdsink, in a pipeline of its own beside the camera's graph, which keeps
// running. It is fed encoded pieces (the ring's and then the live ones, or the live ones
// alone), timed in the camera graph's running time, and writes them from the first key
// frame on, timed from that picture: the file starts at 0 whatever the clock said, with
// the camera's own spacing after.
//
// The file is a CRecordFile: written under a hidden name through the descriptor that
// created it, and given its name once data is on the disk.
//
// Sound is held back to at most kLead past the last picture given, so a file that ends
// has no sound after its last picture; sound that ended before the first picture is
// dropped. With sound, the first picture is the first key frame that does not begin
// before the sound (give or take kSoundSlack): an AVI file's sound has no start time of
// its own, so sound that began after the first picture would play early for the whole
// file. Starting at such a key frame works for compressed sound too, where silence could
// not simply be put in front; for Motion JPEG it costs at most one picture.
//
// Threads: Create, Open, Commit, the bus and the finishing calls run on the main thread.
// SetCaps, the Push calls, TakeKeyFrameWish and EndInput run under the tap's lock
// (ArmedTap.h), one at a time, between Open and the tap's StopFile. The wake given to
// Open is called on the writer's streaming threads.

#include <gst/gst.h>

#include <atomic>
#include <chrono>
#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <string>

#include "capture/EncoderCatalog.h"
#include "capture/Pipeline.h"
#include "capture/PreRollRing.h"
#include "core/RecordingNames.h"

namespace tavelin {

class CRecordFile;

class CArmedWriter {
public:
    // How far the sound may run ahead of the picture before it is held back.
    static constexpr GstClockTime kLead = 100 * GST_MSECOND;
    // Sound starting this much after a key frame still starts the file with it: about
    // one piece of sound, which nobody can hear.
    static constexpr GstClockTime kSoundSlack = 25 * GST_MSECOND;
    // Sound held while no picture has come; the oldest goes beyond this.
    static constexpr std::size_t kMostHeldSound = 512;

    CArmedWriter();
    ~CArmedWriter();  // stops the pipeline; a file never given its name is removed
    CArmedWriter(const CArmedWriter&) = delete;
    CArmedWriter& operator=(const CArmedWriter&) = delete;

    // Creates the hidden file beside `path`; false when it cannot be (errorNumber()).
    bool Create(const std::string& path);
    // Makes the pipeline for pictures and, with `sound`, sound, and sets it going; the
    // caps follow with SetCaps before the first piece. `wake` is called whenever the
    // main thread has something to look at: data going to the disk before the file has
    // its name, an error, the end of the stream. False when the pipeline cannot be made
    // or started (error()).
    bool Open(bool sound, std::function<void()> wake);

    // Input, under the tap's lock.
    void SetCaps(EncoderKind kind, GstCaps* caps);
    void PushPicture(const EncodedPiece& piece);
    void PushSound(const EncodedPiece& piece);
    // No picture written yet: the first must be a key frame.
    bool waitingForKeyFrame() const { return !GST_CLOCK_TIME_IS_VALID(base_); }
    // True once when a key frame should be asked for: the sound has just begun and a
    // picture is still waited for.
    bool TakeKeyFrameWish();
    // No more input: the held sound up to the last picture goes in, then each stream ends.
    void EndInput();
    // The running time of the file's first picture, once there is one; any thread.
    GstClockTime firstPicture() const { return firstPicture_.load(std::memory_order_acquire); }
    // After EndInput: the pictures handed to the muxer, and the span they cover.
    std::size_t picturesWritten() const { return picturesWritten_; }
    double secondsWritten() const;

    // Whether any byte has reached the disk.
    bool HasData() const;
    // Gives the file its name (see CRecordFile::Commit); errorNumber() on failure.
    bool Commit(bool replace, IRecordingNames* names);
    bool named() const { return named_.load(std::memory_order_acquire); }
    // The name the file has or gets; empty before Create.
    std::string path() const;

    // Takes every message off the bus; true when an error was among them (error()).
    bool DrainBus();
    // The muxer has written the index: EOS reached the writer.
    bool endOfStream() const { return pipeline_ && pipeline_->endOfStream(); }
    // EOS straight into the muxer's inputs, without waiting: what is stuck on the way
    // is given up so the index still gets written.
    void EndMuxerInputs();
    // Stops the pipeline and flushes the file.
    void Stop();
    // After EndInput, waiting: for the muxer to write the index, then Stop(). After a
    // write error nothing more reaches the disk, so the muxer is told to finish at once.
    // True when the file got its index. For the end of the program.
    bool Finish(bool afterWriteError);

    const PipelineError& error() const;
    // The error came from the file writer itself (a full disk, an I/O error).
    bool IsWriterError(const PipelineError& error) const;
    int errorNumber() const { return errorNumber_; }

private:
    static GstPadProbeReturn OnWrite(GstPad* pad, GstPadProbeInfo* info, gpointer self);
    void Push(GstElement* source, const EncodedPiece& piece);
    // Hands the held sound that starts before `until` to the muxer.
    void ReleaseSound(GstClockTime until);

    std::unique_ptr<CRecordFile> file_;
    std::unique_ptr<CPipeline> pipeline_;
    GstElement* picture_ = nullptr;  // not owning: the pipeline holds them
    GstElement* sound_ = nullptr;
    GstElement* mux_ = nullptr;
    GstElement* sink_ = nullptr;
    int errorNumber_ = 0;
    std::function<void()> wake_;  // set before the pipeline starts, then only read
    std::atomic<bool> named_{false};
    std::atomic<GstClockTime> firstPicture_{GST_CLOCK_TIME_NONE};

    // Input side, under the tap's lock.
    GstClockTime base_ = GST_CLOCK_TIME_NONE;  // running time of the file's first picture
    GstClockTime lastPictureEnd_ = GST_CLOCK_TIME_NONE;
    GstClockTime soundStart_ = GST_CLOCK_TIME_NONE;
    std::deque<EncodedPiece> heldSound_;
    std::size_t picturesWritten_ = 0;
    bool keyFrameWish_ = false;
};

}  // namespace tavelin
