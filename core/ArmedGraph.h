#pragma once
// Recording on motion: while armed, the camera's frames (and its sound, when chosen)
// are encoded as for a recording and the last seconds of them kept, encoded, in a
// bounded ring, while the preview goes on as before. When motion comes, a file opens
// with the ring's contents followed by the live frames; the camera is never restarted
// for arming, starting or finishing a file.

#include <string>

#include "core/RecordRequest.h"
#include "core/RecordingNames.h"

namespace tavelin {

class IArmedGraph {
public:
    virtual ~IArmedGraph() = default;

    // Replaces the current graph with one that previews (the frame source delivers as
    // before) and keeps the last `secondsBefore` seconds encoded with the request's
    // choices. request.path and request.replaceExisting are not used here. Fails as
    // BuildRecordGraph does (audioFailed() likewise), after a full teardown. While armed,
    // an error on the graph sets deviceLost(), as while recording; Teardown() disarms.
    virtual bool BuildArmedGraph(const RecordRequest& request, int secondsBefore) = 0;
    virtual bool armed() const = 0;

    // Opens `path` (written beside it under a hidden name and named once data has reached
    // it, as any recording; a name found taken then moves on to the one `names` gives,
    // when not null) and writes the kept seconds, then the live frames, without a gap
    // or a repeated frame. False when the file cannot start; failureCause() then names a
    // file's fault, and the armed graph keeps running. Also false while a file is being
    // written already.
    virtual bool StartArmedFile(const std::string& path, bool replaceExisting,
                                IRecordingNames* names) = 0;
    // Finishes the file (index written, committed under its name) and stays armed; the
    // ring has kept filling meanwhile, so the next file has its seconds before at once.
    virtual bool FinishArmedFile() = 0;
    // True from a successful StartArmedFile until FinishArmedFile or Teardown (which
    // finishes the file too), or until a write error (a full disk) seen by a frame wait
    // ended the file: then it turns false by itself, failureCause() names the cause, what
    // was written stays, and the graph stays armed.
    virtual bool writingArmedFile() const = 0;
};

}  // namespace tavelin
