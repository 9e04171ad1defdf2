#pragma once
// Collects what the Qt-free layers log (core/Log.h) while it lives, for tests that check
// a failure is logged with its cause.

#include <algorithm>
#include <mutex>
#include <string>
#include <vector>

#include "core/Log.h"

namespace tavelin::testing {

class LogLines {
public:
    struct Line {
        LogArea area;
        LogLevel level;
        std::string text;
    };

    LogLines() {
        Clear();
        SetLogSink(&Collect);
    }
    ~LogLines() { SetLogSink(nullptr); }
    LogLines(const LogLines&) = delete;
    LogLines& operator=(const LogLines&) = delete;

    static void Clear() {
        std::lock_guard lock(Lock());
        Store().clear();
    }
    static std::vector<Line> Lines() {
        std::lock_guard lock(Lock());
        return Store();
    }
    // Whether a line of this area and level holds every one of `parts`.
    static bool Has(LogArea area, LogLevel level, std::initializer_list<const char*> parts) {
        const std::vector<Line> lines = Lines();
        return std::any_of(lines.begin(), lines.end(), [&](const Line& line) {
            return line.area == area && line.level == level &&
                   std::all_of(parts.begin(), parts.end(), [&](const char* part) {
                       return line.text.find(part) != std::string::npos;
                   });
        });
    }

private:
    static std::mutex& Lock() {
        static std::mutex lock;
        return lock;
    }
    static std::vector<Line>& Store() {
        static std::vector<Line> lines;
        return lines;
    }
    static void Collect(LogArea area, LogLevel level, const std::string& text) {
        std::lock_guard lock(Lock());
        Store().push_back({area, level, text});
    }
};

}  // namespace tavelin::testing
