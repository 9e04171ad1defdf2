#include "web/HttpAnswer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <algorithm>

namespace tavelin {
namespace {
constexpr std::size_t kMostLogged = 64;
}  // namespace

void DestroyResponse(MHD_Response* response) {
    MHD_destroy_response(response);
}

void FreeLibraryText(char* text) {
    MHD_free(text);
}

void AddPageHeaders(MHD_Response* response) {
    MHD_add_response_header(response, "Cache-Control", "no-store");
    MHD_add_response_header(response, "X-Content-Type-Options", "nosniff");
    MHD_add_response_header(response, "X-Frame-Options", "DENY");
    MHD_add_response_header(response, "Content-Security-Policy", "default-src 'self'");
    MHD_add_response_header(response, "Referrer-Policy", "same-origin");
}

MHD_Result QueueAnswer(MHD_Connection* connection, unsigned status, std::string_view body,
                       const char* type,
                       std::initializer_list<std::pair<const char*, std::string>> extra) {
    ResponsePtr response(MHD_create_response_from_buffer(
        body.size(), const_cast<char*>(body.data()), MHD_RESPMEM_MUST_COPY));
    if (!response)
        return MHD_NO;
    AddPageHeaders(response.get());
    MHD_add_response_header(response.get(), "Content-Type", type);
    for (const auto& [name, value] : extra)
        MHD_add_response_header(response.get(), name, value.c_str());
    return MHD_queue_response(connection, status, response.get());
}

MHD_Result QueueText(MHD_Connection* connection, unsigned status, std::string_view text) {
    return QueueAnswer(connection, status, text, "text/plain; charset=utf-8");
}

std::string_view RequestHeader(MHD_Connection* connection, const char* name) {
    const char* value = MHD_lookup_connection_value(connection, MHD_HEADER_KIND, name);
    return value != nullptr ? std::string_view(value) : std::string_view();
}

std::string ClientAddress(MHD_Connection* connection) {
    const MHD_ConnectionInfo* info =
        MHD_get_connection_info(connection, MHD_CONNECTION_INFO_CLIENT_ADDRESS);
    if (info == nullptr || info->client_addr == nullptr)
        return "unknown";
    char text[INET6_ADDRSTRLEN] = {};
    const sockaddr* address = info->client_addr;
    if (address->sa_family == AF_INET) {
        const auto* v4 = reinterpret_cast<const sockaddr_in*>(address);
        ::inet_ntop(AF_INET, &v4->sin_addr, text, sizeof text);
    } else if (address->sa_family == AF_INET6) {
        const auto* v6 = reinterpret_cast<const sockaddr_in6*>(address);
        ::inet_ntop(AF_INET6, &v6->sin6_addr, text, sizeof text);
    }
    return text[0] != '\0' ? text : "unknown";
}

std::string ClientNetwork(MHD_Connection* connection) {
    const MHD_ConnectionInfo* info =
        MHD_get_connection_info(connection, MHD_CONNECTION_INFO_CLIENT_ADDRESS);
    if (info == nullptr || info->client_addr == nullptr || info->client_addr->sa_family != AF_INET6)
        return ClientAddress(connection);
    in6_addr address = reinterpret_cast<const sockaddr_in6*>(info->client_addr)->sin6_addr;
    char text[INET6_ADDRSTRLEN] = {};
    if (IN6_IS_ADDR_V4MAPPED(&address)) {
        ::inet_ntop(AF_INET, &address.s6_addr[12], text, sizeof text);
        return text;
    }
    std::fill(address.s6_addr + 8, address.s6_addr + 16, 0);
    ::inet_ntop(AF_INET6, &address, text, sizeof text);
    return std::string(text) + "/64";
}

std::string Printable(std::string_view text) {
    std::string out;
    for (const char c : text.substr(0, kMostLogged))
        out += (c >= 0x20 && c < 0x7f) ? c : '?';
    if (text.size() > kMostLogged)
        out += "...";
    return out;
}

}  // namespace tavelin
