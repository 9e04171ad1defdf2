#pragma once
// The running session as the alerts see it: its events and pictures, and record on
// motion switched as the Monitor Settings dialog switches it.

#include "core/AlertSource.h"
#include "core/CameraSession.h"

namespace tavelin {

class CSessionAlertSource final : public IAlertSource {
public:
    explicit CSessionAlertSource(CCameraSession& session) : session_(session) {}

    CEventStream& events() override { return session_.events(); }
    const FramePicture& motionPicture() const override { return session_.motionPicture(); }
    void RequestPicture() override { session_.RequestPicture(); }
    bool TakePicture(FramePicture& picture) override { return session_.TakePicture(picture); }
    bool recordOnMotion() const override {
        return session_.settings().monitor.motionRecord.enabled;
    }
    // Stored for the next run as the dialog's OK stores it.
    void SetRecordOnMotion(bool on) override;
    bool recording() const override { return session_.recording(); }
    std::string recordingFolder() const override;

private:
    CCameraSession& session_;
};

}  // namespace tavelin
