// The web password: what is stored is standard PBKDF2 that checks back only for the same
// password, any damaged stored text is refused, and the check the servers share forgets
// what it knew when the password changes.

#include "core/WebPassword.h"

#include <gtest/gtest.h>
#include <openssl/evp.h>

#include <algorithm>
#include <ostream>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace tavelin {
namespace {

// Every hash but one is made with the fewest rounds: the key derivation allocates each
// round, which the sanitizer build makes a thousand times slower.
std::string Cheap(std::string_view password) {
    return HashPassword(password, kFewestPasswordRounds);
}

std::vector<std::string> Fields(const std::string& stored) {
    std::vector<std::string> fields;
    std::size_t from = 0;
    while (true) {
        const std::size_t dollar = stored.find('$', from);
        fields.push_back(stored.substr(from, dollar - from));
        if (dollar == std::string::npos)
            return fields;
        from = dollar + 1;
    }
}

std::string Join(const std::vector<std::string>& fields) {
    std::string text;
    for (const std::string& f : fields)
        text += (text.empty() ? "" : "$") + f;
    return text;
}

std::string Base64(const std::vector<unsigned char>& bytes) {
    std::string text(4 * ((bytes.size() + 2) / 3) + 1, '\0');
    const int n = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(text.data()), bytes.data(),
                                  static_cast<int>(bytes.size()));
    text.resize(static_cast<std::size_t>(n));
    return text;
}

std::vector<unsigned char> Unbase64(const std::string& text) {
    std::vector<unsigned char> bytes(text.size());
    int n = EVP_DecodeBlock(bytes.data(), reinterpret_cast<const unsigned char*>(text.data()),
                            static_cast<int>(text.size()));
    n -= static_cast<int>(std::count(text.begin(), text.end(), '='));
    bytes.resize(static_cast<std::size_t>(std::max(n, 0)));
    return bytes;
}

std::vector<unsigned char> Pbkdf2(const std::string& password,
                                  const std::vector<unsigned char>& salt, int rounds) {
    std::vector<unsigned char> key(32);
    EXPECT_EQ(PKCS5_PBKDF2_HMAC(password.data(), static_cast<int>(password.size()), salt.data(),
                                static_cast<int>(salt.size()), rounds, EVP_sha256(),
                                static_cast<int>(key.size()), key.data()),
              1);
    return key;
}

struct PasswordCase {
    const char* what;
    std::string password;
};

void PrintTo(const PasswordCase& c, std::ostream* os) {
    *os << c.what;
}

class PasswordRoundTripTest : public ::testing::TestWithParam<PasswordCase> {};

TEST_P(PasswordRoundTripTest, ChecksBackOnlyForTheSamePassword) {
    const std::string& password = GetParam().password;
    const std::string stored = Cheap(password);
    ASSERT_FALSE(stored.empty());
    EXPECT_EQ(stored.find(password), std::string::npos);
    EXPECT_TRUE(CheckPassword(password, stored));
    EXPECT_FALSE(CheckPassword(password + "x", stored));
    EXPECT_FALSE(CheckPassword(password.substr(0, password.size() - 1), stored));
}

INSTANTIATE_TEST_SUITE_P(
    Passwords, PasswordRoundTripTest,
    ::testing::Values(PasswordCase{"plain", "correct horse"},
                      PasswordCase{"UTF-8 and the separators", "p\xC3\xA4ss$w:rd\""},
                      PasswordCase{"the longest", std::string(kLongestPassword, 'z')}));

TEST(PasswordTest, IsStandardPbkdf2WithTheDefaultRounds) {
    const std::string stored = HashPassword("same");
    const std::vector<std::string> fields = Fields(stored);
    ASSERT_EQ(fields.size(), 4u);
    EXPECT_EQ(fields[0], "pbkdf2-sha256");
    EXPECT_EQ(fields[1], std::to_string(kPasswordRounds));
    const std::vector<unsigned char> salt = Unbase64(fields[2]);
    EXPECT_EQ(salt.size(), 16u);
    EXPECT_EQ(Base64(Pbkdf2("same", salt, static_cast<int>(kPasswordRounds))), fields[3]);

    // A hash made elsewhere is taken.
    const std::vector<unsigned char> otherSalt(16, 0x5a);
    const std::string made = "pbkdf2-sha256$1000$" + Base64(otherSalt) + "$" +
                             Base64(Pbkdf2("elsewhere", otherSalt, 1000));
    EXPECT_TRUE(CheckPassword("elsewhere", made));
}

TEST(PasswordTest, SaltsEveryHashAfresh) {
    const std::string first = Cheap("same");
    const std::string second = Cheap("same");
    EXPECT_NE(Fields(first)[2], Fields(second)[2]);
    EXPECT_NE(Fields(first)[3], Fields(second)[3]);
}

TEST(PasswordTest, RefusesWhatCannotBeAPassword) {
    EXPECT_EQ(HashPassword(""), "");
    EXPECT_EQ(HashPassword(std::string(kLongestPassword + 1, 'z')), "");
    EXPECT_EQ(HashPassword("right", kFewestPasswordRounds - 1), "");
    EXPECT_EQ(HashPassword("right", kMostPasswordRounds + 1), "");
    const std::string stored = Cheap("right");
    EXPECT_FALSE(CheckPassword("", stored));
    EXPECT_FALSE(CheckPassword(std::string(kLongestPassword + 1, 'z'), stored));
}

// A stored text derived from a good one.
struct Damage {
    const char* what;
    std::string (*make)(const std::string& good);
};

void PrintTo(const Damage& d, std::ostream* os) {
    *os << d.what;
}

std::string WithField(const std::string& good, std::size_t index, const std::string& value) {
    std::vector<std::string> fields = Fields(good);
    fields[index] = value;
    return Join(fields);
}

// The salt's last data character with bits set that its 128 bits cannot fill.
std::string StrayBits(const std::string& good) {
    std::string salt = Fields(good)[2];
    const std::string alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    salt[21] = alphabet[(alphabet.find(salt[21]) & ~15u) | 1u];
    return WithField(good, 2, salt);
}

class DamagedStoredTest : public ::testing::TestWithParam<Damage> {
protected:
    static void SetUpTestSuite() { good_ = new std::string(Cheap("right")); }
    static void TearDownTestSuite() { delete good_; }
    static std::string* good_;
};
std::string* DamagedStoredTest::good_ = nullptr;

TEST_F(DamagedStoredTest, TheUndamagedOneIsTaken) {
    EXPECT_TRUE(CheckPassword("right", *good_));
}

TEST_P(DamagedStoredTest, IsRefused) {
    const std::string damaged = GetParam().make(*good_);
    ASSERT_NE(damaged, *good_);
    EXPECT_FALSE(CheckPassword("right", damaged));
}

INSTANTIATE_TEST_SUITE_P(
    Stored, DamagedStoredTest,
    ::testing::Values(
        Damage{"empty", [](const std::string&) { return std::string(); }},
        Damage{"scheme only", [](const std::string&) { return std::string("pbkdf2-sha256"); }},
        Damage{"dollars only", [](const std::string&) { return std::string("$$$"); }},
        Damage{"one character short", [](const std::string& g) { return g.substr(0, g.size() - 1); }},
        Damage{"an extra field", [](const std::string& g) { return g + "$x"; }},
        Damage{"a trailing zero byte", [](const std::string& g) { return g + '\0'; }},
        Damage{"another scheme", [](const std::string& g) { return WithField(g, 0, "pbkdf2-sha1"); }},
        Damage{"too few rounds", [](const std::string& g) { return WithField(g, 1, "999"); }},
        Damage{"too many rounds", [](const std::string& g) { return WithField(g, 1, "5000001"); }},
        Damage{"huge rounds",
               [](const std::string& g) { return WithField(g, 1, "99999999999999999999999"); }},
        Damage{"negative rounds", [](const std::string& g) { return WithField(g, 1, "-100000"); }},
        Damage{"rounds with a sign", [](const std::string& g) { return WithField(g, 1, "+100000"); }},
        Damage{"rounds with a leading zero",
               [](const std::string& g) { return WithField(g, 1, "0100000"); }},
        Damage{"no rounds", [](const std::string& g) { return WithField(g, 1, ""); }},
        Damage{"salt with a character outside base64",
               [](const std::string& g) {
                   std::string salt = Fields(g)[2];
                   salt[3] = '*';
                   return WithField(g, 2, salt);
               }},
        Damage{"salt without padding",
               [](const std::string& g) {
                   std::string salt = Fields(g)[2];
                   return WithField(g, 2, salt.substr(0, salt.size() - 2));
               }},
        Damage{"salt with stray bits", StrayBits},
        Damage{"salt of other length", [](const std::string& g) {
                   return WithField(g, 2, "AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA");
               }},
        Damage{"hash padding moved", [](const std::string& g) {
                   std::string hash = Fields(g)[3];
                   hash[10] = '=';
                   return WithField(g, 3, hash);
               }},
        Damage{"hash of another password", [](const std::string& g) {
                   return WithField(g, 3, Fields(Cheap("wrong"))[3]);
               }}));

TEST(PasswordTest, MadePasswordsUseTheWholeUnambiguousAlphabet) {
    const std::string alphabet = "ABCDEFGHJKLMNPQRSTUVWXYZabcdefghjkmnpqrstuvwxyz23456789";
    std::set<std::string> made;
    std::set<char> seen;
    for (int i = 0; i < 300; ++i) {
        const std::string password = MakePassword();
        ASSERT_EQ(password.size(), 16u);
        for (const char c : password) {
            ASSERT_NE(alphabet.find(c), std::string::npos) << password;
            seen.insert(c);
        }
        made.insert(password);
    }
    EXPECT_EQ(made.size(), 300u);
    // 4800 characters over 55: every one turns up (a miss has odds below 1e-30).
    EXPECT_EQ(seen.size(), alphabet.size());
}

struct Attempt {
    const char* user;
    const char* password;
    bool accepted;
};

TEST(CredentialCheckTest, AcceptsOnlyTheConfiguredPairAndForgetsItOnChange) {
    CCredentialCheck check;
    EXPECT_FALSE(check.hasPassword());
    EXPECT_FALSE(check.Check("tavelin", ""));
    EXPECT_FALSE(check.Check("tavelin", "first"));

    check.Set("tavelin", Cheap("first"));
    EXPECT_TRUE(check.hasPassword());
    // Twice each: the second answer may come from what the first remembered.
    for (const Attempt& a :
         {Attempt{"tavelin", "first", true}, Attempt{"tavelin", "first", true},
          Attempt{"tavelin", "First", false}, Attempt{"tavelin", "", false},
          Attempt{"other", "first", false}, Attempt{"", "first", false},
          Attempt{"Tavelin", "first", false}, Attempt{"tavelin ", "first", false},
          Attempt{"tavelin", "first", true}}) {
        EXPECT_EQ(check.Check(a.user, a.password), a.accepted) << a.user << " / " << a.password;
    }

    check.Set("tavelin", Cheap("second"));
    EXPECT_FALSE(check.Check("tavelin", "first"));
    EXPECT_TRUE(check.Check("tavelin", "second"));

    check.Set("ann", Cheap("second"));
    EXPECT_FALSE(check.Check("tavelin", "second"));
    EXPECT_TRUE(check.Check("ann", "second"));

    check.Set("ann", "");
    EXPECT_FALSE(check.hasPassword());
    EXPECT_FALSE(check.Check("ann", "second"));
    check.Set("ann", "not a hash");
    EXPECT_FALSE(check.Check("ann", "second"));
}

TEST(CredentialCheckTest, ThreadsCheckingAtOnceGetTheRightAnswers) {
    CCredentialCheck check;
    check.Set("tavelin", Cheap("right"));
    std::vector<int> wrongAnswers(4, 0);
    std::vector<std::thread> threads;
    for (std::size_t t = 0; t < wrongAnswers.size(); ++t) {
        threads.emplace_back([&check, &wrongAnswers, t] {
            for (int i = 0; i < 6; ++i) {
                const bool right = (i + t) % 2 == 0;
                if (check.Check("tavelin", right ? "right" : "wrong") != right)
                    ++wrongAnswers[t];
            }
        });
    }
    for (std::thread& t : threads)
        t.join();
    EXPECT_EQ(wrongAnswers, std::vector<int>(4, 0));
}

}  // namespace
}  // namespace tavelin
