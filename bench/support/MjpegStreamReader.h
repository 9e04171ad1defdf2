#pragma once
// A viewer's side of /stream.mjpg for the benchmarks: reads the HTTP answer's head, then
// one multipart/x-mixed-replace part after another from a connected socket, undoing the
// chunked transfer coding when the server uses it. Everything is bounded (a line, the
// head, a part), so a misbehaving server ends the reading instead of growing memory.

#include <sys/socket.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstddef>
#include <cstdlib>
#include <map>
#include <string>
#include <string_view>

namespace tavelin::bench {

struct MjpegPart {
    std::map<std::string, std::string> headers;  // names in lower case
    std::string body;

    // The header's value; empty when it is missing.
    std::string Header(const std::string& lowerName) const {
        const auto it = headers.find(lowerName);
        return it == headers.end() ? std::string() : it->second;
    }
};

class CMjpegStreamReader {
public:
    static constexpr std::size_t kMostLine = 8 * 1024;
    static constexpr std::size_t kMostHeaders = 64;
    static constexpr std::size_t kMostPart = 8 * 1024 * 1024;

    explicit CMjpegStreamReader(int fd) : fd_(fd) {}

    // The status line and headers of the answer. True for a 200 with a multipart type;
    // `status` is the answer's code whenever a status line came.
    bool ReadHead(int& status) {
        status = 0;
        std::string line;
        if (!RawLine(line))
            return false;
        if (line.rfind("HTTP/1.", 0) != 0 || line.size() < 12)
            return Fail("not an HTTP answer: " + line.substr(0, 80));
        status = std::atoi(line.c_str() + 9);
        std::map<std::string, std::string> headers;
        if (!ReadHeaders(&CMjpegStreamReader::RawLine, headers))
            return false;
        if (status != 200)
            return Fail("status " + std::to_string(status));
        chunked_ = Lower(headers["transfer-encoding"]).find("chunked") != std::string::npos;
        const std::string type = headers["content-type"];
        if (Lower(type).rfind("multipart/x-mixed-replace", 0) != 0)
            return Fail("not a multipart answer: " + type);
        const std::size_t at = Lower(type).find("boundary=");
        if (at != std::string::npos) {
            boundary_ = type.substr(at + 9);
            boundary_ = boundary_.substr(0, boundary_.find(';'));
            if (boundary_.size() >= 2 && boundary_.front() == '"' && boundary_.back() == '"')
                boundary_ = boundary_.substr(1, boundary_.size() - 2);
        }
        return true;
    }

    // The next part, its body exactly Content-Length bytes. False at the end of the
    // stream (error() empty when it ended cleanly) or on anything malformed.
    bool ReadPart(MjpegPart& part) {
        part.headers.clear();
        part.body.clear();
        std::string line;
        do {
            if (!BodyLine(line))
                return false;
        } while (line.empty());
        if (line.rfind("--", 0) != 0)
            return Fail("no boundary before a part: " + line.substr(0, 80));
        const std::string_view mark = std::string_view(line).substr(2);
        if (!boundary_.empty() && mark.substr(0, boundary_.size()) != boundary_)
            return Fail("another boundary: " + line.substr(0, 80));
        if (!boundary_.empty() && mark.substr(boundary_.size()) == "--")
            return false;  // the closing boundary
        if (!ReadHeaders(&CMjpegStreamReader::BodyLine, part.headers))
            return false;
        const std::string length = part.Header("content-length");
        char* end = nullptr;
        const unsigned long long bytes = std::strtoull(length.c_str(), &end, 10);
        if (length.empty() || *end != '\0' || bytes > kMostPart)
            return Fail("a part without a usable Content-Length: " + length);
        return BodyBytes(static_cast<std::size_t>(bytes), part.body);
    }

    const std::string& error() const { return error_; }
    bool chunked() const { return chunked_; }

private:
    using LineFn = bool (CMjpegStreamReader::*)(std::string&);

    static std::string Lower(std::string text) {
        std::transform(text.begin(), text.end(), text.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        return text;
    }
    static std::string Trim(std::string_view text) {
        while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
            text.remove_prefix(1);
        while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
            text.remove_suffix(1);
        return std::string(text);
    }

    bool Fail(std::string why) {
        error_ = std::move(why);
        return false;
    }

    bool ReadHeaders(LineFn next, std::map<std::string, std::string>& headers) {
        std::string line;
        for (std::size_t count = 0;; ++count) {
            if (!(this->*next)(line))
                return false;
            if (line.empty())
                return true;
            const std::size_t colon = line.find(':');
            if (count >= kMostHeaders || colon == std::string::npos)
                return Fail("a malformed header block: " + line.substr(0, 80));
            headers[Lower(line.substr(0, colon))] = Trim(std::string_view(line).substr(colon + 1));
        }
    }

    // Reads more from the socket into raw_; false at its end or on an error.
    bool RawFill() {
        // What was read is dropped, so the buffer holds at most a part and a read.
        raw_.erase(0, rawAt_);
        rawAt_ = 0;
        char chunk[64 * 1024];
        for (;;) {
            const ssize_t got = ::recv(fd_, chunk, sizeof chunk, 0);
            if (got > 0) {
                raw_.append(chunk, static_cast<std::size_t>(got));
                return true;
            }
            if (got < 0 && errno == EINTR)
                continue;
            if (got < 0)
                return Fail(errno == EAGAIN || errno == EWOULDBLOCK ? "no data in time"
                                                                    : "the connection failed");
            return false;
        }
    }

    // A line ending in CRLF (or LF) from the undecoded bytes, without its ending.
    bool RawLine(std::string& line) {
        for (;;) {
            const std::size_t end = raw_.find('\n', rawAt_);
            if (end != std::string::npos) {
                if (end - rawAt_ > kMostLine)
                    return Fail("a line too long");
                line.assign(raw_, rawAt_, end - rawAt_);
                if (!line.empty() && line.back() == '\r')
                    line.pop_back();
                rawAt_ = end + 1;
                return true;
            }
            if (raw_.size() - rawAt_ > kMostLine)
                return Fail("a line too long");
            if (!RawFill())
                return false;
        }
    }

    // Moves more of the answer's body into body_, decoding chunks; false at its end.
    bool BodyFill() {
        body_.erase(0, bodyAt_);
        bodyAt_ = 0;
        if (!chunked_) {
            if (rawAt_ == raw_.size() && !RawFill())
                return false;
            body_.append(raw_, rawAt_, std::string::npos);
            rawAt_ = raw_.size();
            return true;
        }
        if (chunkLeft_ == 0) {
            std::string line;
            if (afterChunk_ && (!RawLine(line) || !line.empty()))
                return error_.empty() ? Fail("no line end after a chunk") : false;
            afterChunk_ = false;
            if (!RawLine(line))
                return false;
            char* end = nullptr;
            chunkLeft_ = std::strtoull(line.c_str(), &end, 16);
            if (end == line.c_str() || chunkLeft_ > kMostPart)
                return Fail("a malformed chunk size: " + line.substr(0, 80));
            if (chunkLeft_ == 0)
                return false;  // the last chunk
        }
        if (rawAt_ == raw_.size() && !RawFill())
            return false;
        const std::size_t take = std::min<std::size_t>(chunkLeft_, raw_.size() - rawAt_);
        body_.append(raw_, rawAt_, take);
        rawAt_ += take;
        chunkLeft_ -= take;
        afterChunk_ = chunkLeft_ == 0;
        return true;
    }

    bool BodyLine(std::string& line) {
        for (;;) {
            const std::size_t end = body_.find('\n', bodyAt_);
            if (end != std::string::npos) {
                if (end - bodyAt_ > kMostLine)
                    return Fail("a line too long");
                line.assign(body_, bodyAt_, end - bodyAt_);
                if (!line.empty() && line.back() == '\r')
                    line.pop_back();
                bodyAt_ = end + 1;
                return true;
            }
            if (body_.size() - bodyAt_ > kMostLine)
                return Fail("a line too long");
            if (!BodyFill())
                return false;
        }
    }

    bool BodyBytes(std::size_t count, std::string& out) {
        while (body_.size() - bodyAt_ < count) {
            if (!BodyFill())
                return error_.empty() ? Fail("the stream ended within a part") : false;
        }
        out.assign(body_, bodyAt_, count);
        bodyAt_ += count;
        return true;
    }

    int fd_;
    std::string raw_;  // as received
    std::size_t rawAt_ = 0;
    std::string body_;  // the answer's body, chunks undone
    std::size_t bodyAt_ = 0;
    std::string boundary_;
    std::string error_;
    unsigned long long chunkLeft_ = 0;
    bool chunked_ = false;
    bool afterChunk_ = false;
};

}  // namespace tavelin::bench
