#pragma once
// Comparing and printing the web and RTSP settings in expectations.

#include <ostream>
#include <tuple>

#include "core/WebSettings.h"

namespace tavelin {

inline bool operator==(const WebSettings& a, const WebSettings& b) {
    const auto tie = [](const WebSettings& w) {
        return std::tie(w.enabled, w.port, w.allowOthers, w.user, w.passwordHash, w.tlsCert,
                        w.tlsKey, w.maxViewers);
    };
    return tie(a) == tie(b);
}
inline bool operator==(const RtspSettings& a, const RtspSettings& b) {
    return std::tie(a.enabled, a.port, a.encoder) == std::tie(b.enabled, b.port, b.encoder);
}
inline void PrintTo(const WebSettings& w, std::ostream* out) {
    *out << "{enabled " << w.enabled << ", port " << w.port << ", others " << w.allowOthers
         << ", user \"" << w.user << "\", hash \"" << w.passwordHash << "\", cert \"" << w.tlsCert
         << "\", key \"" << w.tlsKey << "\", viewers " << w.maxViewers << "}";
}
inline void PrintTo(const RtspSettings& r, std::ostream* out) {
    *out << "{enabled " << r.enabled << ", port " << r.port << ", encoder \"" << r.encoder << "\"}";
}

}  // namespace tavelin
