#pragma once
// Holds the frame step off while the graph, the display or the buffers change: busy
// set, timer 1 stopped, the wait cursor and a short pause to let the window settle.
// Afterwards busy is cleared, the starting cursor shows and timer 1 runs again. A
// change that failed calls StayIdle(): busy stays set, timer 1 stays off, and the
// cursor goes back to normal, so the picture stands still until the user acts.

#include "core/FrameTickHost.h"

namespace tavelin {

class CBusyScope {
public:
    static constexpr int kSettleMs = 150;

    CBusyScope(bool& busy, IFrameTickHost& host) : busy_(busy), host_(host) {
        busy_ = true;
        host_.StopTimer(kFrameTimer);
        host_.SetCursor(CursorShape::Wait);
        host_.Sleep(kSettleMs);
    }
    ~CBusyScope() {
        if (idle_) {
            host_.SetCursor(CursorShape::Normal);
            return;
        }
        busy_ = false;
        host_.SetCursor(CursorShape::Starting);
        host_.StartTimer(kFrameTimer, kFramePeriodMs);
    }
    CBusyScope(const CBusyScope&) = delete;
    CBusyScope& operator=(const CBusyScope&) = delete;

    void StayIdle() { idle_ = true; }

private:
    bool& busy_;
    IFrameTickHost& host_;
    bool idle_ = false;
};

}  // namespace tavelin
