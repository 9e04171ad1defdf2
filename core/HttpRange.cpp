#include "core/HttpRange.h"

#include <algorithm>
#include <limits>

namespace tavelin {

namespace {

// Far more than any single range needs; a longer header is not looked into.
constexpr std::size_t kLongestHeader = 200;
constexpr std::uint64_t kBeyondAny = std::numeric_limits<std::uint64_t>::max();

bool IsSpace(char c) {
    return c == ' ' || c == '\t';
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && IsSpace(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsSpace(text.back()))
        text.remove_suffix(1);
    return text;
}

// Decimal digits only, at least one; a value past 64 bits saturates.
bool ParseNumber(std::string_view text, std::uint64_t& value) {
    if (text.empty())
        return false;
    value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return false;
        const auto digit = static_cast<std::uint64_t>(c - '0');
        value = value > (kBeyondAny - digit) / 10 ? kBeyondAny : value * 10 + digit;
    }
    return true;
}

bool StartsWithUnit(std::string_view text) {
    // The unit's name is case-insensitive.
    constexpr std::string_view kUnit = "bytes=";
    if (text.size() < kUnit.size())
        return false;
    for (std::size_t i = 0; i < kUnit.size(); ++i) {
        char c = text[i];
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
        if (c != kUnit[i])
            return false;
    }
    return true;
}

}  // namespace

RangeAnswer ParseRange(std::string_view header, std::uint64_t size, ByteRange& range) {
    header = Trim(header);
    if (header.empty() || header.size() > kLongestHeader || !StartsWithUnit(header))
        return RangeAnswer::Whole;
    const std::string_view set = Trim(header.substr(6));
    const std::size_t dash = set.find('-');
    if (set.find(',') != std::string_view::npos || dash == std::string_view::npos)
        return RangeAnswer::Whole;
    const std::string_view firstText = set.substr(0, dash);
    const std::string_view lastText = set.substr(dash + 1);

    if (firstText.empty()) {
        // "-n": the last n bytes.
        std::uint64_t count = 0;
        if (!ParseNumber(lastText, count))
            return RangeAnswer::Whole;
        if (count == 0)
            return RangeAnswer::Unsatisfiable;
        if (size == 0)
            return RangeAnswer::Whole;
        range.first = size - std::min(count, size);
        range.last = size - 1;
        return RangeAnswer::Partial;
    }

    std::uint64_t first = 0;
    std::uint64_t last = kBeyondAny;
    if (!ParseNumber(firstText, first) || (!lastText.empty() && !ParseNumber(lastText, last)) ||
        last < first) {
        return RangeAnswer::Whole;
    }
    if (first >= size)
        return RangeAnswer::Unsatisfiable;
    range.first = first;
    range.last = std::min(last, size - 1);
    return RangeAnswer::Partial;
}

}  // namespace tavelin
