// The command line and the platform decision: what each set of arguments and each
// desktop environment leads to, and what the printing options print.

#include "app/CommandLine.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdio>
#include <string>

#include "app/PlatformChoice.h"
#include "tests/support/QtApp.h"

namespace tavelin {
namespace {

using Action = CommandLine::Action;
using ::testing::HasSubstr;
using ::testing::StartsWith;

CommandLine Parse(const QStringList& arguments, const char* cameraVariable) {
    return ParseCommandLine(
        QStringList{QStringLiteral("/usr/lib/tavelin/tavelin-video-center")} + arguments,
        QString::fromUtf8(cameraVariable));
}

struct ParseCase {
    QStringList arguments;  // after the program's name
    const char* variable;   // TAVELIN_CAMERA
    Action action;
    const char* camera;
    bool verbose;
};

void PrintTo(const ParseCase& c, std::ostream* os) {
    *os << c.arguments.join(u' ').toStdString() << " / " << c.variable;
}

class ParseCommandLineTest : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ParseCommandLineTest, GivesTheActionAndTheChoices) {
    const ParseCase& c = GetParam();
    const CommandLine line = Parse(c.arguments, c.variable);
    EXPECT_EQ(line.action, c.action) << line.error.toStdString();
    EXPECT_EQ(line.camera.toStdString(), c.camera);
    EXPECT_EQ(line.verbose, c.verbose);
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, ParseCommandLineTest,
    ::testing::Values(
        // Nothing: the program as always.
        ParseCase{{}, "", Action::Run, "", false},
        ParseCase{{"--help"}, "", Action::Help, "", false},
        ParseCase{{"-h"}, "", Action::Help, "", false},
        ParseCase{{"--version"}, "", Action::Version, "", false},
        ParseCase{{"--version", "--help"}, "", Action::Help, "", false},
        ParseCase{{"--list-devices", "--version"}, "", Action::Version, "", false},
        ParseCase{{"--list-devices"}, "", Action::ListDevices, "", false},
        ParseCase{{"--camera", "Integrated Webcam"}, "", Action::Run, "Integrated Webcam", false},
        ParseCase{{"--camera=usb"}, "", Action::Run, "usb", false},
        ParseCase{{"--camera", "a", "--camera", "b"}, "", Action::Run, "b", false},
        ParseCase{{"--verbose"}, "", Action::Run, "", true},
        // The variable, and the option beating it.
        ParseCase{{}, "Webcam", Action::Run, "Webcam", false},
        ParseCase{{"--camera", "usb"}, "Webcam", Action::Run, "usb", false},
        ParseCase{{"--list-devices"}, "Webcam", Action::ListDevices, "Webcam", false},
        // Qt's own options go past the parser.
        ParseCase{{"-platform", "xcb", "-style=Fusion", "--verbose"}, "", Action::Run, "", true},
        ParseCase{
            {"-style", "Windows", "-reverse", "--camera", "x"}, "", Action::Run, "x", false}));

struct ErrorCase {
    QStringList arguments;
    const char* errorPart;  // a part of what the user is told
};

void PrintTo(const ErrorCase& c, std::ostream* os) {
    *os << c.arguments.join(u' ').toStdString();
}

class CommandLineErrorTest : public ::testing::TestWithParam<ErrorCase> {};

TEST_P(CommandLineErrorTest, SaysWhatIsWrong) {
    const CommandLine line = Parse(GetParam().arguments, "Webcam");
    EXPECT_EQ(line.action, Action::Error);
    EXPECT_THAT(line.error.toStdString(), HasSubstr(GetParam().errorPart));
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, CommandLineErrorTest,
    ::testing::Values(ErrorCase{{"--bogus"}, "Unknown option 'bogus'"},
                      ErrorCase{{"--help", "--bogus"}, "Unknown option 'bogus'"},
                      ErrorCase{{"-verbose"}, "Unknown options"},
                      ErrorCase{{"--camera"}, "Missing value after '--camera'"},
                      ErrorCase{{"--camera", ""}, "camera"}, ErrorCase{{"--camera="}, "camera"},
                      ErrorCase{{"-platform"}, "Missing value after '-platform'"},
                      ErrorCase{{"webcam"}, "Unexpected argument 'webcam'"},
                      ErrorCase{{"--", "--help"}, "Unexpected argument '--help'"}));

TEST(CommandLine, QtsPlatformOptionIsKeptForThePlatformChoice) {
    const CommandLine line =
        ParseCommandLine({"tavelin-video-center", "--platform", "wayland", "-reverse"}, {});
    EXPECT_EQ(line.action, Action::Run);
    EXPECT_EQ(line.qtPlatform, QStringLiteral("wayland"));
}

// Runs a printing action and gives back what went to stdout and stderr.
struct Printed {
    int status;
    std::string out;
    std::string err;
};
std::string ReadBack(std::FILE* file) {
    std::rewind(file);
    std::string text;
    for (int c; (c = std::fgetc(file)) != EOF;)
        text += static_cast<char>(c);
    std::fclose(file);
    return text;
}
Printed Print(const QStringList& arguments) {
    testing::QtApp();  // main() prints with an application object too
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    const CommandLine line =
        ParseCommandLine(QStringList{QStringLiteral("tavelin-video-center")} + arguments, {});
    const int status = RunPrintingAction(line, QStringLiteral("tavelin-video-center"), out, err);
    return {status, ReadBack(out), ReadBack(err)};
}

TEST(CommandLine, VersionPrintsTheNameAndVersionAlone) {
    const Printed printed = Print({"--version"});
    EXPECT_EQ(printed.status, 0);
    EXPECT_EQ(printed.out, "Tavelin Video Center 3.0.0\n");
    EXPECT_EQ(printed.err, "");
}

TEST(CommandLine, HelpNamesEveryOptionTheVariableAndTheExitStatus) {
    const Printed printed = Print({"--help"});
    EXPECT_EQ(printed.status, 0);
    EXPECT_THAT(printed.out, StartsWith("Usage: tavelin-video-center [options]\n"));
    for (const char* part : {"-h, --help", "--version", "--list-devices", "--camera <name>",
                             "--verbose", "TAVELIN_CAMERA", "Exit status", " 2 "}) {
        EXPECT_THAT(printed.out, HasSubstr(part));
    }
    EXPECT_EQ(printed.err, "");
}

TEST(CommandLine, AnUnusableCommandLineSaysWhyOnStderrAndEndsWithTwo) {
    const Printed printed = Print({"--bogus"});
    EXPECT_EQ(printed.status, kUsageExitCode);
    EXPECT_EQ(printed.out, "");
    EXPECT_EQ(printed.err,
              "tavelin-video-center: Unknown option 'bogus'.\n"
              "Try 'tavelin-video-center --help' for more information.\n");
}

TEST(CommandLine, DeviceListsComeInListOrderUnderTheirHeadings) {
    DeviceLists lists;
    lists.videoSources = {"Integrated Webcam", "Test Pattern PC Camera"};
    lists.audioSources = {"Built-in Microphone"};
    lists.audioCompressors = {"PCM", "MPEG-1 Layer 2"};
    EXPECT_EQ(DeviceListText(lists).toStdString(),
              "Video sources:\n"
              "  Integrated Webcam\n"
              "  Test Pattern PC Camera\n"
              "Audio sources:\n"
              "  Built-in Microphone\n"
              "Video compressors:\n"
              "Audio compressors:\n"
              "  PCM\n"
              "  MPEG-1 Layer 2\n");
}

TEST(CommandLine, ListDevicesShowsTheSyntheticSources) {
    ::setenv("TAVELIN_TEST_SOURCES", "1", 1);
    const Printed printed = Print({"--list-devices"});
    ::unsetenv("TAVELIN_TEST_SOURCES");
    EXPECT_EQ(printed.status, 0);
    const std::size_t video = printed.out.find("Video sources:\n");
    const std::size_t camera = printed.out.find("\n  Test Pattern PC Camera\n");
    const std::size_t audio = printed.out.find("Audio sources:\n");
    const std::size_t microphone = printed.out.find("\n  Test Tone Microphone\n");
    const std::size_t jpeg = printed.out.find("\n  JPEG image encoder\n");
    const std::size_t pcm = printed.out.find("Audio compressors:\n  PCM\n");
    ASSERT_NE(camera, std::string::npos) << printed.out;
    ASSERT_NE(microphone, std::string::npos) << printed.out;
    ASSERT_NE(jpeg, std::string::npos) << printed.out;
    ASSERT_NE(pcm, std::string::npos) << printed.out;
    EXPECT_LT(video, camera);
    EXPECT_LT(camera, audio);
    EXPECT_LT(audio, microphone);
    EXPECT_LT(microphone, jpeg);
    EXPECT_LT(jpeg, pcm);
}

struct QtOptionCase {
    const char* argument;
    int values;
};
class QtOptionTest : public ::testing::TestWithParam<QtOptionCase> {};

TEST_P(QtOptionTest, IsRecognisedWithItsValueCount) {
    EXPECT_EQ(QtOptionValueCount(QString::fromLatin1(GetParam().argument)), GetParam().values)
        << GetParam().argument;
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, QtOptionTest,
    ::testing::Values(QtOptionCase{"-platform", 1}, QtOptionCase{"--platform", 1},
                      QtOptionCase{"-style", 1}, QtOptionCase{"-style=Fusion", 0},
                      QtOptionCase{"-stylesheet=a.qss", 0}, QtOptionCase{"-reverse", 0},
                      QtOptionCase{"-display", 1}, QtOptionCase{"---platform", -1},
                      QtOptionCase{"-platformx", -1}, QtOptionCase{"--camera", -1},
                      QtOptionCase{"platform", -1}, QtOptionCase{"-", -1}));

struct PlatformCase {
    const char* what;
    PlatformEnvironment environment;  // WAYLAND_DISPLAY, DISPLAY, QT_QPA_PLATFORM,
                                      // XDG_SESSION_TYPE, -platform
    const char* force;
    bool systemMove;
};

void PrintTo(const PlatformCase& c, std::ostream* os) {
    *os << c.what;
}

class PlatformChoiceTest : public ::testing::TestWithParam<PlatformCase> {};

TEST_P(PlatformChoiceTest, ForcesX11OnlyWhereXWaylandServesAnUnchosenPlatform) {
    const PlatformChoice choice = ChoosePlatform(GetParam().environment);
    EXPECT_EQ(choice.force.toStdString(), GetParam().force);
    EXPECT_EQ(choice.systemMove, GetParam().systemMove);
    EXPECT_FALSE(choice.reason.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Desktops, PlatformChoiceTest,
    ::testing::Values(
        PlatformCase{"Wayland with XWayland", {"wayland-0", ":0", "", "wayland", ""}, "xcb", false},
        PlatformCase{"Wayland display alone", {"wayland-0", ":0", "", "", ""}, "xcb", false},
        PlatformCase{"Wayland session named only", {"", ":1", "", "wayland", ""}, "xcb", false},
        PlatformCase{"Wayland without X", {"wayland-0", "", "", "wayland", ""}, "", true},
        PlatformCase{"Wayland session without X", {"", "", "", "wayland", ""}, "", true},
        PlatformCase{"X11 session", {"", ":0", "", "x11", ""}, "", false},
        PlatformCase{"X server alone", {"", ":99", "", "", ""}, "", false},
        PlatformCase{"nothing at all", {"", "", "", "", ""}, "", false},
        PlatformCase{"user chose Wayland", {"wayland-0", ":0", "wayland", "wayland", ""}, "", true},
        PlatformCase{
            "user chose a list", {"wayland-0", ":0", "wayland;xcb", "wayland", ""}, "", true},
        PlatformCase{"user chose X11", {"wayland-0", ":0", "xcb", "wayland", ""}, "", false},
        PlatformCase{
            "user chose offscreen", {"wayland-0", "", "offscreen", "wayland", ""}, "", false},
        PlatformCase{
            "option beats variable", {"wayland-0", ":0", "xcb", "wayland", "wayland"}, "", true},
        PlatformCase{"option alone", {"wayland-0", ":0", "", "wayland", "xcb"}, "", false}));

}  // namespace
}  // namespace tavelin
