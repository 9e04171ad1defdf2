#include "core/FileCounter.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <limits>

#include "core/Handle.h"
#include "core/ReplacingFile.h"

namespace tavelin {
namespace {

enum class ParseResult { Number, EndOfFile, NotANumber, ReadError };

// What fscanf's "%d" accepts, without its undefined behaviour for numbers out of range.
ParseResult ParseCounter(std::FILE* in, std::int32_t& out) {
    int c = std::fgetc(in);
    while (c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r') {
        c = std::fgetc(in);
    }
    if (c == EOF)
        return std::ferror(in) ? ParseResult::ReadError : ParseResult::EndOfFile;
    const bool negative = c == '-';
    if (c == '-' || c == '+')
        c = std::fgetc(in);
    if (c < '0' || c > '9')
        return ParseResult::NotANumber;

    // Magnitude limit: 2147483648 is allowed only with a minus sign.
    const long long limit = negative ? 2147483648LL : 2147483647LL;
    long long magnitude = 0;
    for (; c >= '0' && c <= '9'; c = std::fgetc(in)) {
        magnitude = magnitude * 10 + (c - '0');
        // A number this large was not written by this program; using a clamped or wrapped
        // value would hand the recorder a counter it cannot advance.
        if (magnitude > limit)
            return ParseResult::NotANumber;
    }
    if (std::ferror(in))
        return ParseResult::ReadError;
    out = static_cast<std::int32_t>(negative ? -magnitude : magnitude);
    return ParseResult::Number;
}

}  // namespace

void ReadFileCounter(std::int32_t& value, const std::string& path) {
    // Non-blocking, and only a regular file: a FIFO, a device or a folder under the
    // name must neither hang the program nor be taken for an empty counter.
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (!fd) {
        if (errno == ENOENT) {
            value = 0;
            WriteFileCounter(value, path);
        }
        return;
    }
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode))
        return;
    FilePtr in{::fdopen(fd.get(), "r")};
    if (!in)
        return;
    fd.release();  // the stream closes it now
    std::int32_t parsed = 0;
    switch (ParseCounter(in.get(), parsed)) {
        case ParseResult::Number:
            value = parsed;
            break;
        case ParseResult::EndOfFile:
            value = 0;
            in.reset();
            WriteFileCounter(value, path);
            break;
        case ParseResult::NotANumber:
        case ParseResult::ReadError:  // a failing disk must not reset the numbering
            break;
    }
}

bool WriteFileCounter(std::int32_t value, const std::string& path) {
    // Written beside it and renamed over it: a failed write leaves the old number.
    CReplacingFile out(path);
    char text[16];
    const int length = std::snprintf(text, sizeof text, "%d", static_cast<int>(value));
    return out.Write(text, static_cast<std::size_t>(length)) && out.Commit();
}

FreeNumber FirstFreeRecordingNumber(const std::string& directory, std::int32_t from) {
    for (std::int32_t n = from;; ++n) {
        // Each number given out must leave room for the counter to move past it.
        if (n == std::numeric_limits<std::int32_t>::max())
            return {false, n};
        // Anything under the name, a dangling link included, takes the number. A name
        // that cannot be looked at (ENOENT aside, a folder that cannot be searched)
        // is tried, and creating the file then says why it cannot be used.
        struct stat st {};
        if (::lstat((directory + NumberedAviName(n)).c_str(), &st) != 0)
            return {true, n};
    }
}

}  // namespace tavelin
