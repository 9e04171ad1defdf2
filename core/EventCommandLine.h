#pragma once
// The command lines the user gives for events, made into argument vectors.
//
// A line is split into words the way a POSIX shell splits and unquotes one (blanks,
// '…', "…" with \" \\ \$ \` escapes, backslash, joined parts) and nothing more: no
// variables, globbing, tildes, ; | && > $(…) or `…` — those are ordinary characters of
// a word. Then the tokens in each word are replaced: %f the event's file, %e its name,
// %t its time, %n the recording's number, %% a percent sign; any other %x stays. What is
// put in is never split or looked at again, so a file name stays one argument whatever
// it holds.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "core/SessionEvents.h"

namespace tavelin {

inline constexpr std::size_t kMaxCommandLineBytes = 4096;
inline constexpr std::size_t kMaxCommandWords = 256;
// All arguments together once the tokens are replaced (a single argument of Linux's
// exec may hold 128 KiB).
inline constexpr std::size_t kMaxCommandBytes = 64 * 1024;

// What the tokens stand for.
struct CommandTokens {
    std::string file;    // %f: the whole path, as the event has it
    std::string event;   // %e: "motion-started", ...
    std::string time;    // %t: ISO 8601
    std::string number;  // %n: "12" for ".../Tavelin-00012.avi", else empty
};

// The tokens for `event`, told at `time`.
CommandTokens TokensOf(const SessionEvent& event, std::string time);
// The number of a numbered recording as the program names them ("Tavelin-00012.avi"
// gives "12"), from the last part of `path`; empty for any other name.
std::string RecordingNumberText(std::string_view path);

// The words of `line`, quotes and escapes taken away. An empty or blank line gives no
// words. False with the reason in `reason` when a quote is not closed, the line ends
// in a backslash, or the line is too long or has too many words.
bool SplitCommandLine(std::string_view line, std::vector<std::string>& words, std::string& reason);
// `word` with its tokens replaced.
std::string ExpandTokens(std::string_view word, const CommandTokens& tokens);
// The argument vector for split `words`: the program first. False with the reason when
// there are no words, the program's name comes out empty, an argument would hold a NUL
// byte, or all of it would be too long.
bool ExpandCommand(const std::vector<std::string>& words, const CommandTokens& tokens,
                   std::vector<std::string>& argv, std::string& reason);
// SplitCommandLine, then ExpandCommand.
bool ExpandCommandLine(std::string_view line, const CommandTokens& tokens,
                       std::vector<std::string>& argv, std::string& reason);

}  // namespace tavelin
