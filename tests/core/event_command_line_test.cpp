// Command lines for events: split as a shell splits and unquotes, and nothing more;
// then tokens replaced without the replacement ever being split or read again.

#include "core/EventCommandLine.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tavelin {
namespace {

using Words = std::vector<std::string>;

std::string ManyWords(std::size_t n) {
    std::string line;
    for (std::size_t i = 0; i < n; ++i)
        line += "w ";
    return line;
}

struct SplitCase {
    const char* name;
    std::string line;
    bool ok;
    Words words;  // when ok
};

class SplitCommandLineTest : public ::testing::TestWithParam<SplitCase> {};

TEST_P(SplitCommandLineTest, GivesTheWordsAShellWould) {
    const SplitCase& c = GetParam();
    Words words{"left over"};
    std::string reason;
    const bool ok = SplitCommandLine(c.line, words, reason);
    ASSERT_EQ(ok, c.ok) << c.line << " -> " << reason;
    if (ok) {
        EXPECT_EQ(words, c.words) << c.line;
    } else {
        EXPECT_TRUE(words.empty());
        EXPECT_FALSE(reason.empty());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, SplitCommandLineTest,
    ::testing::Values(
        SplitCase{"Blanks", " a\tb \n c  ", true, {"a", "b", "c"}},
        SplitCase{"Nothing", " \t ", true, {}},
        SplitCase{"SingleQuotesKeepAll",
                  R"('a  b' '\' '"$HOME"' '`x`\n')",
                  true,
                  {"a  b", "\\", "\"$HOME\"", "`x`\\n"}},
        SplitCase{"DoubleQuotesEscapeFour",
                  R"("a \" \\ \$ \` \n \a" "it's")",
                  true,
                  {R"(a " \ $ ` \n \a)", "it's"}},
        SplitCase{"EmptyQuotesAreWords", R"('' "" a'')", true, {"", "", "a"}},
        SplitCase{"JoinedParts", R"(a'b c'"d e"f\ g 'x'"y"z)", true, {"ab cd ef g", "xyz"}},
        SplitCase{
            "BackslashOutsideQuotes", R"(a\ b \' \" \\ \x)", true, {"a b", "'", "\"", "\\", "x"}},
        SplitCase{"ContinuedLine", "ab\\\ncd \"e\\\nf\" \\\n g", true, {"abcd", "ef", "g"}},
        SplitCase{"NoOperators",
                  R"(echo a;b | c && d >e <f 2>&1 $(rm -rf ~) `id` ~ ~/x *.avi $HOME #c &)",
                  true,
                  {"echo", "a;b", "|", "c", "&&", "d", ">e", "<f", "2>&1", "$(rm", "-rf", "~)",
                   "`id`", "~", "~/x", "*.avi", "$HOME", "#c", "&"}},
        SplitCase{"NewlineInsideQuotes", "'a\nb' \"c\nd\"", true, {"a\nb", "c\nd"}},
        SplitCase{"UnclosedSingleQuote", "echo 'abc", false, {}},
        SplitCase{"UnclosedDoubleQuote", "echo \"abc", false, {}},
        SplitCase{"EscapedClosingQuote", R"(echo "abc\")", false, {}},
        SplitCase{"TrailingBackslash", "echo abc\\", false, {}},
        SplitCase{"NulByte", std::string("echo a\0b", 8), false, {}},
        SplitCase{"LongestLine",
                  std::string(kMaxCommandLineBytes, 'x'),
                  true,
                  {std::string(kMaxCommandLineBytes, 'x')}},
        SplitCase{"TooLong", std::string(kMaxCommandLineBytes + 1, 'x'), false, {}},
        SplitCase{"MostWords", ManyWords(kMaxCommandWords), true, Words(kMaxCommandWords, "w")},
        SplitCase{"TooManyWords", ManyWords(kMaxCommandWords + 1), false, {}}),
    [](const ::testing::TestParamInfo<SplitCase>& info) { return info.param.name; });

struct ExpandCase {
    const char* name;
    std::string line;
    SessionEventKind kind;
    std::string path;
    bool ok;
    Words argv;  // when ok
};

class ExpandCommandLineTest : public ::testing::TestWithParam<ExpandCase> {};

constexpr const char* kTime = "2026-12-08T05:12:44+01:00";

TEST_P(ExpandCommandLineTest, ReplacedTextStaysOneArgument) {
    const ExpandCase& c = GetParam();
    SessionEvent event;
    event.kind = c.kind;
    event.path = c.path;
    Words argv{"left over"};
    std::string reason;
    const bool ok = ExpandCommandLine(c.line, TokensOf(event, kTime), argv, reason);
    ASSERT_EQ(ok, c.ok) << c.line << " -> " << reason;
    if (ok) {
        EXPECT_EQ(argv, c.argv);
    } else {
        EXPECT_TRUE(argv.empty());
        EXPECT_FALSE(reason.empty());
    }
}

const SessionEventKind kFinished = SessionEventKind::RecordingFinished;

INSTANTIATE_TEST_SUITE_P(
    Table, ExpandCommandLineTest,
    ::testing::Values(
        ExpandCase{"AllTokens",
                   "notify %e --at=%t -n%n '%f' \"<%f>\"",
                   kFinished,
                   "/v/Tavelin-00012.avi",
                   true,
                   {"notify", "recording-finished", "--at=2026-12-08T05:12:44+01:00", "-n12",
                    "/v/Tavelin-00012.avi", "</v/Tavelin-00012.avi>"}},
        ExpandCase{"Spaces",
                   "cp -- %f /backup/",
                   kFinished,
                   "/my videos/a  b.avi",
                   true,
                   {"cp", "--", "/my videos/a  b.avi", "/backup/"}},
        ExpandCase{"Quotes",
                   "cp %f x",
                   SessionEventKind::StillSaved,
                   R"(/v/it's "odd" \.bmp)",
                   true,
                   {"cp", R"(/v/it's "odd" \.bmp)", "x"}},
        ExpandCase{"ShellSyntax",
                   "echo %f",
                   kFinished,
                   "/v/a; rm -rf ~ && $(rm -rf ~) | `reboot` > /etc/x $HOME *.avi",
                   true,
                   {"echo", "/v/a; rm -rf ~ && $(rm -rf ~) | `reboot` > /etc/x $HOME *.avi"}},
        ExpandCase{"Newline", "echo %f", kFinished, "/v/a\nb.avi", true, {"echo", "/v/a\nb.avi"}},
        ExpandCase{"TokensInTheName",
                   "echo %f%e",
                   kFinished,
                   "/v/%f %e %% %n.avi",
                   true,
                   {"echo", "/v/%f %e %% %n.avi" + std::string("recording-finished")}},
        ExpandCase{"LeadingDash", "rm %f", kFinished, "-rf", true, {"rm", "-rf"}},
        ExpandCase{"NumberOnlyForNumberedRecordings",
                   "echo [%n] [%f]",
                   kFinished,
                   "/v/Tavelin-12.avi",
                   true,
                   {"echo", "[]", "[/v/Tavelin-12.avi]"}},
        ExpandCase{"NoFile",
                   "echo %e [%f] [%n]",
                   SessionEventKind::MotionStarted,
                   "",
                   true,
                   {"echo", "motion-started", "[]", "[]"}},
        ExpandCase{"OtherPercentsStay",
                   "printf '%s\\n' 100% %x %%f %%%e %",
                   SessionEventKind::CameraLost,
                   "",
                   true,
                   {"printf", "%s\\n", "100%", "%x", "%f", "%camera-lost", "%"}},
        ExpandCase{"EmptyProgram", "%n %f", kFinished, "/v/a.avi", false, {}},
        ExpandCase{"NothingToRun", "  ", kFinished, "/v/a.avi", false, {}},
        ExpandCase{"SplitFails", "echo 'a", kFinished, "/v/a.avi", false, {}},
        ExpandCase{"TooLongReplaced",
                   "echo %f%f%f%f",
                   kFinished,
                   "/" + std::string(kMaxCommandBytes / 4, 'a'),
                   false,
                   {}}),
    [](const ::testing::TestParamInfo<ExpandCase>& info) { return info.param.name; });

}  // namespace
}  // namespace tavelin
