#pragma once
// The addresses the web page and the RTSP share are opened at, as the settings dialog
// shows them: this computer's loopback address always, and each address other devices
// can reach when they are let in.

#include <string>
#include <string_view>
#include <vector>

namespace tavelin {

// The machine's IPv4 and IPv6 addresses on the interfaces that are up, IPv4 first:
// neither loopback nor link-local ones (a link-local IPv6 address needs its interface
// named, which browsers do not take in an address). Empty when the system cannot say.
std::vector<std::string> MachineAddresses();

// "scheme://host:port/path" for 127.0.0.1 and, when `allowOthers`, each of `machine`;
// an IPv6 address goes in brackets. `path` starts after the port's slash ("live").
std::vector<std::string> ShareUrls(std::string_view scheme, int port, std::string_view path,
                                   bool allowOthers, const std::vector<std::string>& machine);

}  // namespace tavelin
