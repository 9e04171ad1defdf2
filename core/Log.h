#pragma once
// Where the program says why something failed. Code below the windows (pixels, files,
// the capture engine) has no Qt, so it logs through this small hook; the application
// routes it into its Qt logging categories. Until then, warnings and errors go to
// stderr and the rest is dropped.

#include <string>

namespace tavelin {

// One per logging category: tavelin.capture, tavelin.record, tavelin.monitor, tavelin.ui.
enum class LogArea { Capture, Record, Monitor, Ui, Web };
enum class LogLevel { Debug, Info, Warning, Error };

using LogSink = void (*)(LogArea area, LogLevel level, const std::string& text);

// Null puts the stderr default back.
void SetLogSink(LogSink sink);
void Log(LogArea area, LogLevel level, const std::string& text);

}  // namespace tavelin
