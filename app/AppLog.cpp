#include "AppLog.h"

namespace tavelin {

Q_LOGGING_CATEGORY(lcUi, "tavelin.ui")
Q_LOGGING_CATEGORY(lcRecord, "tavelin.record")

}  // namespace tavelin
