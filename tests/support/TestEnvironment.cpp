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

// The sanitizer builds pass their suppression files here, so a test program finds them
// however it is started: by ctest, by hand, or by the build while it lists the tests
// (some programs start GStreamer for that, since the encoder list names their cases).
// Options the caller sets in LSAN_OPTIONS or TSAN_OPTIONS are read after these and win.
#ifdef TAVELIN_LSAN_SUPPRESSIONS
// Full stacks at every allocation, so a suppression sees the library function that
// made it, not only the allocator's frames.
extern "C" const char* __lsan_default_options() {
    return "suppressions='" TAVELIN_LSAN_SUPPRESSIONS "':fast_unwind_on_malloc=0";
}
#endif
#ifdef TAVELIN_TSAN_SUPPRESSIONS
extern "C" const char* __tsan_default_options() {
    return "suppressions='" TAVELIN_TSAN_SUPPRESSIONS "'";
}
#endif
