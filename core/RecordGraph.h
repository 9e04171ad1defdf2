#pragma once
// What the recorder needs of the camera object besides the frame source: a graph
// that writes the picture (and maybe sound) to a file while frames keep flowing.

#include <string>

#include "core/RecordRequest.h"

namespace tavelin {

class IRecordGraph {
public:
    virtual ~IRecordGraph() = default;
    // Builds and runs the recording graph; the caller has torn the last graph down.
    virtual bool BuildRecordGraph(const RecordRequest& request) = 0;
    // The chosen audio encoder could not be used and the sound went in uncompressed.
    virtual bool audioFailed() const = 0;
    virtual void ClearAudioFailed() = 0;
    // When the file was why the last build failed (no space, no permission, a name
    // taken), the cause in words for the user; empty for any other failure.
    virtual std::string failureCause() const = 0;
};

}  // namespace tavelin
