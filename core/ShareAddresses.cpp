#include "core/ShareAddresses.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <system_error>

#include "core/Handle.h"
#include "core/Log.h"

namespace tavelin {

namespace {

using InterfaceList = Handle<ifaddrs, freeifaddrs>;

// The address in text, or empty for a loopback, link-local or all-zero one.
std::string Reachable(const sockaddr* address) {
    char text[INET6_ADDRSTRLEN] = {};
    if (address->sa_family == AF_INET) {
        const in_addr& v4 = reinterpret_cast<const sockaddr_in*>(address)->sin_addr;
        const std::uint32_t host = ntohl(v4.s_addr);
        const bool loopback = (host >> 24) == 127;
        const bool linkLocal = (host >> 16) == 0xA9FE;  // 169.254/16
        if (loopback || linkLocal || host == 0 ||
            ::inet_ntop(AF_INET, &v4, text, sizeof text) == nullptr)
            return {};
        return text;
    }
    if (address->sa_family == AF_INET6) {
        const in6_addr& v6 = reinterpret_cast<const sockaddr_in6*>(address)->sin6_addr;
        if (IN6_IS_ADDR_LOOPBACK(&v6) || IN6_IS_ADDR_LINKLOCAL(&v6) ||
            IN6_IS_ADDR_UNSPECIFIED(&v6) || IN6_IS_ADDR_V4MAPPED(&v6) ||
            ::inet_ntop(AF_INET6, &v6, text, sizeof text) == nullptr)
            return {};
        return text;
    }
    return {};
}

}  // namespace

std::vector<std::string> MachineAddresses() {
    ifaddrs* first = nullptr;
    if (::getifaddrs(&first) != 0) {
        Log(LogArea::Web, LogLevel::Warning,
            "the machine's addresses cannot be listed: " + std::generic_category().message(errno));
        return {};
    }
    const InterfaceList list(first);
    std::vector<std::string> v4;
    std::vector<std::string> v6;
    for (const ifaddrs* i = first; i != nullptr; i = i->ifa_next) {
        if (i->ifa_addr == nullptr || (i->ifa_flags & IFF_UP) == 0)
            continue;
        std::string text = Reachable(i->ifa_addr);
        std::vector<std::string>& into = i->ifa_addr->sa_family == AF_INET ? v4 : v6;
        if (!text.empty() && std::find(into.begin(), into.end(), text) == into.end())
            into.push_back(std::move(text));
    }
    v4.insert(v4.end(), v6.begin(), v6.end());
    return v4;
}

std::vector<std::string> ShareUrls(std::string_view scheme, int port, std::string_view path,
                                   bool allowOthers, const std::vector<std::string>& machine) {
    const auto url = [&](std::string_view host) {
        const bool v6 = host.find(':') != std::string_view::npos;
        std::string text;
        text.append(scheme).append("://");
        text.append(v6 ? "[" : "").append(host).append(v6 ? "]" : "");
        text.append(":").append(std::to_string(port)).append("/").append(path);
        return text;
    };
    std::vector<std::string> urls{url("127.0.0.1")};
    if (allowOthers) {
        for (const std::string& host : machine)
            urls.push_back(url(host));
    }
    return urls;
}

}  // namespace tavelin
