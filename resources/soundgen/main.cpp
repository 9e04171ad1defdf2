// Writes the alarm sounds as <dir>/0.wav ... <dir>/6.wav. Run by the build.

#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

#include "resources/soundgen/AlarmSounds.h"
#include "resources/soundgen/WavWriter.h"

int main(int argc, char** argv) {
    using namespace tavelin::sound;
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <output directory>\n", argv[0]);
        return 2;
    }
    const std::filesystem::path dir(argv[1]);
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    if (ec) {
        std::fprintf(stderr, "cannot create %s: %s\n", dir.c_str(), ec.message().c_str());
        return 1;
    }
    for (std::size_t n = 0; n < kAlarmSounds.size(); ++n) {
        const auto path = (dir / (std::to_string(n) + ".wav")).string();
        if (!WriteWav(path, kAlarmSounds[n].make(kAlarmSampleRate), kAlarmSampleRate)) {
            std::fprintf(stderr, "cannot write %s\n", path.c_str());
            return 1;
        }
    }
    return 0;
}
