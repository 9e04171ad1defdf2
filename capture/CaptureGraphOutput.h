#pragma once
// CCaptureGraph's encoding output and the file written from it, shared by the graph's
// two source files.

#include <atomic>
#include <chrono>
#include <memory>
#include <string>

#include "capture/ArmedTap.h"
#include "capture/ArmedWriter.h"
#include "capture/CaptureGraph.h"
#include "capture/GstPtr.h"
#include "core/RecordRequest.h"

namespace tavelin {

struct CCaptureGraph::Output {
    CCaptureGraph* graph = nullptr;
    RecordRequest request;
    GstElementPtr bin;   // the output's elements; the pipeline holds it too while linked
    GstPadPtr teePad;    // the tee's pad it is linked to
    GstPadPtr binInput;  // the bin's pad for the frames
    std::unique_ptr<CArmedTap> tap;
    gulong dropProbe = 0;
    bool withSound = false;
    // Set by the bus watch as an element of the output posts an error: from then on the
    // tee drops what the output would refuse, so the failure stays the output's.
    std::atomic<bool> failed{false};
    // Set once the tee's pad is unlinked from the bin; it can then go.
    std::atomic<bool> unlinked{false};
};

struct CCaptureGraph::FileRun {
    using Clock = std::chrono::steady_clock;

    std::unique_ptr<CArmedWriter> writer;
    std::string asked;  // the path StartFile was given
    bool replace = false;
    IRecordingNames* names = nullptr;
    Clock::time_point startDeadline;
    GstClockTime startedAt = GST_CLOCK_TIME_NONE;  // the camera graph's running time
    bool finishing = false;
    bool muxerEnded = false;  // EOS went straight into the muxer
    Clock::time_point finishDeadline;
};

}  // namespace tavelin
