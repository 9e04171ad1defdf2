#pragma once
// The synthetic camera and microphone, for tests and for running without hardware.
//
// With TAVELIN_TEST_SOURCES=1 the device lists hold "Test Pattern PC Camera" and
// "Test Tone Microphone" beside the real devices (see TestDeviceProvider.h). The
// camera is shaped by environment variables that are read each time a graph is
// built with it, so a test can change them between builds:
//
//   TAVELIN_TEST_CAMERA_PATTERN     a videotestsrc pattern name (default "ball", a
//                                   moving ball; "gradient" runs from black at the
//                                   top to white at the bottom; "solid-color";
//                                   "blink" alternates black and white frames)
//   TAVELIN_TEST_CAMERA_COLOR       RRGGBB in hex, the colour of "solid-color"
//                                   and of the ball
//   TAVELIN_TEST_CAMERA_BACKGROUND  RRGGBB in hex, what the ball moves over
//                                   (default black)
//   TAVELIN_TEST_CAMERA_SIZE        WIDTHxHEIGHT the camera delivers (default 640x480)
//   TAVELIN_TEST_CAMERA_FPS         frames a second (default 30)
//   TAVELIN_TEST_CAMERA_FORMAT      yuy2 (default, like a webcam), bgr or mjpeg
//   TAVELIN_TEST_CAMERA_STOP_AFTER  after this many frames the camera hangs and
//                                   delivers nothing more, like a camera pulled
//                                   out (default 0: never)
//   TAVELIN_TEST_CAMERA_STILL_FOR   seconds (decimals allowed) the picture stands
//                                   still after the camera starts: every frame is
//                                   the first one, byte for byte (default 0)
//   TAVELIN_TEST_CAMERA_STILL_AFTER seconds after the camera starts from which the
//                                   picture stands still again (default: never)
//   TAVELIN_TEST_CAMERA_NAMES       the names the camera is listed under, separated by
//                                   '|' (read when the devices are listed; default
//                                   "Test Pattern PC Camera")
//
// The times are the camera's own frame times, counted from its first frame, so a
// test sees one burst of motion between the two whatever the machine's speed.

#include <gst/gst.h>

#include <cstdint>
#include <string>
#include <vector>

namespace tavelin {

inline constexpr const char* kTestSourcesVariable = "TAVELIN_TEST_SOURCES";
inline constexpr const char* kTestCameraName = "Test Pattern PC Camera";
inline constexpr const char* kTestMicrophoneName = "Test Tone Microphone";

// TAVELIN_TEST_SOURCES is "1".
bool TestSourcesEnabled();

// The names the synthetic camera is listed under: TAVELIN_TEST_CAMERA_NAMES, names
// separated by '|' (each one the same synthetic camera, so a test can offer cameras of
// its choice), or kTestCameraName alone.
std::vector<std::string> TestCameraNames();

struct TestCameraOptions {
    enum class Format { Yuy2, Bgr, Mjpeg };

    std::string pattern = "ball";
    std::uint32_t colour = 0xFFFFFF;  // 0xRRGGBB
    std::uint32_t background = 0x000000;
    int width = 640;
    int height = 480;
    int fps = 30;
    Format format = Format::Yuy2;
    int stopAfterFrames = 0;
    double stillForSeconds = 0.0;
    double stillAfterSeconds = -1.0;  // negative: never
    // Still, moving and still again begin anew this long after the first frame, and so
    // on: a motion burst every so many seconds without the camera starting again. 0: never.
    double repeatAfterSeconds = 0.0;

    // Defaults, overridden by whichever variables are set and valid.
    static TestCameraOptions FromEnvironment();
};

// New source elements with a floating reference, as GstDevice hands them out.
GstElement* CreateTestCamera(const TestCameraOptions& options, const char* name);
GstElement* CreateTestMicrophone(const char* name);

}  // namespace tavelin
