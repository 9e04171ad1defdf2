#pragma once
// The program's logging categories: QT_LOGGING_RULES="tavelin.*.debug=true" shows all.

#include <QLoggingCategory>

namespace tavelin {

Q_DECLARE_LOGGING_CATEGORY(lcUi)
Q_DECLARE_LOGGING_CATEGORY(lcRecord)

}  // namespace tavelin
