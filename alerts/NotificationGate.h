#pragma once
// When a desktop notification may go: at most one of a kind of event within the quiet
// time, and none at all while the user has asked for quiet. Times are milliseconds on a
// steady clock, handed in by the caller so the rules run without waiting.

#include <cstdint>
#include <map>
#include <optional>

#include "core/SessionEvents.h"

namespace tavelin {

class CNotificationGate {
public:
    enum class Verdict { Pass, TooSoon, Quiet };

    explicit CNotificationGate(int quietSeconds);

    // Seconds between two notifications of a kind, 0 to kMaxQuietSeconds.
    void SetQuietSeconds(int seconds);
    // No notification at all before nowMs + forMs.
    void QuietFor(std::int64_t nowMs, std::int64_t forMs);
    bool quiet(std::int64_t nowMs) const { return quietUntil_ && nowMs < *quietUntil_; }

    // A pass counts as the kind's latest notification; a refusal does not.
    Verdict Check(SessionEventKind kind, std::int64_t nowMs);

private:
    std::int64_t quietMs_ = 0;
    std::optional<std::int64_t> quietUntil_;
    std::map<SessionEventKind, std::int64_t> last_;
};

}  // namespace tavelin
