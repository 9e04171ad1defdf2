#pragma once
// The password of the web page and the RTSP share. Only a salted, slow hash of it is
// stored ("pbkdf2-sha256$<rounds>$<salt>$<hash>", salt and hash in base64); checking a
// password derives the key again and compares in constant time.

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace tavelin {

// Longer passwords are refused when set and when checked: a request cannot make the
// server hash an arbitrary amount of text.
inline constexpr std::size_t kLongestPassword = 1024;
// PBKDF2 rounds: the default takes about 35 ms here. A stored hash asking for fewer than
// the fewest (weak) or more than the most (a planted value stalling every request) is
// refused.
inline constexpr std::uint32_t kPasswordRounds = 100'000;
inline constexpr std::uint32_t kFewestPasswordRounds = 1000;
inline constexpr std::uint32_t kMostPasswordRounds = 5'000'000;

// The stored form of `password`, with a fresh random salt; empty when the system gives no
// random bytes or `password` is empty or longer than kLongestPassword.
std::string HashPassword(std::string_view password);
// The same with another round count within the bounds (empty outside them): a cheaper
// hash where speed matters more than strength, as in tests.
std::string HashPassword(std::string_view password, std::uint32_t rounds);
// Whether `password` is the one `stored` was made from. False for a malformed or empty
// `stored` (never throws, never reads outside it), or a round count out of bounds.
bool CheckPassword(std::string_view password, std::string_view stored);
// A new password for the user to note: 16 characters from letters and digits that cannot
// be mistaken for each other; empty when the system gives no random bytes.
std::string MakePassword();

// The user and password hash the servers check requests against, shared by their
// threads. A browser sends the password with every request: a pair once found right is
// remembered (as a keyed digest, never in clear) so the page's many requests cost one
// key derivation, and forgotten when the password changes.
class CCredentialCheck {
public:
    void Set(std::string user, std::string passwordHash);
    // True for the configured user with the right password; false for anything else,
    // and always while no password hash is set.
    bool Check(std::string_view user, std::string_view password);
    bool hasPassword() const;

private:
    mutable std::mutex lock_;
    std::string user_;
    std::string hash_;
    std::vector<std::string> known_;  // digests of pairs found right, a few at most
    std::string digestKey_;           // random per Set, so a digest is useless elsewhere
    std::uint64_t generation_ = 0;    // counts Set calls: a check that began before one
                                      // must not remember its pair
};

}  // namespace tavelin
