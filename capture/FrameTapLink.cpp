#include "capture/FrameTapLink.h"

#include <gst/app/gstappsink.h>

#include "capture/GraphParts.h"
#include "capture/ThreadAnnotations.h"

namespace tavelin {

namespace {

// A streaming thread's use of an object the main thread frees once the elements have
// stopped, for ThreadSanitizer (see ThreadAnnotations.h).
class Visit {
public:
    explicit Visit(const void* object) : object_(object) { MarkAcquired(object_); }
    ~Visit() { MarkReleased(object_); }
    Visit(const Visit&) = delete;
    Visit& operator=(const Visit&) = delete;

private:
    const void* object_;
};

// What an appsink's callback needs; the appsink owns it and frees it as it goes.
struct SinkContext {
    std::shared_ptr<CTapDelivery> delivery;
    GstClockTime baseTime = 0;
};

void FreeSinkContext(gpointer data) {
    MarkAcquired(data);
    delete static_cast<SinkContext*>(data);
}

// The graph runs on the system clock, which counts CLOCK_MONOTONIC: its base time plus
// the running time of the frame's timestamp is when the camera took it. A sample
// without a usable timestamp gets the time it arrived.
std::int64_t CaptureTime(GstSample* sample, GstClockTime baseTime) {
    GstBuffer* buffer = gst_sample_get_buffer(sample);
    const GstSegment* segment = gst_sample_get_segment(sample);
    if (buffer != nullptr && segment != nullptr && GST_BUFFER_PTS_IS_VALID(buffer)) {
        const GstClockTime running =
            gst_segment_to_running_time(segment, GST_FORMAT_TIME, GST_BUFFER_PTS(buffer));
        if (GST_CLOCK_TIME_IS_VALID(running))
            return static_cast<std::int64_t>(baseTime + running);
    }
    GstClockPtr clock(gst_system_clock_obtain());
    return static_cast<std::int64_t>(gst_clock_get_time(clock.get()));
}

GstFlowReturn OnNewSample(GstAppSink* sink, gpointer data) {
    auto* context = static_cast<SinkContext*>(data);
    const Visit visit(context);
    GstSamplePtr sample(gst_app_sink_pull_sample(sink));
    if (sample)
        context->delivery->Deliver(sample.get(), CaptureTime(sample.get(), context->baseTime));
    return GST_FLOW_OK;
}

GstElement* AddTo(GstElement* bin, GstElementPtr element) {
    if (!element || !gst_bin_add(GST_BIN(bin), element.get()))
        return nullptr;
    return element.get();
}

}  // namespace

GstElementPtr CFrameTapLink::ParseChain(const std::string& chain, std::string& why) {
    GError* error = nullptr;
    // Fatal errors: a missing element must not leave a chain with a hole in it.
    GstElementPtr parsed = Adopt(gst_parse_bin_from_description_full(
        chain.c_str(), TRUE, nullptr, GST_PARSE_FLAG_FATAL_ERRORS, &error));
    GErrorPtr failure(error);
    if (!parsed) {
        why = failure ? failure->message : "it cannot be parsed";
        return {};
    }
    GstPadPtr in = GetInPin(parsed.get(), 0);
    GstPadPtr out = GetOutPin(parsed.get(), 0);
    if (!in || !out || GetInPin(parsed.get(), 1) || GetOutPin(parsed.get(), 1)) {
        why = "it needs one free input and one free output";
        return {};
    }
    return parsed;
}

std::unique_ptr<CFrameTapLink> CFrameTapLink::Make(const std::string& chain,
                                                   std::shared_ptr<CTapDelivery> delivery,
                                                   GstClockTime baseTime,
                                                   std::function<void()> wake, std::string& why) {
    std::unique_ptr<CFrameTapLink> link(new CFrameTapLink);
    link->wake_ = std::move(wake);
    link->bin_ = Adopt(gst_bin_new(nullptr));
    GstElement* bin = link->bin_.get();
    GstElement* queue = AddTo(bin, MakeElement("queue", "tap-queue"));
    GstElement* sink = AddTo(bin, MakeElement("appsink", "tap-sink"));
    if (queue == nullptr || sink == nullptr) {
        why = "no queue or appsink";
        return nullptr;
    }
    GstElement* parsed = nullptr;
    if (!chain.empty()) {
        parsed = AddTo(bin, ParseChain(chain, why));
        if (parsed == nullptr)
            return nullptr;
    }
    // One frame waits at most; a newer one pushes it out, so the camera never waits.
    g_object_set(queue, "leaky", 2 /* downstream */, "max-size-buffers", 1u, "max-size-bytes", 0u,
                 "max-size-time", guint64{0}, nullptr);
    // Not async: a sink linked to a playing graph must not make the whole graph preroll
    // again. No clock to wait for, nothing kept but the newest sample.
    g_object_set(sink, "sync", FALSE, "async", FALSE, "max-buffers", 1u, "drop", TRUE,
                 "enable-last-sample", FALSE, "emit-signals", FALSE, nullptr);
    if (parsed != nullptr ? !LinkChain({queue, parsed, sink}) : !LinkChain({queue, sink})) {
        why = "the chain cannot be linked to the appsink";
        return nullptr;
    }
    auto* context = new SinkContext{std::move(delivery), baseTime};
    MarkReleased(context);
    GstAppSinkCallbacks callbacks{};
    callbacks.new_sample = &OnNewSample;
    gst_app_sink_set_callbacks(GST_APP_SINK(sink), &callbacks, context, &FreeSinkContext);

    GstPadPtr queueIn = GetInPin(queue, 0);
    GstPad* ghost = gst_ghost_pad_new("frames", queueIn.get());
    if (ghost == nullptr || !gst_element_add_pad(bin, ghost)) {
        why = "no input";
        return nullptr;
    }
    link->input_ = Share(ghost);
    gst_pad_set_element_private(ghost, link.get());
    gst_pad_set_chain_function(ghost, &CFrameTapLink::OnChain);
    gst_pad_set_chain_list_function(ghost, &CFrameTapLink::OnChainList);
    gst_pad_set_event_function(ghost, &CFrameTapLink::OnEvent);
    gst_pad_set_query_function(ghost, &CFrameTapLink::OnQuery);
    return link;
}

CFrameTapLink::~CFrameTapLink() {
    MarkAcquired(this);  // the streaming threads are done with it
    if (bin_)
        gst_element_set_state(bin_.get(), GST_STATE_NULL);
}

bool CFrameTapLink::Attach(GstElement* pipeline, GstElement* tee) {
    GstElement* bin = bin_.get();
    if (!gst_bin_add(GST_BIN(pipeline), bin))
        return false;
    // Playing before it is linked: a pad not yet active would refuse the tee's frames.
    if (!gst_element_sync_state_with_parent(bin)) {
        gst_element_set_state(bin, GST_STATE_NULL);
        gst_bin_remove(GST_BIN(pipeline), bin);
        return false;
    }
    teePad_.reset(gst_element_request_pad_simple(tee, "src_%u"));
    MarkReleased(this);  // the camera's thread reads the link from now on
    if (!teePad_ || gst_pad_link(teePad_.get(), input_.get()) != GST_PAD_LINK_OK) {
        if (teePad_)
            gst_element_release_request_pad(tee, teePad_.get());
        teePad_.reset();
        gst_element_set_state(bin, GST_STATE_NULL);
        gst_bin_remove(GST_BIN(pipeline), bin);
        return false;
    }
    return true;
}

void CFrameTapLink::Detach() {
    if (!teePad_) {
        detached_.store(true, std::memory_order_release);
        return;
    }
    MarkReleased(this);
    gst_pad_add_probe(teePad_.get(), GST_PAD_PROBE_TYPE_IDLE, &CFrameTapLink::OnIdle, this,
                      nullptr);
}

GstPadProbeReturn CFrameTapLink::OnIdle(GstPad* pad, GstPadProbeInfo*, gpointer data) {
    auto* link = static_cast<CFrameTapLink*>(data);
    MarkAcquired(link);
    gst_pad_unlink(pad, link->input_.get());
    MarkReleased(link);
    link->detached_.store(true, std::memory_order_release);
    if (link->wake_)
        link->wake_();
    return GST_PAD_PROBE_REMOVE;
}

void CFrameTapLink::Release(GstElement* pipeline, GstElement* tee) {
    if (teePad_ && pipeline != nullptr && tee != nullptr)
        gst_element_release_request_pad(tee, teePad_.get());
    teePad_.reset();
    // To NULL joins the queue's thread: the appsink's callback is done after this.
    gst_element_set_state(bin_.get(), GST_STATE_NULL);
    if (pipeline != nullptr && GST_OBJECT_PARENT(bin_.get()) == GST_OBJECT_CAST(pipeline))
        gst_bin_remove(GST_BIN(pipeline), bin_.get());
    MarkAcquired(this);
}

std::string CFrameTapLink::why() const {
    if (!failed())
        return {};
    if (refusedEvent_ != GST_EVENT_UNKNOWN)
        return std::string("its chain refused the ") + gst_event_type_get_name(refusedEvent_) +
               " event";
    return std::string("its chain refused a frame (") + gst_flow_get_name(failedFlow_) + ")";
}

bool CFrameTapLink::Contains(GstObject* object) const {
    GstObject* bin = GST_OBJECT_CAST(bin_.get());
    return object != nullptr && (object == bin || gst_object_has_as_ancestor(object, bin));
}

void CFrameTapLink::Fail(GstFlowReturn result, GstEventType refusedEvent) {
    if (failureNoted_.exchange(true, std::memory_order_acq_rel))
        return;
    failedFlow_ = result;
    refusedEvent_ = refusedEvent;
    failed_.store(true, std::memory_order_release);
    if (wake_)
        wake_();
}

GstFlowReturn CFrameTapLink::Checked(GstFlowReturn result) {
    // Flushing is the graph stopping, not the chain failing: it goes back as it is.
    if (result == GST_FLOW_OK || result == GST_FLOW_FLUSHING)
        return result;
    Fail(result, GST_EVENT_UNKNOWN);
    return GST_FLOW_OK;
}

GstFlowReturn CFrameTapLink::OnChain(GstPad* pad, GstObject* parent, GstBuffer* buffer) {
    auto* link = static_cast<CFrameTapLink*>(gst_pad_get_element_private(pad));
    const Visit visit(link);
    if (link->failed()) {
        gst_buffer_unref(buffer);
        return GST_FLOW_OK;
    }
    return link->Checked(gst_proxy_pad_chain_default(pad, parent, buffer));
}

GstFlowReturn CFrameTapLink::OnChainList(GstPad* pad, GstObject* parent, GstBufferList* list) {
    auto* link = static_cast<CFrameTapLink*>(gst_pad_get_element_private(pad));
    const Visit visit(link);
    if (link->failed()) {
        gst_buffer_list_unref(list);
        return GST_FLOW_OK;
    }
    return link->Checked(gst_proxy_pad_chain_list_default(pad, parent, list));
}

gboolean CFrameTapLink::OnEvent(GstPad* pad, GstObject* parent, GstEvent* event) {
    auto* link = static_cast<CFrameTapLink*>(gst_pad_get_element_private(pad));
    const Visit visit(link);
    if (link->failed()) {
        gst_event_unref(event);
        return TRUE;
    }
    const GstEventType type = GST_EVENT_TYPE(event);
    const bool sticky = GST_EVENT_IS_STICKY(event);
    if (gst_pad_event_default(pad, parent, event))
        return TRUE;
    // A sticky event refused here would be sent again with the next frame and its
    // failure handed to the tee; the tap fails instead.
    if (!sticky)
        return FALSE;
    link->Fail(GST_FLOW_NOT_NEGOTIATED, type);
    return TRUE;
}

gboolean CFrameTapLink::OnQuery(GstPad* pad, GstObject* parent, GstQuery* query) {
    auto* link = static_cast<CFrameTapLink*>(gst_pad_get_element_private(pad));
    const Visit visit(link);
    switch (GST_QUERY_TYPE(query)) {
        case GST_QUERY_CAPS: {
            // Whatever the camera offers: the tee must not narrow the camera's caps to
            // what a tap would like. A chain that cannot take them fails on its own.
            GstCaps* filter = nullptr;
            gst_query_parse_caps(query, &filter);
            GstCapsPtr any(filter != nullptr ? gst_caps_ref(filter) : gst_caps_new_any());
            gst_query_set_caps_result(query, any.get());
            return TRUE;
        }
        case GST_QUERY_ACCEPT_CAPS:
            gst_query_set_accept_caps_result(query, TRUE);
            return TRUE;
        default:
            return link->failed() ? FALSE : gst_pad_query_default(pad, parent, query);
    }
}

}  // namespace tavelin
