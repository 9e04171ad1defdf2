#pragma once
// One file of a recording on motion: appsrc (picture) [+ appsrc (sound)] -> avimux ->
// fdsink, in a pipeline of its own beside the armed graph, which keeps running. It is
// fed encoded pieces, the ring's and then the live ones, timed in the armed graph's
// running time, and writes them from the first key frame on, timed from that picture:
// the file starts at 0 whatever the clock said, with the camera's own spacing after.
//
// The file is a CRecordFile: written under a hidden name through the descriptor that
// created it, and given its name once data is on the disk.
//
// Sound is held back to at most kLead past the last picture given, so a file that ends
// has no sound after its last picture; sound from before the first picture is dropped
// (CSoundCutter keeps a recording by hand in step the same way).
//
// Threads: Open, WaitForData, Commit, Finish, DrainBus and the destructor run on the main
// thread. The Push calls and EndInput run under the armed tap's lock (ArmedTap.h), one at
// a time, between Open and Finish.

#include <gst/gst.h>

#include <chrono>
#include <cstddef>
#include <deque>
#include <memory>
#include <string>

#include "capture/Pipeline.h"
#include "capture/PreRollRing.h"
#include "core/RecordingNames.h"

namespace tavelin {

class CRecordFile;

class CArmedWriter {
public:
    // How far the sound may run ahead of the picture before it is held back.
    static constexpr GstClockTime kLead = 100 * GST_MSECOND;
    // Sound held while no picture has come; the oldest goes beyond this.
    static constexpr std::size_t kMostHeldSound = 512;

    CArmedWriter();
    ~CArmedWriter();  // stops the pipeline; a file never given its name is removed
    CArmedWriter(const CArmedWriter&) = delete;
    CArmedWriter& operator=(const CArmedWriter&) = delete;

    // Creates the hidden file beside `path` and the pipeline for pictures of `picture`
    // caps and, when not null, sound of `sound` caps, and sets it going; it then waits
    // for the first pieces. False when the file cannot be created (errorNumber() says
    // why) or the pipeline cannot be made or started (error()).
    bool Open(const std::string& path, GstCaps* picture, GstCaps* sound);

    // Input, under the tap's lock.
    void PushPicture(const EncodedPiece& piece);
    void PushSound(const EncodedPiece& piece);
    // No picture written yet: the first must be a key frame.
    bool waitingForKeyFrame() const { return !GST_CLOCK_TIME_IS_VALID(base_); }
    // No more input: the held sound up to the last picture goes in, then each stream ends.
    void EndInput();
    // The pictures and sound pieces handed to the muxer so far.
    std::size_t picturesWritten() const { return picturesWritten_; }

    // Waits until data is on the disk; false on an error (error()) or after `limit`.
    bool WaitForData(std::chrono::milliseconds limit);
    // Gives the file its name (see CRecordFile::Commit); errorNumber() on failure.
    bool Commit(bool replace, IRecordingNames* names);
    // The name the file has or gets; empty before Open.
    std::string path() const;
    // After EndInput: waits for the muxer to write the index, then stops the pipeline and
    // flushes the file. After a write error nothing more reaches the disk, so the muxer
    // is told to finish at once. True when the file got its index.
    bool Finish(bool afterWriteError);

    // Takes every message off the bus; true when an error was among them (error()).
    bool DrainBus();
    const PipelineError& error() const;
    // The error came from the file writer itself (a full disk, an I/O error).
    bool IsWriterError(const PipelineError& error) const;
    int errorNumber() const { return errorNumber_; }

private:
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

    // Input side, under the tap's lock.
    GstClockTime base_ = GST_CLOCK_TIME_NONE;  // running time of the file's first picture
    GstClockTime lastPictureEnd_ = GST_CLOCK_TIME_NONE;
    std::deque<EncodedPiece> heldSound_;
    std::size_t picturesWritten_ = 0;
};

}  // namespace tavelin
