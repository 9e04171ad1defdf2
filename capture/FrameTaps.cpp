#include "capture/FrameTaps.h"

#include <malloc.h>

#include <algorithm>

#include "capture/Pipeline.h"
#include "core/Log.h"

namespace tavelin {

CFrameTaps::~CFrameTaps() {
    for (Tap& tap : taps_)
        tap.delivery->Stop();
    UnlinkAll();
    RemoveUnlinked(true, nullptr, nullptr);
}

std::string CFrameTaps::Name(const Tap& tap) {
    return "frame tap " + std::to_string(tap.id) + " (\"" + tap.chain + "\")";
}

int CFrameTaps::Add(const std::string& chain, FrameTapFn deliver) {
    std::string why;
    if (!chain.empty() && !CFrameTapLink::ParseChain(chain, why)) {
        Log(LogArea::Capture, LogLevel::Warning,
            "frame tap: the chain \"" + chain + "\" cannot be used: " + why);
        return 0;
    }
    Tap tap;
    tap.id = nextId_++;
    tap.chain = chain;
    tap.delivery = std::make_shared<CTapDelivery>(std::move(deliver));
    taps_.push_back(std::move(tap));
    return taps_.back().id;
}

void CFrameTaps::Remove(int id) {
    const auto it =
        std::find_if(taps_.begin(), taps_.end(), [&](const Tap& tap) { return tap.id == id; });
    if (it == taps_.end())
        return;
    // First: the elements may still hand on a frame until their bin stops.
    it->delivery->Stop();
    Unlink(*it);
    taps_.erase(it);
}

int CFrameTaps::linked() const {
    return static_cast<int>(std::count_if(taps_.begin(), taps_.end(),
                                          [](const Tap& tap) { return tap.link != nullptr; }));
}

bool CFrameTaps::LinkAll(GstElement* pipeline, GstElement* tee) {
    const GstClockTime baseTime = gst_element_get_base_time(pipeline);
    for (Tap& tap : taps_) {
        if (tap.link)
            continue;
        std::string why;
        std::unique_ptr<CFrameTapLink> link =
            CFrameTapLink::Make(tap.chain, tap.delivery, baseTime, wake_, why);
        if (!link || !link->Attach(pipeline, tee)) {
            Log(LogArea::Capture, LogLevel::Warning,
                Name(tap) + ": not linked to the camera" + (why.empty() ? "" : ": " + why));
            continue;
        }
        Log(LogArea::Capture, LogLevel::Debug, Name(tap) + ": linked to the camera");
        tap.link = std::move(link);
    }
    return linked() > 0;
}

void CFrameTaps::Unlink(Tap& tap) {
    if (!tap.link)
        return;
    tap.link->Detach();
    unlinked_.push_back(std::move(tap.link));
}

void CFrameTaps::UnlinkAll() {
    for (Tap& tap : taps_)
        Unlink(tap);
}

bool CFrameTaps::TakeError(GstMessage* message) {
    GstObject* from = GST_MESSAGE_SRC(message);
    for (Tap& tap : taps_) {
        if (!tap.link || !tap.link->Contains(from))
            continue;
        const PipelineError error = ErrorOf(message);
        Log(LogArea::Capture, LogLevel::Warning,
            Name(tap) + ": unlinked after an error: " + error.text + DebugSuffix(error.debug));
        Unlink(tap);
        return true;
    }
    // The echo of a tap already unlinked.
    return std::any_of(
        unlinked_.begin(), unlinked_.end(),
        [&](const std::unique_ptr<CFrameTapLink>& link) { return link->Contains(from); });
}

void CFrameTaps::TakeFailures() {
    for (Tap& tap : taps_) {
        if (!tap.link || !tap.link->failed())
            continue;
        Log(LogArea::Capture, LogLevel::Warning, Name(tap) + ": unlinked: " + tap.link->why());
        Unlink(tap);
    }
}

void CFrameTaps::RemoveUnlinked(bool all, GstElement* pipeline, GstElement* tee) {
    bool released = false;
    for (auto it = unlinked_.begin(); it != unlinked_.end();) {
        if (!all && !(*it)->detached()) {
            ++it;
            continue;
        }
        (*it)->Release(pipeline, tee);
        it = unlinked_.erase(it);
        released = true;
    }
    // A tap's streaming threads (and an encoder's own) allocated from heaps of their own,
    // which keep what they freed: a share watched on and off would grow the program by
    // a little each time. Their free pages go back to the system now.
    if (released)
        ::malloc_trim(0);
}

}  // namespace tavelin
