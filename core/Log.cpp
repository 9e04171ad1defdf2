#include "core/Log.h"

#include <atomic>
#include <cstdio>

namespace tavelin {

namespace {

const char* AreaName(LogArea area) {
    switch (area) {
        case LogArea::Capture:
            return "tavelin.capture";
        case LogArea::Record:
            return "tavelin.record";
        case LogArea::Monitor:
            return "tavelin.monitor";
        case LogArea::Ui:
            return "tavelin.ui";
        case LogArea::Web:
            return "tavelin.web";
    }
    return "tavelin";
}

void ToStderr(LogArea area, LogLevel level, const std::string& text) {
    if (level == LogLevel::Warning || level == LogLevel::Error)
        std::fprintf(stderr, "%s: %s\n", AreaName(area), text.c_str());
}

// Streaming threads log too: the sink is swapped atomically.
std::atomic<LogSink> g_sink{&ToStderr};

}  // namespace

void SetLogSink(LogSink sink) {
    g_sink = sink != nullptr ? sink : &ToStderr;
}

void Log(LogArea area, LogLevel level, const std::string& text) {
    g_sink.load()(area, level, text);
}

}  // namespace tavelin
