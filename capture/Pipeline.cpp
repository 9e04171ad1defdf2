#include "capture/Pipeline.h"

#include <algorithm>

#include "capture/GraphParts.h"
#include "capture/ThreadAnnotations.h"

namespace tavelin {

namespace {

using Clock = std::chrono::steady_clock;

constexpr GstClockTime kPollStep = 20 * GST_MSECOND;
// A bin fails its state change as soon as a child reports an error, and forwards the
// message to the bus just after: a failed change waits this long for its cause.
constexpr GstClockTime kCauseWait = 500 * GST_MSECOND;

// An error or a warning as the element posted it.
struct BusReport {
    std::string from;  // the element's name
    std::string message;
    std::string debug;
    bool noSpaceLeft = false;
};

BusReport Parse(GstMessage* message) {
    GError* raw = nullptr;
    gchar* debug = nullptr;
    if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_ERROR)
        gst_message_parse_error(message, &raw, &debug);
    else
        gst_message_parse_warning(message, &raw, &debug);
    GErrorPtr error(raw);
    GCharPtr details(debug);
    BusReport report;
    GstObject* from = GST_MESSAGE_SRC(message);
    report.from = from != nullptr ? GST_OBJECT_NAME(from) : "pipeline";
    report.message = error ? error->message : "unknown error";
    if (details)
        report.debug = details.get();
    report.noSpaceLeft =
        error && g_error_matches(error.get(), GST_RESOURCE_ERROR, GST_RESOURCE_ERROR_NO_SPACE_LEFT);
    return report;
}

}  // namespace

PipelineError ErrorOf(GstMessage* message) {
    BusReport report = Parse(message);
    PipelineError parsed;
    parsed.from = GST_MESSAGE_SRC(message);
    parsed.text = report.from + ": " + report.message;
    parsed.debug = std::move(report.debug);
    parsed.noSpaceLeft = report.noSpaceLeft;
    return parsed;
}

namespace {

GstClockTime Remaining(Clock::time_point deadline) {
    const auto left = deadline - Clock::now();
    if (left <= Clock::duration::zero())
        return 0;
    return static_cast<GstClockTime>(
        std::chrono::duration_cast<std::chrono::nanoseconds>(left).count());
}

}  // namespace

std::string DebugSuffix(const std::string& debug) {
    if (debug.empty())
        return {};
    // GStreamer puts the cause on a line of its own after the code location.
    std::string oneLine = debug;
    std::replace(oneLine.begin(), oneLine.end(), '\n', ' ');
    return " (debug: " + oneLine + ")";
}

std::string BusMessageText(GstMessage* message) {
    const BusReport report = Parse(message);
    return (GST_MESSAGE_TYPE(message) == GST_MESSAGE_ERROR ? "error from " : "warning from ") +
           report.from + ": " + report.message + DebugSuffix(report.debug);
}

CPipeline::CPipeline(const char* name, LogArea area)
    : name_(name), area_(area), pipeline_(Adopt(gst_pipeline_new(name))) {
    if (pipeline_)
        bus_.reset(gst_pipeline_get_bus(GST_PIPELINE(pipeline_.get())));
}

void CPipeline::Report(GstMessage* message) const {
    const GstMessageType type = GST_MESSAGE_TYPE(message);
    if (type != GST_MESSAGE_ERROR && type != GST_MESSAGE_WARNING)
        return;
    Log(area_, type == GST_MESSAGE_ERROR ? LogLevel::Error : LogLevel::Warning,
        name_ + ": " + BusMessageText(message));
}

CPipeline::~CPipeline() {
    Stop();
}

GstElement* CPipeline::Add(GstElementPtr element) {
    if (!pipeline_ || !element)
        return nullptr;
    GstElement* raw = element.get();
    if (!gst_bin_add(GST_BIN(pipeline_.get()), raw))
        return nullptr;
    return raw;  // our reference goes; the pipeline's own keeps it alive
}

void CPipeline::Remove(GstElement* element) {
    if (!pipeline_ || element == nullptr)
        return;
    gst_element_set_state(element, GST_STATE_NULL);
    gst_bin_remove(GST_BIN(pipeline_.get()), element);
}

bool CPipeline::TakeError(GstClockTime wait) {
    GstMessagePtr message(gst_bus_timed_pop_filtered(bus_.get(), wait, GST_MESSAGE_ERROR));
    if (!message)
        return false;
    MarkAcquired(message.get());
    Report(message.get());
    error_ = ErrorOf(message.get());
    return true;
}

GstMessagePtr CPipeline::Pop() {
    if (!bus_)
        return {};
    GstMessagePtr message(gst_bus_pop(bus_.get()));
    if (message) {
        MarkAcquired(message.get());
        Report(message.get());
        if (GST_MESSAGE_TYPE(message.get()) == GST_MESSAGE_EOS)
            endOfStream_ = true;
    }
    return message;
}

namespace {

GstBusSyncReply OnPosted(GstBus*, GstMessage* message, gpointer data) {
    MarkAcquired(data);
    (*static_cast<std::function<void(GstMessage*)>*>(data))(message);
    MarkReleased(data);
    MarkReleased(message);  // the bus hands it on to whoever takes it off
    return GST_BUS_PASS;
}

void DeleteWatch(gpointer data) {
    MarkAcquired(data);  // the posting threads are done with it
    delete static_cast<std::function<void(GstMessage*)>*>(data);
}

}  // namespace

void CPipeline::WatchMessages(std::function<void(GstMessage*)> watch) {
    if (!bus_)
        return;
    // The bus owns the copy and frees it when the handler is replaced.
    auto* copy = new std::function<void(GstMessage*)>(std::move(watch));
    MarkReleased(copy);
    gst_bus_set_sync_handler(bus_.get(), &OnPosted, copy, &DeleteWatch);
}

bool CPipeline::DrainBus() {
    if (!bus_)
        return false;
    bool failed = false;
    while (GstMessagePtr message = Pop()) {
        // The first error is the cause; what follows is its echo from other elements.
        if (GST_MESSAGE_TYPE(message.get()) == GST_MESSAGE_ERROR && !failed) {
            error_ = ErrorOf(message.get());
            failed = true;
        }
    }
    return failed;
}

bool CPipeline::Ready() {
    if (!pipeline_)
        return false;
    if (gst_element_set_state(pipeline_.get(), GST_STATE_READY) == GST_STATE_CHANGE_FAILURE) {
        if (!TakeError(kCauseWait))
            SetFailure("could not open the devices");
        return false;
    }
    return !TakeError();
}

bool CPipeline::Play(std::chrono::milliseconds limit) {
    if (!pipeline_)
        return false;
    const auto deadline = Clock::now() + limit;
    if (gst_element_set_state(pipeline_.get(), GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE) {
        if (!TakeError(kCauseWait))
            SetFailure("the pipeline refused to start");
        return false;
    }
    for (;;) {
        if (TakeError())
            return false;
        GstState current = GST_STATE_VOID_PENDING;
        GstState pending = GST_STATE_VOID_PENDING;
        const GstStateChangeReturn result =
            gst_element_get_state(pipeline_.get(), &current, &pending, kPollStep);
        if (result == GST_STATE_CHANGE_FAILURE) {
            if (!TakeError(kCauseWait))
                SetFailure("the pipeline failed to start");
            return false;
        }
        if (result == GST_STATE_CHANGE_SUCCESS && current == GST_STATE_PLAYING) {
            return !TakeError();
        }
        if (Clock::now() >= deadline) {
            SetFailure("the pipeline did not start in time");
            return false;
        }
    }
}

bool CPipeline::WaitForEos(std::initializer_list<GstElement*> writers,
                           std::chrono::milliseconds limit) {
    const auto deadline = Clock::now() + limit;
    for (;;) {
        GstMessagePtr message(gst_bus_timed_pop_filtered(
            bus_.get(), Remaining(deadline),
            static_cast<GstMessageType>(GST_MESSAGE_EOS | GST_MESSAGE_ERROR)));
        if (!message)
            return false;
        MarkAcquired(message.get());
        if (GST_MESSAGE_TYPE(message.get()) == GST_MESSAGE_EOS)
            return true;
        Report(message.get());
        GstObject* from = GST_MESSAGE_SRC(message.get());
        if (std::find(writers.begin(), writers.end(), reinterpret_cast<GstElement*>(from)) !=
            writers.end()) {
            return false;  // the file itself cannot be finished
        }
    }
}

void CPipeline::SendEosFromHelper(GstPadPtr pad) {
    if (!pad)
        return;
    eosSenders_.emplace_back([pad = std::move(pad)] {
        // An input that already ended refuses a second EOS, which is harmless.
        gst_pad_send_event(pad.get(), gst_event_new_eos());
    });
}

bool CPipeline::FinishStream(std::initializer_list<GstElement*> heads, GstElement* mux,
                             std::initializer_list<GstElement*> writers,
                             std::chrono::milliseconds branchLimit,
                             std::chrono::milliseconds muxLimit) {
    if (!pipeline_ || mux == nullptr)
        return false;
    for (GstElement* head : heads)
        SendEosFromHelper(GetInPin(head, 0));
    if (WaitForEos(writers, branchLimit))
        return true;
    // Something between a branch head and the muxer is stuck: end the muxer's
    // inputs themselves, so the file still gets its index.
    SendEosToInputs(mux);
    return WaitForEos(writers, muxLimit);
}

void CPipeline::SendEosToInputs(GstElement* element) {
    for (int i = 0;; ++i) {
        GstPadPtr input = GetInPin(element, i);
        if (!input)
            break;
        SendEosFromHelper(std::move(input));
    }
}

void CPipeline::Stop() {
    if (!pipeline_)
        return;
    // Going to NULL flushes every pad, which also frees any EOS sender still
    // waiting for a stream lock.
    gst_element_set_state(pipeline_.get(), GST_STATE_NULL);
    for (std::thread& sender : eosSenders_)
        sender.join();
    eosSenders_.clear();
    // No streaming thread posts any more: the watch can go.
    gst_bus_set_sync_handler(bus_.get(), nullptr, nullptr, nullptr);
    // Whatever nobody read is still worth a line in the log before it goes.
    while (GstMessagePtr message{gst_bus_pop(bus_.get())})
        Report(message.get());
    gst_bus_set_flushing(bus_.get(), TRUE);
    bus_.reset();
    pipeline_.reset();
}

}  // namespace tavelin
