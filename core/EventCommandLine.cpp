#include "core/EventCommandLine.h"

#include <cstdint>

#include "core/StoragePlan.h"

namespace tavelin {
namespace {

bool IsBlank(char c) {
    // The line is one command: a newline separates words like a space.
    return c == ' ' || c == '\t' || c == '\n';
}

// The characters a backslash escapes inside double quotes; before any other it stays.
bool EscapedInDoubleQuotes(char c) {
    return c == '"' || c == '\\' || c == '$' || c == '`';
}

// Reads the double-quoted part that starts after the quote at `i`; `i` ends past the
// closing quote. False when there is none.
bool ReadDoubleQuoted(std::string_view line, std::size_t& i, std::string& word) {
    for (++i; i < line.size(); ++i) {
        const char c = line[i];
        if (c == '"') {
            ++i;
            return true;
        }
        if (c == '\\' && i + 1 < line.size()) {
            const char next = line[i + 1];
            if (next == '\n') {  // a continued line: both go
                ++i;
                continue;
            }
            if (EscapedInDoubleQuotes(next)) {
                word += next;
                ++i;
                continue;
            }
        }
        word += c;
    }
    return false;
}

}  // namespace

std::string RecordingNumberText(std::string_view path) {
    const std::size_t slash = path.rfind('/');
    const std::string name(slash == std::string_view::npos ? path : path.substr(slash + 1));
    std::int32_t number = 0;
    if (!ParseNumberedRecordingName(name, number))
        return {};
    return std::to_string(number);
}

CommandTokens TokensOf(const SessionEvent& event, std::string time) {
    CommandTokens tokens;
    tokens.file = event.path;
    tokens.event = EventName(event.kind);
    tokens.time = std::move(time);
    tokens.number = RecordingNumberText(event.path);
    return tokens;
}

bool SplitCommandLine(std::string_view line, std::vector<std::string>& words, std::string& reason) {
    words.clear();
    if (line.size() > kMaxCommandLineBytes) {
        reason =
            "the command line is longer than " + std::to_string(kMaxCommandLineBytes) + " bytes";
        return false;
    }
    if (line.find('\0') != std::string_view::npos) {
        reason = "the command line holds a NUL byte";
        return false;
    }
    std::string word;
    bool inWord = false;  // also for a word of nothing but quotes: '' is an empty word
    const auto endWord = [&] {
        if (!inWord)
            return true;
        if (words.size() == kMaxCommandWords) {
            reason =
                "the command line has more than " + std::to_string(kMaxCommandWords) + " words";
            words.clear();
            return false;
        }
        words.push_back(std::move(word));
        word.clear();
        inWord = false;
        return true;
    };

    std::size_t i = 0;
    while (i < line.size()) {
        const char c = line[i];
        if (IsBlank(c)) {
            if (!endWord())
                return false;
            ++i;
        } else if (c == '\'') {
            const std::size_t close = line.find('\'', i + 1);
            if (close == std::string_view::npos) {
                reason = "a single quote is not closed";
                words.clear();
                return false;
            }
            word.append(line.substr(i + 1, close - i - 1));
            inWord = true;
            i = close + 1;
        } else if (c == '"') {
            if (!ReadDoubleQuoted(line, i, word)) {
                reason = "a double quote is not closed";
                words.clear();
                return false;
            }
            inWord = true;
        } else if (c == '\\') {
            if (i + 1 == line.size()) {
                reason = "the command line ends with a backslash";
                words.clear();
                return false;
            }
            // A continued line joins its halves and starts no word of its own.
            if (line[i + 1] != '\n') {
                word += line[i + 1];
                inWord = true;
            }
            i += 2;
        } else {
            word += c;
            inWord = true;
            ++i;
        }
    }
    return endWord();
}

std::string ExpandTokens(std::string_view word, const CommandTokens& tokens) {
    std::string out;
    out.reserve(word.size());
    for (std::size_t i = 0; i < word.size(); ++i) {
        if (word[i] != '%' || i + 1 == word.size()) {
            out += word[i];
            continue;
        }
        switch (word[i + 1]) {
            case 'f':
                out += tokens.file;
                break;
            case 'e':
                out += tokens.event;
                break;
            case 't':
                out += tokens.time;
                break;
            case 'n':
                out += tokens.number;
                break;
            case '%':
                out += '%';
                break;
            default:  // not a token: both characters stay
                out += word[i];
                out += word[i + 1];
                break;
        }
        ++i;
    }
    return out;
}

bool ExpandCommand(const std::vector<std::string>& words, const CommandTokens& tokens,
                   std::vector<std::string>& argv, std::string& reason) {
    argv.clear();
    if (words.empty()) {
        reason = "the command line is empty";
        return false;
    }
    std::size_t total = 0;
    std::vector<std::string> out;
    out.reserve(words.size());
    for (const std::string& word : words) {
        out.push_back(ExpandTokens(word, tokens));
        total += out.back().size() + 1;
        if (total > kMaxCommandBytes) {
            reason = "the command is longer than " + std::to_string(kMaxCommandBytes) +
                     " bytes with its tokens replaced";
            return false;
        }
        if (out.back().find('\0') != std::string::npos) {
            reason = "an argument would hold a NUL byte";
            return false;
        }
    }
    if (out.front().empty()) {
        reason = "the program's name is empty";
        return false;
    }
    argv = std::move(out);
    return true;
}

bool ExpandCommandLine(std::string_view line, const CommandTokens& tokens,
                       std::vector<std::string>& argv, std::string& reason) {
    std::vector<std::string> words;
    if (!SplitCommandLine(line, words, reason)) {
        argv.clear();
        return false;
    }
    return ExpandCommand(words, tokens, argv, reason);
}

}  // namespace tavelin
