#pragma once
// A small HTTP client on raw sockets for the web server's tests: requests are written
// byte for byte as given (no path clean-up, no encoding), so a test can send what a
// hostile client would. Every read is bounded by a time limit.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstring>
#include <map>
#include <string>

#include "core/Handle.h"

namespace tavelin::testing {

struct HttpReply {
    int status = 0;                              // 0: no answer
    std::map<std::string, std::string> headers;  // names in lower case
    std::string body;

    std::string Header(const std::string& name) const {
        const auto it = headers.find(name);
        return it == headers.end() ? std::string() : it->second;
    }
};

class CTestConnection {
public:
    // `from`: the loopback address to send from (127.0.0.x), so tests do not share the
    // server's per-address bookkeeping; `receiveBuffer` > 0 shrinks the socket's buffer.
    bool Connect(int port, const char* from = "127.0.0.1", int receiveBuffer = 0) {
        fd_.reset(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
        if (!fd_)
            return false;
        if (receiveBuffer > 0)
            ::setsockopt(fd_.get(), SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
        sockaddr_in local{};
        local.sin_family = AF_INET;
        ::inet_pton(AF_INET, from, &local.sin_addr);
        if (::bind(fd_.get(), reinterpret_cast<sockaddr*>(&local), sizeof local) != 0)
            return false;
        sockaddr_in server{};
        server.sin_family = AF_INET;
        server.sin_port = htons(static_cast<std::uint16_t>(port));
        server.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        return ::connect(fd_.get(), reinterpret_cast<sockaddr*>(&server), sizeof server) == 0;
    }

    bool Send(const std::string& bytes) {
        std::size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n =
                ::send(fd_.get(), bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
            if (n <= 0)
                return false;
            done += static_cast<std::size_t>(n);
        }
        return true;
    }

    // Up to `most` bytes appended to `into`; false at the end of the stream or after
    // `limit` without data.
    bool Read(std::string& into, std::size_t most = 65536,
              std::chrono::milliseconds limit = std::chrono::seconds(10)) {
        pollfd p{fd_.get(), POLLIN, 0};
        if (::poll(&p, 1, static_cast<int>(limit.count())) <= 0)
            return false;
        char buffer[65536];
        const ssize_t n = ::recv(fd_.get(), buffer, std::min(most, sizeof buffer), 0);
        if (n <= 0)
            return false;
        into.append(buffer, static_cast<std::size_t>(n));
        return true;
    }

    // Reads until `into` holds `marker` (true) or the stream ends.
    bool ReadUntil(std::string& into, const std::string& marker) {
        while (into.find(marker) == std::string::npos) {
            if (!Read(into))
                return false;
        }
        return true;
    }

    // The status line and headers; what came after them stays in `rest`.
    bool ReadHead(HttpReply& reply, std::string& rest) {
        if (!ReadUntil(rest, "\r\n\r\n"))
            return false;
        const std::size_t end = rest.find("\r\n\r\n");
        const std::string head = rest.substr(0, end);
        rest.erase(0, end + 4);
        if (head.size() < 12 || head.compare(0, 5, "HTTP/") != 0)
            return false;
        reply.status = std::atoi(head.c_str() + head.find(' ') + 1);
        std::size_t line = head.find("\r\n");
        while (line != std::string::npos) {
            const std::size_t next = head.find("\r\n", line + 2);
            const std::string text = head.substr(line + 2, next - line - 2);
            const std::size_t colon = text.find(':');
            if (colon != std::string::npos) {
                std::string name = text.substr(0, colon);
                for (char& c : name)
                    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
                std::string value = text.substr(colon + 1);
                value.erase(0, value.find_first_not_of(' '));
                reply.headers[name] = value;
            }
            line = next;
        }
        return true;
    }

    // A whole answer: the body by its Content-Length, or up to the end.
    HttpReply Answer(bool head = false) {
        HttpReply reply;
        std::string rest;
        if (!ReadHead(reply, rest))
            return {};
        if (head)
            return reply;
        const std::string length = reply.Header("content-length");
        if (!length.empty()) {
            const std::size_t want = std::stoull(length);
            while (rest.size() < want && Read(rest)) {
            }
            reply.body = rest.substr(0, want);
        } else {
            while (Read(rest)) {
            }
            reply.body = rest;
        }
        return reply;
    }

    // Whether the server has closed the connection (reading gives the end) within `limit`.
    bool Closed(std::chrono::milliseconds limit) {
        const auto end = std::chrono::steady_clock::now() + limit;
        std::string ignored;
        while (std::chrono::steady_clock::now() < end) {
            pollfd p{fd_.get(), POLLIN, 0};
            if (::poll(&p, 1, 100) > 0) {
                char buffer[65536];
                if (::recv(fd_.get(), buffer, sizeof buffer, 0) <= 0)
                    return true;
            }
        }
        return false;
    }

private:
    UniqueFd fd_;
};

// "Basic <base64 of user:password>".
inline std::string BasicAuth(const std::string& user, const std::string& password) {
    static constexpr char kDigits[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    const std::string in = user + ":" + password;
    std::string out;
    for (std::size_t i = 0; i < in.size(); i += 3) {
        std::uint32_t n = static_cast<unsigned char>(in[i]) << 16;
        if (i + 1 < in.size())
            n |= static_cast<unsigned char>(in[i + 1]) << 8;
        if (i + 2 < in.size())
            n |= static_cast<unsigned char>(in[i + 2]);
        out += kDigits[(n >> 18) & 63];
        out += kDigits[(n >> 12) & 63];
        out += i + 1 < in.size() ? kDigits[(n >> 6) & 63] : '=';
        out += i + 2 < in.size() ? kDigits[n & 63] : '=';
    }
    return "Basic " + out;
}

// One request on a fresh connection; `extra` holds whole header lines ending in \r\n.
inline HttpReply Exchange(int port, const std::string& method, const std::string& path,
                          const std::string& authorization, const std::string& extra = {},
                          const std::string& body = {}, const char* from = "127.0.0.1") {
    CTestConnection connection;
    if (!connection.Connect(port, from))
        return {};
    std::string request = method + " " + path +
                          " HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(port) +
                          "\r\nConnection: close\r\n";
    if (!authorization.empty())
        request += "Authorization: " + authorization + "\r\n";
    request += extra;
    if (!body.empty() || method == "POST")
        request += "Content-Length: " + std::to_string(body.size()) + "\r\n";
    request += "\r\n" + body;
    if (!connection.Send(request))
        return {};
    return connection.Answer(method == "HEAD");
}

}  // namespace tavelin::testing
