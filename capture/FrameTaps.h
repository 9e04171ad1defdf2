#pragma once
// The capture graph's frame taps (see CCaptureGraph::AddFrameTap): those asked for, each
// with its elements while they are linked to the running graph, and the elements of
// taps unlinked or removed, until their tee pad is free and they can go. A tap stays
// registered across graphs: each new graph gets a fresh copy of its elements.
//
// Threads: main thread only; the wake function is called from streaming threads (see
// CFrameTapLink).

#include <gst/gst.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "capture/FrameTapLink.h"
#include "capture/TapDelivery.h"

namespace tavelin {

class CFrameTaps {
public:
    explicit CFrameTaps(std::function<void()> wake) : wake_(std::move(wake)) {}
    ~CFrameTaps();  // only once no graph runs (after the graph's teardown)
    CFrameTaps(const CFrameTaps&) = delete;
    CFrameTaps& operator=(const CFrameTaps&) = delete;

    // Registers a tap; its id (from 1), or 0 when the chain cannot be used (logged).
    int Add(const std::string& chain, FrameTapFn deliver);
    // No delivery once this returns; its elements are unlinked. Unknown ids are ignored.
    void Remove(int id);
    int linked() const;

    // Links every registered tap not linked yet to the playing graph; one that cannot be
    // linked is logged and stays registered. True when any is linked afterwards.
    bool LinkAll(GstElement* pipeline, GstElement* tee);
    // Unlinks them all; they stay registered (the graph goes).
    void UnlinkAll();
    // An error message from one of the taps' elements unlinks that tap (logged with the
    // element's text); true when the message came from a tap, unlinked or not.
    bool TakeError(GstMessage* message);
    // Unlinks the taps whose chain refused a frame or its caps (logged).
    void TakeFailures();
    // Releases the unlinked elements whose tee pad is free, or all of them; `pipeline`
    // and `tee` are null once the graph has stopped.
    void RemoveUnlinked(bool all, GstElement* pipeline, GstElement* tee);

private:
    struct Tap {
        int id = 0;
        std::string chain;
        std::shared_ptr<CTapDelivery> delivery;
        std::unique_ptr<CFrameTapLink> link;  // while linked to the running graph
    };
    void Unlink(Tap& tap);
    static std::string Name(const Tap& tap);

    std::function<void()> wake_;
    std::vector<Tap> taps_;
    std::vector<std::unique_ptr<CFrameTapLink>> unlinked_;  // waiting for their tee pad
    int nextId_ = 1;
};

}  // namespace tavelin
