#include "app/AppLog.h"

#include "core/Log.h"

namespace tavelin {

// Debug and info are off unless the logging rules switch them on.
Q_LOGGING_CATEGORY(lcCapture, "tavelin.capture", QtWarningMsg)
Q_LOGGING_CATEGORY(lcRecord, "tavelin.record", QtWarningMsg)
Q_LOGGING_CATEGORY(lcMonitor, "tavelin.monitor", QtWarningMsg)
Q_LOGGING_CATEGORY(lcUi, "tavelin.ui", QtWarningMsg)
Q_LOGGING_CATEGORY(lcWeb, "tavelin.web", QtWarningMsg)

namespace {

using CategoryFunction = const QLoggingCategory& (*)();

CategoryFunction CategoryOf(LogArea area) {
    switch (area) {
        case LogArea::Capture:
            return &lcCapture;
        case LogArea::Record:
            return &lcRecord;
        case LogArea::Monitor:
            return &lcMonitor;
        case LogArea::Ui:
            return &lcUi;
        case LogArea::Web:
            return &lcWeb;
    }
    return &lcUi;
}

// Called on whatever thread logs (GStreamer's streaming threads too); Qt's logging is
// safe there.
void ToQtCategories(LogArea area, LogLevel level, const std::string& text) {
    const CategoryFunction category = CategoryOf(area);
    switch (level) {
        case LogLevel::Debug:
            qCDebug(category, "%s", text.c_str());
            break;
        case LogLevel::Info:
            qCInfo(category, "%s", text.c_str());
            break;
        case LogLevel::Warning:
            qCWarning(category, "%s", text.c_str());
            break;
        case LogLevel::Error:
            qCCritical(category, "%s", text.c_str());
            break;
    }
}

}  // namespace

void InstallLogSink() {
    SetLogSink(&ToQtCategories);
}

}  // namespace tavelin
