#pragma once
// One copy of a frame tap's elements, linked to one camera graph's tee:
//
//   tee -> [frames] queue (leaky, the newest frame) -> chain -> appsink     (a bin)
//
// The bin's input keeps the tap's troubles away from the camera. Caps queries are
// answered with whatever is offered, so a tap never narrows what the camera delivers,
// and a caps event the chain refuses or a flow error coming back from it marks the tap
// failed instead of reaching the tee, which would hand it on to the camera and stop
// it. From then on the frames meant for the tap are dropped at its input until the
// graph unlinks it.
//
// Threads: the member functions run on the main thread. The input's checks run on the
// camera's streaming thread and the appsink calls the delivery on the queue's; both
// only until the bin is set to NULL (Release, or the pipeline stopping).

#include <gst/gst.h>

#include <atomic>
#include <functional>
#include <memory>
#include <string>

#include "capture/GstPtr.h"
#include "capture/TapDelivery.h"

namespace tavelin {

class CFrameTapLink {
public:
    // Parses `chain` (empty: none) into a bin of its own. Null when the chain cannot be
    // parsed or has not one way in and one way out; `why` then says what is wrong.
    static GstElementPtr ParseChain(const std::string& chain, std::string& why);

    // The elements for `chain`, their appsink handing samples to `delivery` with times
    // counted from `baseTime`, the graph's base time on the system clock. `wake` is
    // called on the camera's thread when the chain fails and once the link is undone.
    // Null, with `why` set, when they cannot be made.
    static std::unique_ptr<CFrameTapLink> Make(const std::string& chain,
                                               std::shared_ptr<CTapDelivery> delivery,
                                               GstClockTime baseTime, std::function<void()> wake,
                                               std::string& why);
    ~CFrameTapLink();
    CFrameTapLink(const CFrameTapLink&) = delete;
    CFrameTapLink& operator=(const CFrameTapLink&) = delete;

    // Into the playing `pipeline`, playing, then linked to a new request pad of `tee`.
    // False, with nothing left behind, when any step fails.
    bool Attach(GstElement* pipeline, GstElement* tee);
    // Unlinks its tee pad between two frames: at once when it is idle, else on the
    // camera's thread as the frame under way has gone through.
    void Detach();
    // Its tee pad is unlinked (or it never had one): Release may follow.
    bool detached() const { return detached_.load(std::memory_order_acquire); }
    // Gives the tee pad back while the graph is still there (`pipeline` and `tee` not
    // null), brings the elements to NULL, joining the queue's thread, and takes them out.
    void Release(GstElement* pipeline, GstElement* tee);

    // The chain refused a frame or its caps; why(), for the log.
    bool failed() const { return failed_.load(std::memory_order_acquire); }
    std::string why() const;
    // Whether `object` is one of its elements (or the bin itself).
    bool Contains(GstObject* object) const;

private:
    CFrameTapLink() = default;

    static GstFlowReturn OnChain(GstPad* pad, GstObject* parent, GstBuffer* buffer);
    static GstFlowReturn OnChainList(GstPad* pad, GstObject* parent, GstBufferList* list);
    static gboolean OnEvent(GstPad* pad, GstObject* parent, GstEvent* event);
    static gboolean OnQuery(GstPad* pad, GstObject* parent, GstQuery* query);
    static GstPadProbeReturn OnIdle(GstPad* pad, GstPadProbeInfo* info, gpointer data);
    // What the chain answered a frame with: a failure is noted and kept from the tee.
    GstFlowReturn Checked(GstFlowReturn result);
    void Fail(GstFlowReturn result, GstEventType refusedEvent);

    GstElementPtr bin_;
    GstPadPtr input_;   // the bin's ghost pad the tee feeds
    GstPadPtr teePad_;  // set while attached
    std::function<void()> wake_;
    std::atomic<bool> failed_{false};
    std::atomic<bool> detached_{false};
    // What failed first: a flow result, or an event the chain refused. Written once,
    // before failed_ is set.
    GstFlowReturn failedFlow_ = GST_FLOW_OK;
    GstEventType refusedEvent_ = GST_EVENT_UNKNOWN;
    std::atomic<bool> failureNoted_{false};
};

}  // namespace tavelin
