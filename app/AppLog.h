#pragma once
// The program's logging categories. Only warnings and errors show by default;
// QT_LOGGING_RULES="tavelin.*=true" shows everything, "tavelin.record.info=true" also
// each recording as it starts.

#include <QLoggingCategory>

namespace tavelin {

Q_DECLARE_LOGGING_CATEGORY(lcCapture)
Q_DECLARE_LOGGING_CATEGORY(lcRecord)
Q_DECLARE_LOGGING_CATEGORY(lcMonitor)
Q_DECLARE_LOGGING_CATEGORY(lcUi)

// Routes what the Qt-free layers log (core/Log.h) into the categories above: from then
// on the logging rules and the Qt message handler decide what shows and where. Call it
// first thing in main(): before, warnings go to stderr on their own.
void InstallLogSink();

}  // namespace tavelin
