#include "core/WebSettingsRules.h"

#include <algorithm>

#include "core/AlertSettingsRules.h"

namespace tavelin {

bool WebUserAllowed(std::string_view user) {
    return !user.empty() && user.size() <= kMaxWebUserBytes &&
           std::none_of(user.begin(), user.end(), [](char c) {
               const auto byte = static_cast<unsigned char>(c);
               return byte <= ' ' || byte == 0x7f || c == ':';
           });
}

bool EncoderAllowed(std::string_view encoder) {
    return encoder.size() <= kMaxEncoderBytes &&
           std::all_of(encoder.begin(), encoder.end(), [](char c) {
               return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                      c == '_' || c == '-';
           });
}

WebSettings WithinRules(WebSettings settings) {
    const WebSettings defaults;
    if (!PortAllowed(settings.port))
        settings.port = defaults.port;
    if (!WebUserAllowed(settings.user))
        settings.user = defaults.user;
    if (settings.passwordHash.size() > kMaxPasswordHashBytes)
        settings.passwordHash.clear();
    if (settings.maxViewers < kMinWebViewers || settings.maxViewers > kMaxWebViewers)
        settings.maxViewers = defaults.maxViewers;
    return settings;
}

RtspSettings WithinRules(RtspSettings settings) {
    if (!PortAllowed(settings.port))
        settings.port = RtspSettings().port;
    if (!EncoderAllowed(settings.encoder))
        settings.encoder.clear();
    return settings;
}

}  // namespace tavelin
