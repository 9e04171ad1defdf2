#include "alerts/NotificationGate.h"

#include <algorithm>

#include "core/AlertSettings.h"

namespace tavelin {

CNotificationGate::CNotificationGate(int quietSeconds) {
    SetQuietSeconds(quietSeconds);
}

void CNotificationGate::SetQuietSeconds(int seconds) {
    quietMs_ = std::int64_t{1000} * std::clamp(seconds, 0, NotificationSettings::kMaxQuietSeconds);
}

void CNotificationGate::QuietFor(std::int64_t nowMs, std::int64_t forMs) {
    quietUntil_ = nowMs + forMs;
}

CNotificationGate::Verdict CNotificationGate::Check(SessionEventKind kind, std::int64_t nowMs) {
    if (quiet(nowMs))
        return Verdict::Quiet;
    const auto last = last_.find(kind);
    if (last != last_.end() && nowMs - last->second < quietMs_)
        return Verdict::TooSoon;
    last_[kind] = nowMs;
    return Verdict::Pass;
}

}  // namespace tavelin
