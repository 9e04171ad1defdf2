#include "core/JsonText.h"

#include <charconv>
#include <cmath>

namespace tavelin {
namespace {

// The length of the well-formed UTF-8 sequence `text` starts with (RFC 3629: no overlong
// forms, no surrogates, nothing past U+10FFFF); 0 when it starts with none.
std::size_t Utf8Length(std::string_view text) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(0);
    if (lead < 0x80)
        return 1;
    std::size_t length = 0;
    unsigned char low = 0x80;  // the range of the second byte; the others are 80 ... BF
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0)
            low = 0xA0;
        if (lead == 0xED)
            high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0)
            low = 0x90;
        if (lead == 0xF4)
            high = 0x8F;
    } else {
        return 0;
    }
    if (text.size() < length || byte(1) < low || byte(1) > high)
        return 0;
    for (std::size_t i = 2; i < length; ++i) {
        if (byte(i) < 0x80 || byte(i) > 0xBF)
            return 0;
    }
    return length;
}

}  // namespace

std::string JsonString(std::string_view text) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size() + 2);
    out += '"';
    while (!text.empty()) {
        const unsigned char c = static_cast<unsigned char>(text.front());
        std::size_t used = 1;
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20) {
            out += "\\u00";
            out += kHex[c >> 4];
            out += kHex[c & 0x0F];
        } else if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (const std::size_t length = Utf8Length(text); length > 0) {
            out.append(text.substr(0, length));
            used = length;
        } else {
            out += "\xEF\xBF\xBD";  // U+FFFD REPLACEMENT CHARACTER, for this one byte
        }
        text.remove_prefix(used);
    }
    out += '"';
    return out;
}

void CJsonObject::Key(std::string_view key) {
    if (text_.size() > 1)
        text_ += ',';
    text_ += JsonString(key);
    text_ += ':';
}

CJsonObject& CJsonObject::AddString(std::string_view key, std::string_view value) {
    Key(key);
    text_ += JsonString(value);
    return *this;
}

CJsonObject& CJsonObject::AddBool(std::string_view key, bool value) {
    Key(key);
    text_ += value ? "true" : "false";
    return *this;
}

CJsonObject& CJsonObject::AddInteger(std::string_view key, std::uint64_t value) {
    Key(key);
    text_ += std::to_string(value);
    return *this;
}

CJsonObject& CJsonObject::AddNumber(std::string_view key, double value, int decimals) {
    Key(key);
    char number[64];
    // to_chars, not printf: the desktop's locale must not turn the point into a comma.
    const auto end = std::isfinite(value)
                         ? std::to_chars(number, number + sizeof number, value,
                                         std::chars_format::fixed, decimals)
                         : std::to_chars_result{number, std::errc::value_too_large};
    if (end.ec == std::errc{})
        text_.append(number, end.ptr);
    else
        text_ += "null";
    return *this;
}

CJsonObject& CJsonObject::AddRaw(std::string_view key, std::string_view json) {
    Key(key);
    text_ += json;
    return *this;
}

}  // namespace tavelin
