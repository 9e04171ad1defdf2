// Plays a short generated alarm a number of times through the program's sound player,
// for a leak checker to watch (valgrind, or LeakSanitizer in the sanitizer build).
//
// usage: sound_player_driver <plays> <folder for the sound file>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>

#include "capture/SoundPlayer.h"

namespace {

void WriteTone(const std::string& path) {
    constexpr std::uint32_t kRate = 8000;
    constexpr std::uint32_t kSamples = kRate / 20;
    std::ofstream out(path, std::ios::binary);
    auto put = [&](std::uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i)
            out.put(static_cast<char>((v >> (8 * i)) & 0xFF));
    };
    out.write("RIFF", 4);
    put(36 + kSamples * 2, 4);
    out.write("WAVEfmt ", 8);
    put(16, 4), put(1, 2), put(1, 2), put(kRate, 4), put(kRate * 2, 4), put(2, 2), put(16, 2);
    out.write("data", 4);
    put(kSamples * 2, 4);
    for (std::uint32_t i = 0; i < kSamples; ++i)
        put(static_cast<std::uint16_t>(static_cast<std::int16_t>(8000 * std::sin(i * 0.3))), 2);
}

bool WaitUntil(const auto& done) {
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!done()) {
        if (std::chrono::steady_clock::now() > limit)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s <plays> <folder>\n", argv[0]);
        return 2;
    }
    const int plays = std::atoi(argv[1]);
    const std::string sound = std::string(argv[2]) + "/driver-tone.wav";
    WriteTone(sound);
    {
        tavelin::CSoundPlayer player("fakesink sync=false");
        for (int i = 0; i < plays; ++i) {
            if (!WaitUntil([&] { return player.Play(sound); }) ||
                !WaitUntil([&] { return !player.IsPlaying(); })) {
                std::fprintf(stderr, "play %d did not finish\n", i);
                return 1;
            }
        }
    }
    std::remove(sound.c_str());
    std::printf("%d plays\n", plays);
    return 0;
}
