// Every test program runs headless: widgets on the offscreen platform, and the
// synthetic camera and microphone beside whatever devices the machine has. Set before
// main() so nothing can look at the environment earlier; a value already set wins.
#include <cstdlib>

namespace {

const bool kEnvironmentSet = [] {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    ::setenv("TAVELIN_TEST_SOURCES", "1", 0);
    return true;
}();

}  // namespace

// In the sanitizer build: GStreamer keeps a few allocations for the life of the process,
// and some test programs start it while merely listing their tests (the encoder list
// names their cases). Leaks are checked by their own driver (label leaks) instead.
extern "C" const char* __asan_default_options() {
    return "detect_leaks=0";
}
