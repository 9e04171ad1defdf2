#pragma once
// The program's command line. Parsing is a pure function of the arguments and the
// environment's TAVELIN_CAMERA, so every case is tested without starting anything;
// what an option prints is done by the functions below it.
//
//   -h, --help       the options, then end
//   --version        "Tavelin Video Center 3.0.0", then end
//   --list-devices   the video and audio sources and the video and audio compressors
//   --camera NAME    the first video source whose name contains NAME, in any letter case
//   --verbose        every tavelin.* logging category at debug level
//
// Qt's own window-system options (-platform, -style, -display, ...) pass to Qt.

#include <QString>
#include <QStringList>
#include <cstdio>
#include <string>
#include <vector>

namespace tavelin {

// Exit status for a command line that cannot be used, as command-line tools do.
inline constexpr int kUsageExitCode = 2;

struct CommandLine {
    enum class Action { Run, Help, Version, ListDevices, Error };
    Action action = Action::Run;
    QString camera;  // empty: the stored camera, else the "PC Camera" search
    bool verbose = false;
    QString qtPlatform;  // Qt's -platform option: the user's choice of window system
    QString error;       // Action::Error: what is wrong, one sentence
};

// `arguments` as main() got them, the program's name first; `cameraVariable` the value of
// TAVELIN_CAMERA (an empty one counts as unset; --camera wins over it).
CommandLine ParseCommandLine(const QStringList& arguments, const QString& cameraVariable);

// How Qt itself handles `argument` (its options go to it unseen): 0 an option of its own
// without a value, 1 one followed by a value, -1 not Qt's.
int QtOptionValueCount(const QString& argument);

// The text --help prints and --version's line, `program` naming the program in the
// usage line.
QString HelpText(const QString& program);
QString VersionText();

// What --list-devices prints: each group under its heading, one name a line.
struct DeviceLists {
    std::vector<std::string> videoSources;
    std::vector<std::string> audioSources;
    std::vector<std::string> videoCompressors;
    std::vector<std::string> audioCompressors;
};
QString DeviceListText(const DeviceLists& lists);

// Carries out an action that only prints (everything but Run) and gives the exit status;
// needs no display. --list-devices starts GStreamer.
int RunPrintingAction(const CommandLine& line, const QString& program, std::FILE* out,
                      std::FILE* err);

}  // namespace tavelin
