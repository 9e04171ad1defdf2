#include "resources/soundgen/WavWriter.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

#include "core/ReplacingFile.h"

namespace tavelin::sound {

namespace {

// RIFF is little-endian whatever the host is, so bytes are placed one by one.
void PutU32(std::vector<unsigned char>& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        out.push_back(static_cast<unsigned char>(v >> (8 * i)));
    }
}

void PutU16(std::vector<unsigned char>& out, std::uint16_t v) {
    out.push_back(static_cast<unsigned char>(v));
    out.push_back(static_cast<unsigned char>(v >> 8));
}

void PutTag(std::vector<unsigned char>& out, const char (&tag)[5]) {
    out.insert(out.end(), tag, tag + 4);
}

}  // namespace

bool WriteWav(const std::string& path, const std::vector<float>& samples, int sampleRate) {
    constexpr std::uint16_t kChannels = 1;
    constexpr std::uint16_t kBits = 16;
    constexpr std::uint16_t kBlockAlign = kChannels * kBits / 8;
    // The RIFF size field is 32 bits; refuse what it cannot describe.
    if (sampleRate <= 0 ||
        samples.size() > (std::numeric_limits<std::uint32_t>::max() - 44u) / kBlockAlign) {
        return false;
    }
    const auto dataBytes = static_cast<std::uint32_t>(samples.size() * kBlockAlign);

    std::vector<unsigned char> bytes;
    bytes.reserve(44 + dataBytes);
    PutTag(bytes, "RIFF");
    PutU32(bytes, 36 + dataBytes);
    PutTag(bytes, "WAVE");
    PutTag(bytes, "fmt ");
    PutU32(bytes, 16);
    PutU16(bytes, 1);  // PCM
    PutU16(bytes, kChannels);
    PutU32(bytes, static_cast<std::uint32_t>(sampleRate));
    PutU32(bytes, static_cast<std::uint32_t>(sampleRate) * kBlockAlign);
    PutU16(bytes, kBlockAlign);
    PutU16(bytes, kBits);
    PutTag(bytes, "data");
    PutU32(bytes, dataBytes);
    for (float s : samples) {
        const float clamped = std::clamp(s, -1.0f, 1.0f);
        const auto v = static_cast<std::int16_t>(std::lround(clamped * 32767.0f));
        PutU16(bytes, static_cast<std::uint16_t>(v));
    }

    // Written beside the target and renamed over it, so an interrupted build never
    // leaves a truncated sound where the program looks for one.
    CReplacingFile file(path);
    return file.Write(bytes.data(), bytes.size()) && file.Commit();
}

}  // namespace tavelin::sound
