#pragma once
// The time an event is told with: ISO 8601, local time with its offset from UTC, to the
// second ("2026-12-08T05:12:44+01:00"), as commands and brokers receive it.

#include <QDateTime>
#include <string>

namespace tavelin {

std::string EventTime(const QDateTime& at);
inline std::string EventTimeNow() {
    return EventTime(QDateTime::currentDateTime());
}

}  // namespace tavelin
