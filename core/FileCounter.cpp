#include "FileCounter.h"

#include <cstdio>

#include "FilePtr.h"

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
    ParseResult result = ParseResult::EndOfFile;
    std::int32_t parsed = 0;
    if (FilePtr in{std::fopen(path.c_str(), "r")}) {
        result = ParseCounter(in.get(), parsed);
    }
    switch (result) {
        case ParseResult::Number:
            value = parsed;
            break;
        case ParseResult::EndOfFile:  // also a file that cannot be opened
            value = 0;
            WriteFileCounter(value, path);
            break;
        case ParseResult::NotANumber:
        case ParseResult::ReadError:  // a failing disk must not reset the numbering
            break;
    }
}

void WriteFileCounter(std::int32_t value, const std::string& path) {
    FilePtr out{std::fopen(path.c_str(), "w")};
    if (out)
        std::fprintf(out.get(), "%d", static_cast<int>(value));
}

std::string NumberedAviName(std::int32_t n) {
    char name[32];
    std::snprintf(name, sizeof name, "/Tavelin-%05d.avi", static_cast<int>(n));
    return name;
}

std::string DirectoryOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

}  // namespace tavelin
