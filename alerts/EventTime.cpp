#include "alerts/EventTime.h"

namespace tavelin {

std::string EventTime(const QDateTime& at) {
    // Qt::ISODate writes "Z" for UTC and the offset otherwise, as ISO 8601 has it.
    return at.toOffsetFromUtc(at.offsetFromUtc()).toString(Qt::ISODate).toStdString();
}

}  // namespace tavelin
