#include "web/WebBoard.h"

#include <ctime>
#include <string_view>

#include "core/JsonText.h"

namespace tavelin {
namespace {

std::string UtcTime(std::chrono::system_clock::time_point when) {
    const std::time_t seconds = std::chrono::system_clock::to_time_t(when);
    std::tm parts{};
    if (::gmtime_r(&seconds, &parts) == nullptr)
        return {};
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02dZ", parts.tm_year + 1900,
                  parts.tm_mon + 1, parts.tm_mday, parts.tm_hour, parts.tm_min, parts.tm_sec);
    return text;
}

// The page is no place for the layout of the user's disk: the last part of a path only.
std::string_view FileName(std::string_view path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

bool NamesAFile(SessionEventKind kind) {
    switch (kind) {
        case SessionEventKind::RecordingStarted:
        case SessionEventKind::RecordingFinished:
        case SessionEventKind::RecordingFailed:
        case SessionEventKind::StillSaved:
        case SessionEventKind::SnapshotSaved:
        case SessionEventKind::FileRemoved:
            return true;
        default:
            return false;
    }
}

}  // namespace

void CWebBoard::SetState(const WebState& state) {
    std::lock_guard lock(lock_);
    state_ = state;
}

WebState CWebBoard::state() const {
    std::lock_guard lock(lock_);
    return state_;
}

void CWebBoard::AddEvent(const SessionEvent& event, std::chrono::system_clock::time_point when) {
    std::lock_guard lock(lock_);
    events_.push_back({event, when});
    while (events_.size() > kMostEvents)
        events_.pop_front();
}

std::string CWebBoard::StateJson() const {
    const WebState now = state();
    return CJsonObject()
        .AddBool("monitor", now.monitor)
        .AddBool("recording", now.recording)
        .AddBool("armed", now.armed)
        .AddBool("recordOnMotion", now.recordOnMotion)
        .AddString("camera", now.camera)
        .Text();
}

std::string CWebBoard::EventsJson() const {
    std::deque<Entry> events;
    {
        std::lock_guard lock(lock_);
        events = events_;
    }
    std::string list = "[";
    for (const Entry& entry : events) {
        const SessionEvent& event = entry.event;
        CJsonObject json;
        json.AddString("time", UtcTime(entry.when)).AddString("event", EventName(event.kind));
        if (NamesAFile(event.kind) && !event.path.empty())
            json.AddString("name", FileName(event.path));
        switch (event.kind) {
            case SessionEventKind::RecordingStarted:
            case SessionEventKind::RecordingFailed:
                json.AddBool("onMotion", event.onMotion);
                break;
            case SessionEventKind::RecordingFinished:
                json.AddBool("onMotion", event.onMotion).AddNumber("seconds", event.seconds, 1);
                break;
            case SessionEventKind::FileRemoved:
                json.AddInteger("bytes", event.bytes);
                break;
            default:
                break;
        }
        if (list.size() > 1)
            list += ',';
        list += json.Text();
    }
    list += ']';
    return CJsonObject().AddRaw("events", list).Text();
}

}  // namespace tavelin
