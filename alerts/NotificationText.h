#pragma once
// What the desktop is told of a session event: a title, one line of text, and whether
// it needs the user now. Most events are not worth a notification.

#include <QString>
#include <QTime>
#include <optional>

#include "core/SessionEvents.h"

namespace tavelin {

struct NotificationText {
    QString summary;
    QString body;
    bool urgent = false;
};

// The notification for `event`, told at `at`; nothing for events the desktop is not
// told of (recordings started by hand, stills, files removed, ...).
std::optional<NotificationText> NotificationFor(const SessionEvent& event, const QTime& at);

}  // namespace tavelin
