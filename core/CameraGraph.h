#pragma once
// The one camera graph as the session sees it: the camera at one size, always feeding
// the preview's frame hand-off, with an encoding output linked to it and unlinked while
// it plays, and files written from that output. Nothing here waits: a frame is taken
// when one has come, and what happens to a file or to the graph comes back as news,
// taken on the main thread.
//
// Only a size or camera change builds the camera branch again (BuildPreviewGraph with
// another size, or after SetCameraWish); linking or unlinking the output, and starting
// or finishing a file, never stop the camera.

#include <cstdint>
#include <string>
#include <vector>

#include "core/FrameSource.h"
#include "core/RecordRequest.h"
#include "core/RecordingNames.h"

namespace tavelin {

// Something the graph did on its own, reported in the order it happened.
struct GraphNews {
    enum class Kind {
        FileStarted,   // data reached the file and it has its name (path)
        FileFinished,  // the file has its index and its name (path, frames, seconds)
        // The file could not start, or ended on an error (path: the name it has, empty
        // when it got none). cause: the file's fault in words for the user (a full disk),
        // empty for anything else. What had reached the disk stays, named.
        FileFailed,
        // The encoding output stopped on an error that is not the file's (an encoder
        // giving up); it has been unlinked and the preview runs on.
        OutputFailed,
    };
    Kind kind = Kind::FileStarted;
    std::string path;
    std::string cause;
    std::uint64_t frames = 0;
    double seconds = 0.0;
};

class ICameraGraph : public IFrameSource {
public:
    // ---- the encoding output ----
    // Links an output that encodes the frames (and the sound, with request.audioEnabled)
    // with the request's choices and keeps the last `secondsBefore` seconds of them,
    // encoded; an output that encodes otherwise is replaced, after a file it writes is
    // finished. request.path, replaceExisting and names are not used here. False when the
    // output cannot be built (failureCause() names a file's fault, audioFailed() as for a
    // recording); the preview runs on either way.
    virtual bool AttachEncoder(const RecordRequest& request, int secondsBefore) = 0;
    // Unlinks the output, finishing a file it writes first. Nothing without one.
    virtual void DetachEncoder() = 0;
    virtual bool encoderAttached() const = 0;

    // ---- files ----
    // Begins a file from the output: with `fromRing` the kept seconds come first (record
    // on motion), otherwise it starts with the next picture (a recording by hand). The
    // file is written under a hidden name and named once data has reached it, replacing
    // an existing file only with `replaceExisting`; a name found taken moves on to the one
    // `names` gives, when not null. False at once when no file can begin (no output, a
    // file already written, the hidden file cannot be created: failureCause()); otherwise
    // FileStarted or FileFailed follows as news.
    virtual bool StartFile(const std::string& path, bool replaceExisting, IRecordingNames* names,
                           bool fromRing) = 0;
    // Ends the file: FileFinished (or FileFailed) follows as news. Nothing without a file.
    virtual void FinishFile() = 0;
    // From StartFile until the news of its end has been taken.
    virtual bool writingFile() const = 0;

    // What happened since the last call, oldest first. Never waits.
    virtual std::vector<GraphNews> TakeNews() = 0;

    // The chosen audio encoder could not be used and the sound went in uncompressed.
    virtual bool audioFailed() const = 0;
    virtual void ClearAudioFailed() = 0;
};

}  // namespace tavelin
