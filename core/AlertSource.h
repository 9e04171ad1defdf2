#pragma once
// What the alerts (notifications, event commands, the broker) need of the running
// program: its events, its pictures, and the one switch a broker may turn.

#include "core/FramePicture.h"
#include "core/SessionEvents.h"

namespace tavelin {

class IAlertSource {
public:
    virtual ~IAlertSource() = default;
    virtual CEventStream& events() = 0;
    // The picture the last motion started on (empty before any).
    virtual const FramePicture& motionPicture() const = 0;
    // Asks for the next picture shown; TakePicture hands it over once it has been shown.
    virtual void RequestPicture() = 0;
    virtual bool TakePicture(FramePicture& picture) = 0;
    // Record on motion: whether it is on, and turning it on or off as the Monitor Settings
    // dialog would (the monitor switched with it, the choice stored for the next run).
    virtual bool recordOnMotion() const = 0;
    virtual void SetRecordOnMotion(bool on) = 0;
    // Whether a file is being recorded, by hand or on motion.
    virtual bool recording() const = 0;
    // The folder recordings go to.
    virtual std::string recordingFolder() const = 0;
};

}  // namespace tavelin
