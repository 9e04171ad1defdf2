#include "core/FileNames.h"

#include <charconv>
#include <cstdio>
#include <utility>

namespace tavelin {

std::string NumberedAviName(std::int32_t n) {
    char name[32];
    std::snprintf(name, sizeof name, "/Tavelin-%05d.avi", static_cast<int>(n));
    return name;
}

std::string MotionStillName(const std::tm& now) {
    char name[48];
    std::snprintf(name, sizeof name, "/MOTION[%02d-%02d-%02d].bmp", now.tm_hour, now.tm_min,
                  now.tm_sec);
    return name;
}

namespace {

// The longest start of `text` of at most `bytes` bytes that ends between two UTF-8
// characters: a name cut inside a character would not be valid text any more.
std::size_t CharacterBoundary(const std::string& text, std::size_t bytes) {
    if (bytes >= text.size())
        return text.size();
    while (bytes > 0 && (static_cast<unsigned char>(text[bytes]) & 0xC0) == 0x80)
        --bytes;
    return bytes;
}

// Digits only, as std::to_string writes a non-negative number.
template <class Number>
bool ParseDigits(const std::string& text, std::size_t from, std::size_t to, Number& out) {
    if (from >= to)
        return false;
    const char* first = text.data() + from;
    const char* last = text.data() + to;
    const auto [end, error] = std::from_chars(first, last, out);
    return *first >= '0' && *first <= '9' && error == std::errc() && end == last;
}

}  // namespace

std::string TemporaryName(const std::string& target, const char* kind, long pid, unsigned serial,
                          std::size_t nameMax) {
    const std::size_t slash = target.rfind('/');
    const std::string folder =
        slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
    std::string name = target.substr(slash == std::string::npos ? 0 : slash + 1);
    std::string tail = ".";
    tail.append(kind)
        .append("-")
        .append(std::to_string(pid))
        .append("-")
        .append(std::to_string(serial));
    const std::size_t room = nameMax > tail.size() + 1 ? nameMax - tail.size() - 1 : 0;
    name.resize(CharacterBoundary(name, room));
    return folder + "." + name + tail;
}

bool ParseTemporaryName(const std::string& fileName, TemporaryNameParts& parts) {
    if (fileName.size() < 2 || fileName.front() != '.')
        return false;
    const std::size_t serialDash = fileName.rfind('-');
    if (serialDash == std::string::npos || serialDash == 0)
        return false;
    const std::size_t pidDash = fileName.rfind('-', serialDash - 1);
    if (pidDash == std::string::npos || pidDash == 0)
        return false;
    const std::size_t kindDot = fileName.rfind('.', pidDash - 1);
    if (kindDot == std::string::npos || kindDot < 2)
        return false;
    TemporaryNameParts found;
    found.name = fileName.substr(1, kindDot - 1);
    found.kind = fileName.substr(kindDot + 1, pidDash - kindDot - 1);
    if (found.kind.empty() ||
        found.kind.find_first_not_of("abcdefghijklmnopqrstuvwxyz") != std::string::npos ||
        !ParseDigits(fileName, pidDash + 1, serialDash, found.pid) ||
        !ParseDigits(fileName, serialDash + 1, fileName.size(), found.serial)) {
        return false;
    }
    parts = std::move(found);
    return true;
}

std::string CounterLockPath(const std::string& counterPath) {
    const std::size_t slash = counterPath.rfind('/');
    const std::size_t nameAt = slash == std::string::npos ? 0 : slash + 1;
    return counterPath.substr(0, nameAt) + "." + counterPath.substr(nameAt) + ".lock";
}

std::string DirectoryOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

}  // namespace tavelin
