// The alarm sounds as the build leaves them beside the programs: bin/Alarm/<n>.wav.

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr int kSounds = 7;

fs::path ProgramDir() {
    return fs::read_symlink("/proc/self/exe").parent_path();
}

std::vector<unsigned char> ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::uint32_t U32(const std::vector<unsigned char>& b, std::size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) |
           (static_cast<std::uint32_t>(b[at + 3]) << 24);
}

std::uint16_t U16(const std::vector<unsigned char>& b, std::size_t at) {
    return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8));
}

bool Tag(const std::vector<unsigned char>& b, std::size_t at, const char* tag) {
    return std::equal(tag, tag + 4, b.begin() + static_cast<std::ptrdiff_t>(at));
}

// A RIFF/WAVE file read chunk by chunk, as a strict player would.
struct Wave {
    bool valid = false;
    std::string error;
    std::uint16_t format = 0;
    std::uint16_t channels = 0;
    std::uint32_t rate = 0;
    std::uint32_t byteRate = 0;
    std::uint16_t blockAlign = 0;
    std::uint16_t bits = 0;
    std::vector<std::int16_t> samples;
};

Wave Parse(const std::vector<unsigned char>& b) {
    Wave w;
    if (b.size() < 12 || !Tag(b, 0, "RIFF") || !Tag(b, 8, "WAVE")) {
        w.error = "not RIFF/WAVE";
        return w;
    }
    if (U32(b, 4) != b.size() - 8) {
        w.error =
            "RIFF size " + std::to_string(U32(b, 4)) + " for a file of " + std::to_string(b.size());
        return w;
    }
    bool haveFormat = false;
    std::size_t at = 12;
    while (at + 8 <= b.size()) {
        const std::uint32_t size = U32(b, at + 4);
        if (at + 8 + size > b.size()) {
            w.error = "chunk runs past the end";
            return w;
        }
        if (Tag(b, at, "fmt ") && size >= 16) {
            w.format = U16(b, at + 8);
            w.channels = U16(b, at + 10);
            w.rate = U32(b, at + 12);
            w.byteRate = U32(b, at + 16);
            w.blockAlign = U16(b, at + 20);
            w.bits = U16(b, at + 22);
            haveFormat = true;
        } else if (Tag(b, at, "data")) {
            if (!haveFormat || size % 2 != 0) {
                w.error = "data before fmt or odd data size";
                return w;
            }
            w.samples.resize(size / 2);
            for (std::size_t i = 0; i < w.samples.size(); ++i) {
                w.samples[i] = static_cast<std::int16_t>(U16(b, at + 8 + 2 * i));
            }
            w.valid = true;
        }
        at += 8 + size + (size & 1);
    }
    if (!w.valid) {
        w.error = "no data chunk";
    }
    return w;
}

fs::path SoundPath(int n) {
    return ProgramDir() / "Alarm" / (std::to_string(n) + ".wav");
}

Wave Load(int n) {
    return Parse(ReadAll(SoundPath(n)));
}

class AlarmSoundTest : public ::testing::TestWithParam<int> {};

TEST_P(AlarmSoundTest, IsMono16BitPcmWithConsistentHeader) {
    ASSERT_TRUE(fs::exists(SoundPath(GetParam()))) << SoundPath(GetParam());
    const Wave w = Load(GetParam());
    ASSERT_TRUE(w.valid) << w.error;
    EXPECT_EQ(w.format, 1);
    EXPECT_EQ(w.channels, 1);
    EXPECT_EQ(w.bits, 16);
    EXPECT_TRUE(w.rate == 22050 || w.rate == 44100) << w.rate;
    EXPECT_EQ(w.blockAlign, 2);
    EXPECT_EQ(w.byteRate, w.rate * 2);
}

TEST_P(AlarmSoundTest, LastsTwoToFourSeconds) {
    const Wave w = Load(GetParam());
    ASSERT_TRUE(w.valid) << w.error;
    const double seconds = static_cast<double>(w.samples.size()) / w.rate;
    EXPECT_GE(seconds, 2.0);
    EXPECT_LE(seconds, 4.0);
}

TEST_P(AlarmSoundTest, IsLoudWithoutClipping) {
    const Wave w = Load(GetParam());
    ASSERT_TRUE(w.valid) << w.error;
    int peak = 0;
    double energy = 0.0;
    for (std::int16_t s : w.samples) {
        peak = std::max(peak, std::abs(static_cast<int>(s)));
        energy += static_cast<double>(s) * s;
    }
    const double rms = std::sqrt(energy / static_cast<double>(w.samples.size()));
    EXPECT_LT(peak, 32767) << "reaches full scale";
    EXPECT_GT(peak, 16000) << "too quiet for an alarm";
    EXPECT_GT(rms, 2000.0) << "mostly silent";
}

// A sound that starts or stops on a non-zero sample clicks.
TEST_P(AlarmSoundTest, FadesInAndOut) {
    const Wave w = Load(GetParam());
    ASSERT_TRUE(w.valid) << w.error;
    ASSERT_GT(w.samples.size(), 100u);
    for (std::size_t i = 0; i < 8; ++i) {
        EXPECT_LT(std::abs(w.samples[i]), 600) << "start " << i;
        EXPECT_LT(std::abs(w.samples[w.samples.size() - 1 - i]), 600) << "end " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(EverySound, AlarmSoundTest, ::testing::Range(0, kSounds));

// Loudness over time in 20 ms steps, and how often the wave crosses zero (a rough
// pitch measure): two sounds alike in both would be heard as the same alarm.
struct Fingerprint {
    std::vector<double> envelope;
    double crossingsPerSecond = 0.0;
};

Fingerprint Measure(const Wave& w) {
    Fingerprint f;
    const std::size_t step = w.rate / 50;
    for (std::size_t at = 0; at + step <= w.samples.size(); at += step) {
        double e = 0.0;
        for (std::size_t i = at; i < at + step; ++i) {
            e += static_cast<double>(w.samples[i]) * w.samples[i];
        }
        f.envelope.push_back(std::sqrt(e / step));
    }
    int crossings = 0;
    for (std::size_t i = 1; i < w.samples.size(); ++i) {
        crossings += (w.samples[i - 1] < 0) != (w.samples[i] < 0) ? 1 : 0;
    }
    f.crossingsPerSecond = crossings * static_cast<double>(w.rate) / w.samples.size();
    return f;
}

double Correlation(const std::vector<double>& a, const std::vector<double>& b) {
    const std::size_t n = std::min(a.size(), b.size());
    double ma = 0, mb = 0;
    for (std::size_t i = 0; i < n; ++i) {
        ma += a[i];
        mb += b[i];
    }
    ma /= n;
    mb /= n;
    double ab = 0, aa = 0, bb = 0;
    for (std::size_t i = 0; i < n; ++i) {
        ab += (a[i] - ma) * (b[i] - mb);
        aa += (a[i] - ma) * (a[i] - ma);
        bb += (b[i] - mb) * (b[i] - mb);
    }
    return aa > 0 && bb > 0 ? ab / std::sqrt(aa * bb) : 1.0;
}

TEST(AlarmSoundSetTest, SoundsAreDistinct) {
    std::array<Fingerprint, kSounds> prints;
    for (int n = 0; n < kSounds; ++n) {
        const Wave w = Load(n);
        ASSERT_TRUE(w.valid) << n << ": " << w.error;
        prints[n] = Measure(w);
    }
    for (int i = 0; i < kSounds; ++i) {
        for (int j = i + 1; j < kSounds; ++j) {
            const double pitchRatio =
                std::max(prints[i].crossingsPerSecond, prints[j].crossingsPerSecond) /
                std::min(prints[i].crossingsPerSecond, prints[j].crossingsPerSecond);
            const double shape = Correlation(prints[i].envelope, prints[j].envelope);
            EXPECT_TRUE(pitchRatio > 1.15 || shape < 0.8)
                << i << " and " << j << ": pitch ratio " << pitchRatio << ", envelope correlation "
                << shape;
        }
    }
}

// Fixed seeds: generating again gives the very same bytes as the build did.
TEST(AlarmSoundSetTest, GeneratorIsDeterministic) {
    const fs::path generator = ProgramDir() / "tavelin_soundgen";
    ASSERT_TRUE(fs::exists(generator));
    std::string dirTemplate = (fs::temp_directory_path() / "tavelin-sounds-XXXXXX").string();
    ASSERT_NE(mkdtemp(dirTemplate.data()), nullptr);
    const fs::path dir(dirTemplate);
    const std::string command = "'" + generator.string() + "' '" + dir.string() + "'";
    ASSERT_EQ(std::system(command.c_str()), 0);
    for (int n = 0; n < kSounds; ++n) {
        EXPECT_EQ(ReadAll(dir / (std::to_string(n) + ".wav")), ReadAll(SoundPath(n))) << n;
    }
    fs::remove_all(dir);
}

}  // namespace
