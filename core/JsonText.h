#pragma once
// JSON text for what other programs read (a broker's subscribers, a web page): strings
// escaped so that any file name survives, numbers written alike whatever the locale.

#include <cstdint>
#include <string>
#include <string_view>

namespace tavelin {

// `text` as a JSON string, quotes included. Quotes and backslashes are escaped, control
// characters written as \u00XX, UTF-8 passed through; a byte that does not belong to
// well-formed UTF-8 (a Linux file name may hold any) becomes U+FFFD, so the document
// stays valid.
std::string JsonString(std::string_view text);

// One JSON object, written member by member in the order they are added.
class CJsonObject {
public:
    CJsonObject& AddString(std::string_view key, std::string_view value);
    CJsonObject& AddBool(std::string_view key, bool value);
    CJsonObject& AddInteger(std::string_view key, std::uint64_t value);
    // Fixed point with `decimals` places; a value that is not finite is written as null.
    CJsonObject& AddNumber(std::string_view key, double value, int decimals);
    // `json` is JSON text already: a nested object or an array.
    CJsonObject& AddRaw(std::string_view key, std::string_view json);

    std::string Text() const { return text_ + "}"; }

private:
    void Key(std::string_view key);
    std::string text_ = "{";
};

}  // namespace tavelin
