#include "core/WebPassword.h"

#include <openssl/crypto.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/hmac.h>
#include <openssl/rand.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <utility>

#include "core/Log.h"

namespace tavelin {

namespace {

constexpr std::string_view kScheme = "pbkdf2-sha256";
constexpr std::size_t kSaltBytes = 16;
constexpr std::size_t kHashBytes = 32;
constexpr std::size_t kMostRemembered = 4;

constexpr std::string_view kBase64 =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
// Letters and digits without 0/O/o, 1/I/l/i: a password read off a screen and typed on a
// phone.
constexpr std::string_view kPasswordAlphabet =
    "ABCDEFGHJKLMNPQRSTUVWXYZabcdefghjkmnpqrstuvwxyz23456789";
constexpr std::size_t kPasswordLength = 16;

std::string OpenSslError() {
    const unsigned long code = ERR_get_error();
    if (code == 0)
        return "no reason given";
    char text[256];
    ERR_error_string_n(code, text, sizeof text);
    return text;
}

bool RandomBytes(unsigned char* out, std::size_t count) {
    if (RAND_bytes(out, static_cast<int>(count)) != 1) {
        Log(LogArea::Web, LogLevel::Error, "web password: no random bytes: " + OpenSslError());
        return false;
    }
    return true;
}

std::string Base64(const unsigned char* data, std::size_t size) {
    std::string text;
    text.reserve((size + 2) / 3 * 4);
    for (std::size_t i = 0; i < size; i += 3) {
        const std::size_t left = size - i;
        std::uint32_t group = static_cast<std::uint32_t>(data[i]) << 16;
        if (left > 1)
            group |= static_cast<std::uint32_t>(data[i + 1]) << 8;
        if (left > 2)
            group |= data[i + 2];
        text += kBase64[(group >> 18) & 63];
        text += kBase64[(group >> 12) & 63];
        text += left > 1 ? kBase64[(group >> 6) & 63] : '=';
        text += left > 2 ? kBase64[group & 63] : '=';
    }
    return text;
}

// Exactly `size` bytes from their padded base64 text; false for any other length, a
// character outside the alphabet, or a text that is not the one Base64() writes.
bool DecodeBase64(std::string_view text, unsigned char* out, std::size_t size) {
    if (text.size() != (size + 2) / 3 * 4)
        return false;
    std::size_t written = 0;
    for (std::size_t i = 0; i < text.size(); i += 4) {
        std::uint32_t group = 0;
        for (std::size_t k = 0; k < 4; ++k) {
            const char c = text[i + k];
            std::size_t value = 0;
            if (c != '=') {
                value = kBase64.find(c);
                if (value == std::string_view::npos)
                    return false;
            }
            group = (group << 6) | static_cast<std::uint32_t>(value);
        }
        for (int shift = 16; shift >= 0 && written < size; shift -= 8)
            out[written++] = static_cast<unsigned char>(group >> shift);
    }
    // Padding only where the length calls for it, and no stray bits under it.
    return Base64(out, size) == text;
}

// A round count as written: digits only, no sign or leading zero, within bounds.
bool ParseRounds(std::string_view text, std::uint32_t& rounds) {
    if (text.empty() || text.size() > 7 || text[0] == '0')
        return false;
    std::uint32_t value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return false;
        value = value * 10 + static_cast<std::uint32_t>(c - '0');
    }
    if (value < kFewestPasswordRounds || value > kMostPasswordRounds)
        return false;
    rounds = value;
    return true;
}

bool Derive(std::string_view password, const unsigned char* salt, std::uint32_t rounds,
            unsigned char* out) {
    if (PKCS5_PBKDF2_HMAC(password.data(), static_cast<int>(password.size()), salt,
                          static_cast<int>(kSaltBytes), static_cast<int>(rounds), EVP_sha256(),
                          static_cast<int>(kHashBytes), out) != 1) {
        Log(LogArea::Web, LogLevel::Error,
            "web password: cannot derive the key: " + OpenSslError());
        return false;
    }
    return true;
}

bool SameBytes(std::string_view a, std::string_view b) {
    return a.size() == b.size() && CRYPTO_memcmp(a.data(), b.data(), a.size()) == 0;
}

// The pair under `key`, with the user's length first so that no two pairs give the same
// text.
std::string PairDigest(const std::string& key, std::string_view user, std::string_view password) {
    std::string text = std::to_string(user.size());
    text += ':';
    text += user;
    text += password;
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    const bool ok = HMAC(EVP_sha256(), key.data(), static_cast<int>(key.size()),
                         reinterpret_cast<const unsigned char*>(text.data()), text.size(), digest,
                         &length) != nullptr;
    OPENSSL_cleanse(text.data(), text.size());
    if (!ok)
        return {};
    return std::string(reinterpret_cast<const char*>(digest), length);
}

}  // namespace

std::string HashPassword(std::string_view password) {
    // About 35 ms on the development machine (one AMD EPYC core, 2026): guessing from a
    // stolen settings file is slow, a login is not.
    return HashPassword(password, kPasswordRounds);
}

std::string HashPassword(std::string_view password, std::uint32_t rounds) {
    if (password.empty() || password.size() > kLongestPassword || rounds < kFewestPasswordRounds ||
        rounds > kMostPasswordRounds) {
        return {};
    }
    std::array<unsigned char, kSaltBytes> salt{};
    std::array<unsigned char, kHashBytes> hash{};
    if (!RandomBytes(salt.data(), salt.size()) ||
        !Derive(password, salt.data(), rounds, hash.data())) {
        return {};
    }
    std::string stored(kScheme);
    stored += '$';
    stored += std::to_string(rounds);
    stored += '$';
    stored += Base64(salt.data(), salt.size());
    stored += '$';
    stored += Base64(hash.data(), hash.size());
    return stored;
}

bool CheckPassword(std::string_view password, std::string_view stored) {
    if (password.empty() || password.size() > kLongestPassword)
        return false;
    // Exactly four fields: scheme, rounds, salt, hash.
    std::array<std::string_view, 4> fields;
    std::size_t count = 0;
    std::string_view rest = stored;
    while (true) {
        const std::size_t dollar = rest.find('$');
        if (count == fields.size())
            return false;
        fields[count++] = rest.substr(0, dollar);
        if (dollar == std::string_view::npos)
            break;
        rest.remove_prefix(dollar + 1);
    }
    std::uint32_t rounds = 0;
    std::array<unsigned char, kSaltBytes> salt{};
    std::array<unsigned char, kHashBytes> expected{};
    if (count != fields.size() || fields[0] != kScheme || !ParseRounds(fields[1], rounds) ||
        !DecodeBase64(fields[2], salt.data(), salt.size()) ||
        !DecodeBase64(fields[3], expected.data(), expected.size())) {
        return false;
    }
    std::array<unsigned char, kHashBytes> derived{};
    if (!Derive(password, salt.data(), rounds, derived.data()))
        return false;
    return CRYPTO_memcmp(derived.data(), expected.data(), kHashBytes) == 0;
}

std::string MakePassword() {
    // Bytes past the largest multiple of the alphabet's size are thrown away, so that every
    // character is as likely as any other.
    constexpr unsigned kUsable = 256 / kPasswordAlphabet.size() * kPasswordAlphabet.size();
    std::string password;
    std::array<unsigned char, 64> bytes{};
    while (password.size() < kPasswordLength) {
        if (!RandomBytes(bytes.data(), bytes.size()))
            return {};
        for (const unsigned char b : bytes) {
            if (b < kUsable && password.size() < kPasswordLength)
                password += kPasswordAlphabet[b % kPasswordAlphabet.size()];
        }
    }
    OPENSSL_cleanse(bytes.data(), bytes.size());
    return password;
}

void CCredentialCheck::Set(std::string user, std::string passwordHash) {
    std::array<unsigned char, 32> key{};
    // Without a key nothing is remembered: every request then derives again.
    const bool keyed = RandomBytes(key.data(), key.size());
    std::lock_guard guard(lock_);
    user_ = std::move(user);
    hash_ = std::move(passwordHash);
    known_.clear();
    digestKey_ =
        keyed ? std::string(reinterpret_cast<const char*>(key.data()), key.size()) : std::string();
    ++generation_;
    OPENSSL_cleanse(key.data(), key.size());
}

bool CCredentialCheck::Check(std::string_view user, std::string_view password) {
    if (password.size() > kLongestPassword)
        return false;
    std::string hash;
    std::uint64_t generation = 0;
    bool rightUser = false;
    std::string digest;
    {
        std::lock_guard guard(lock_);
        if (hash_.empty())
            return false;
        rightUser = SameBytes(user, user_);
        if (!digestKey_.empty()) {
            digest = PairDigest(digestKey_, user, password);
            if (!digest.empty() && rightUser &&
                std::any_of(known_.begin(), known_.end(),
                            [&](const std::string& k) { return SameBytes(k, digest); })) {
                return true;
            }
        }
        hash = hash_;
        generation = generation_;
    }
    // The slow part without the lock: other requests go on meanwhile. A wrong user costs
    // the same as a wrong password.
    const bool right = CheckPassword(password, hash) && rightUser;
    if (right && !digest.empty()) {
        std::lock_guard guard(lock_);
        if (generation == generation_) {
            if (known_.size() >= kMostRemembered)
                known_.erase(known_.begin());
            known_.push_back(std::move(digest));
        }
    }
    return right;
}

bool CCredentialCheck::hasPassword() const {
    std::lock_guard guard(lock_);
    return !hash_.empty();
}

}  // namespace tavelin
