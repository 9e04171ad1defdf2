#pragma once
// The pause request around a dialog or message: the next frame step pauses once under
// the wait cursor while it is up, and the request is withdrawn when it closes.

namespace tavelin {

class IPauseRequest {
public:
    virtual ~IPauseRequest() = default;
    virtual void SetPauseRequest(bool on) = 0;
};

class CPauseScope {
public:
    explicit CPauseScope(IPauseRequest& target) : target_(target) { target_.SetPauseRequest(true); }
    ~CPauseScope() { target_.SetPauseRequest(false); }
    CPauseScope(const CPauseScope&) = delete;
    CPauseScope& operator=(const CPauseScope&) = delete;

private:
    IPauseRequest& target_;
};

}  // namespace tavelin
