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
