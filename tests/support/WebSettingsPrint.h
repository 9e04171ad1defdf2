#pragma once
// The web and RTSP settings printed readably in failed expectations.

#include <ostream>

#include "core/WebSettings.h"

namespace tavelin {

inline void PrintTo(const WebSettings& w, std::ostream* out) {
    *out << "{enabled " << w.enabled << ", port " << w.port << ", others " << w.allowOthers
         << ", user \"" << w.user << "\", hash \"" << w.passwordHash << "\", cert \"" << w.tlsCert
         << "\", key \"" << w.tlsKey << "\", viewers " << w.maxViewers << "}";
}
inline void PrintTo(const RtspSettings& r, std::ostream* out) {
    *out << "{enabled " << r.enabled << ", port " << r.port << ", encoder \"" << r.encoder << "\"}";
}

}  // namespace tavelin
