#pragma once
// One running graph: a GstPipeline with its bus. Starts it and waits until it
// really plays, finishes a stream with EOS, and stops it with every streaming
// thread joined.

#include <gst/gst.h>

#include <chrono>
#include <functional>
#include <initializer_list>
#include <string>
#include <thread>
#include <vector>

#include "capture/GstPtr.h"
#include "core/Log.h"

namespace tavelin {

// An error a pipeline reported.
struct PipelineError {
    std::string text;                 // "<element>: <message>"; empty when there was none
    std::string debug;                // the element's own details
    const GstObject* from = nullptr;  // who posted it; for comparing only
    bool noSpaceLeft = false;         // a writer found the disk full
};

// " (debug: <debug>)" on one line, or nothing when there is no debug text: what a log
// line adds after an error's text.
std::string DebugSuffix(const std::string& debug);
// An error or warning message for the log: "error from <element>: <message> (debug:
// <debug>)".
std::string BusMessageText(GstMessage* message);
// The error an error message carries.
PipelineError ErrorOf(GstMessage* message);

// Every error and warning message the pipeline posts is logged under `area`, named by
// the pipeline and the element that posted it, with the element's debug text.
class CPipeline {
public:
    CPipeline(const char* name, LogArea area);
    ~CPipeline();
    CPipeline(const CPipeline&) = delete;
    CPipeline& operator=(const CPipeline&) = delete;

    bool valid() const { return pipeline_ != nullptr; }
    GstElement* element() const { return pipeline_.get(); }

    // Puts the element into the pipeline, which then owns it; returns it for linking
    // (valid while the pipeline lives), or null on failure.
    GstElement* Add(GstElementPtr element);
    // Takes an element that is not linked any more back out of the pipeline.
    void Remove(GstElement* element);

    // Brings the pipeline to READY (devices opened) or to PLAYING. Playing means the
    // first buffers have reached the sinks; an error on the bus or `limit` passing
    // first is a failure.
    bool Ready();
    bool Play(std::chrono::milliseconds limit);

    // Ends a recording so the muxer writes its index. EOS goes in at the head of
    // each branch (`heads`: the first queue after each source), so what is already
    // on its way still reaches the file; if the file is not finished within
    // `branchLimit`, EOS goes straight into the muxer's inputs, with `muxLimit` more.
    // True when the file was finished. Errors from anything but the `writers` do
    // not stop the wait: a dead camera has usually said so already.
    //
    // The events are sent from helper threads: a source that hangs holds its
    // branch's stream lock, and no call on the main thread may wait for it without
    // a bound. Stop() releases whatever they still wait for and joins them.
    bool FinishStream(std::initializer_list<GstElement*> heads, GstElement* mux,
                      std::initializer_list<GstElement*> writers,
                      std::chrono::milliseconds branchLimit, std::chrono::milliseconds muxLimit);

    // Sends EOS into every input of `element` from helper threads, without waiting:
    // a stuck branch ahead of a muxer must not keep its file from its index.
    void SendEosToInputs(GstElement* element);

    // To NULL: returns when every streaming thread has left the pipeline.
    void Stop();

    // Takes every message off the bus, so none piles up over a long run; true when an
    // error was among them (then in error()).
    bool DrainBus();
    // One message off the bus (logged when an error or a warning), or null.
    GstMessagePtr Pop();
    // An EOS has been taken off the bus: every sink has everything.
    bool endOfStream() const { return endOfStream_; }

    // `watch` sees every message as it is posted, on the posting thread, before it goes
    // on to the bus; for waking the main thread. Until Stop().
    void WatchMessages(std::function<void(GstMessage*)> watch);

    // The text of the error that made Ready() or Play() fail, for diagnostics.
    const std::string& lastError() const { return error_.text; }
    const PipelineError& error() const { return error_; }
    // Sets the text of a failure that was not an error message.
    void SetFailure(std::string text) {
        error_ = PipelineError();
        error_.text = std::move(text);
    }

private:
    // Takes the first error off the bus, waiting up to `wait` for one to arrive.
    bool TakeError(GstClockTime wait = 0);
    // Logs an error or warning message; other messages are passed over.
    void Report(GstMessage* message) const;
    void SendEosFromHelper(GstPadPtr pad);
    bool WaitForEos(std::initializer_list<GstElement*> writers, std::chrono::milliseconds limit);

    std::string name_;
    LogArea area_;
    GstElementPtr pipeline_;
    GstBusPtr bus_;
    std::vector<std::thread> eosSenders_;
    PipelineError error_;
    bool endOfStream_ = false;
};

}  // namespace tavelin
