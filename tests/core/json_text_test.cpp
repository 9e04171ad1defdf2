// JSON strings for what other programs parse: whatever a file name holds, the text stays
// one valid JSON string that reads back as the name (or, for bytes that are not UTF-8, as
// U+FFFD).

#include "core/JsonText.h"

#include <gtest/gtest.h>

#include <cctype>
#include <ostream>
#include <string>

namespace tavelin {
namespace {

struct JsonCase {
    const char* what;
    std::string text;
    std::string json;
};

void PrintTo(const JsonCase& c, std::ostream* os) {
    *os << c.what;
}

class JsonStringTest : public ::testing::TestWithParam<JsonCase> {};

TEST_P(JsonStringTest, EscapesWhatJsonNeedsAndKeepsTheRest) {
    EXPECT_EQ(JsonString(GetParam().text), GetParam().json);
}

const std::string kReplacement = "\xEF\xBF\xBD";

INSTANTIATE_TEST_SUITE_P(
    Texts, JsonStringTest,
    ::testing::Values(
        JsonCase{"plain", "/home/ann/Videos/clip 7.avi", "\"/home/ann/Videos/clip 7.avi\""},
        JsonCase{"empty", "", "\"\""},
        JsonCase{"quotes and backslashes", R"(/rec/a "b" \c\)", R"("/rec/a \"b\" \\c\\")"},
        JsonCase{"a name that closes the string", "x\",\"type\":\"fake",
                 R"("x\",\"type\":\"fake")"},
        JsonCase{"control characters", std::string("a\nb\r\t\x01\x1f", 7) + std::string(1, '\0'),
                 R"("a\u000Ab\u000D\u0009\u0001\u001F\u0000")"},
        JsonCase{"DEL and slashes pass", "a\x7f/b", "\"a\x7f/b\""},
        JsonCase{"UTF-8 passes", "/rec/été 東京 😀.avi", "\"/rec/été 東京 😀.avi\""},
        JsonCase{"a byte that is no UTF-8",
                 "a\xff"
                 "b",
                 "\"a" + kReplacement + "b\""},
        JsonCase{"an overlong slash", "\xC0\xAF", "\"" + kReplacement + kReplacement + "\""},
        JsonCase{"a surrogate", "\xED\xA0\x80",
                 "\"" + kReplacement + kReplacement + kReplacement + "\""},
        JsonCase{"past U+10FFFF", "\xF4\x90\x80\x80",
                 "\"" + kReplacement + kReplacement + kReplacement + kReplacement + "\""},
        JsonCase{"cut short at the end", "ok\xE6\x9D", "\"ok" + kReplacement + kReplacement + "\""},
        JsonCase{"a hostile path", "/rec/\"; rm -rf ~ \\\n\x1b[31m.avi",
                 R"("/rec/\"; rm -rf ~ \\\u000A\u001B[31m.avi")"}),
    [](const auto& info) {
        std::string name = info.param.what;
        for (char& c : name) {
            if (!std::isalnum(static_cast<unsigned char>(c)))
                c = '_';
        }
        return name;
    });

}  // namespace
}  // namespace tavelin
