#pragma once
// What the alert settings may hold: the limits the Alerts dialog enforces, and what a
// settings file that breaks them is brought back to.

#include <cstddef>
#include <string>
#include <string_view>

#include "core/AlertSettings.h"

namespace tavelin {

inline constexpr std::size_t kMaxEventCommandBytes = 4096;
inline constexpr std::size_t kMaxTopicBytes = 200;
inline constexpr std::size_t kMaxHostBytes = 253;  // the longest DNS name
inline constexpr int kMinPort = 1;
inline constexpr int kMaxPort = 65535;

// The topic is a prefix the program publishes under: MQTT's wildcards (+ #) and NUL
// have no place in it.
bool TopicAllowed(std::string_view topic);
// A host name or address: no blanks or control characters, at most kMaxHostBytes.
bool HostAllowed(std::string_view host);
bool PortAllowed(int port);

// The settings with the numbers brought into their ranges (a port outside it is the
// default port), and a host, topic or command the rules refuse at its default: none.
AlertSettings WithinRules(AlertSettings settings);

}  // namespace tavelin
