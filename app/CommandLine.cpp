#include "app/CommandLine.h"

#include <QCommandLineOption>
#include <QCommandLineParser>

#include "capture/CaptureGraph.h"
#include "capture/GstRuntime.h"
#include "core/Messages.h"

#ifndef TAVELIN_VERSION
#error "TAVELIN_VERSION must name the project's version"
#endif

namespace tavelin {

namespace {

const QString kHelp = QStringLiteral("help");
const QString kVersion = QStringLiteral("version");
const QString kListDevices = QStringLiteral("list-devices");
const QString kCamera = QStringLiteral("camera");
const QString kVerbose = QStringLiteral("verbose");

// The parser knows the options; the help text comes from it, so the two cannot part.
void DefineOptions(QCommandLineParser& parser) {
    parser.setApplicationDescription(QStringLiteral(
        "Shows a camera's live picture beside a skinned control window, takes snapshots\n"
        "and timed shots, records AVI files and watches for motion."));
    parser.addOptions({
        {{QStringLiteral("h"), kHelp}, QStringLiteral("Print this help and end.")},
        {kVersion, QStringLiteral("Print the program's name and version and end.")},
        {kListDevices,
         QStringLiteral("Print the video sources, the audio sources, the video compressors "
                        "and the audio compressors, one a line, and end.")},
        {kCamera,
         QStringLiteral("Use the first video source whose name contains <name>, in any "
                        "letter case, instead of the one chosen in the video settings or "
                        "the first with \"PC Camera\" in its name."),
         QStringLiteral("name")},
        {kVerbose, QStringLiteral("Log everything the program does (the logging categories "
                                  "tavelin.* at debug level).")},
    });
}

// Qt's options that its application objects take out of the arguments themselves.
struct QtOption {
    const char* name;
    int values;
};
constexpr QtOption kQtOptions[] = {
    {"platform", 1},        {"platformpluginpath", 1},
    {"platformtheme", 1},   {"plugin", 1},
    {"qwindowgeometry", 1}, {"qwindowicon", 1},
    {"qwindowtitle", 1},    {"reverse", 0},
    {"session", 1},         {"display", 1},
    {"geometry", 1},        {"style", 1},
    {"stylesheet", 1},      {"widgetcount", 0},
};

}  // namespace

int QtOptionValueCount(const QString& argument) {
    if (!argument.startsWith(u'-') || argument.startsWith(QStringLiteral("---")))
        return -1;
    QString name = argument.mid(argument.startsWith(QStringLiteral("--")) ? 2 : 1);
    // Qt's styles also come as -style=NAME and -stylesheet=FILE.
    for (const char* joined : {"style=", "stylesheet="}) {
        if (name.startsWith(QLatin1String(joined)))
            return 0;
    }
    for (const QtOption& option : kQtOptions) {
        if (name == QLatin1String(option.name))
            return option.values;
    }
    return -1;
}

CommandLine ParseCommandLine(const QStringList& arguments, const QString& cameraVariable) {
    CommandLine line;
    const auto fail = [&line](const QString& why) {
        line.action = CommandLine::Action::Error;
        line.error = why;
        return line;
    };

    // Qt's own options stay out of our parser; Qt reads them from the same arguments.
    QStringList ours;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        if (i == 0) {
            ours.append(arguments[i]);
            continue;
        }
        if (arguments[i] == QStringLiteral("--")) {
            ours.append(arguments.mid(i));
            break;
        }
        const QString& argument = arguments[i];
        const int values = QtOptionValueCount(argument);
        if (values < 0) {
            ours.append(argument);
        } else if (values > 0) {
            if (i + 1 >= arguments.size())
                return fail(QStringLiteral("Missing value after '%1'.").arg(argument));
            if (argument.endsWith(QStringLiteral("-platform")))
                line.qtPlatform = arguments[i + 1];
            ++i;
        }
    }
    if (ours.isEmpty())
        ours.append(QStringLiteral("tavelin-video-center"));

    QCommandLineParser parser;
    DefineOptions(parser);
    if (!parser.parse(ours))
        return fail(parser.errorText());
    if (!parser.positionalArguments().isEmpty()) {
        return fail(
            QStringLiteral("Unexpected argument '%1'.").arg(parser.positionalArguments().first()));
    }

    line.verbose = parser.isSet(kVerbose);
    if (parser.isSet(kCamera)) {
        line.camera = parser.value(kCamera);
        if (line.camera.isEmpty())
            return fail(QStringLiteral("The option 'camera' needs a part of a camera's name."));
    } else {
        line.camera = cameraVariable;
    }

    if (parser.isSet(kHelp)) {
        line.action = CommandLine::Action::Help;
    } else if (parser.isSet(kVersion)) {
        line.action = CommandLine::Action::Version;
    } else if (parser.isSet(kListDevices)) {
        line.action = CommandLine::Action::ListDevices;
    }
    return line;
}

QString HelpText(const QString& program) {
    QCommandLineParser parser;
    DefineOptions(parser);
    // The parser's own usage line names the running executable by its full path.
    QString options = parser.helpText();
    options = options.mid(options.indexOf(u'\n') + 1);
    return QStringLiteral("Usage: %1 [options]\n").arg(program) + options +
           QStringLiteral(
               "\n"
               "Environment:\n"
               "  TAVELIN_CAMERA   A name as for --camera; --camera wins when both are\n"
               "                   given.\n"
               "\n"
               "Exit status: 0 on success, %1 when the command line cannot be used.\n")
               .arg(kUsageExitCode);
}

QString VersionText() {
    return QString::fromLatin1(msg::kCaption) + u' ' + QStringLiteral(TAVELIN_VERSION);
}

QString DeviceListText(const DeviceLists& lists) {
    QString text;
    const auto group = [&text](const char* heading, const std::vector<std::string>& names) {
        text += QLatin1String(heading) + QStringLiteral(":\n");
        for (const std::string& name : names)
            text += QStringLiteral("  ") + QString::fromStdString(name) + u'\n';
    };
    group("Video sources", lists.videoSources);
    group("Audio sources", lists.audioSources);
    group("Video compressors", lists.videoCompressors);
    group("Audio compressors", lists.audioCompressors);
    return text;
}

int RunPrintingAction(const CommandLine& line, const QString& program, std::FILE* out,
                      std::FILE* err) {
    const auto print = [](std::FILE* to, const QString& text) {
        std::fputs(text.toLocal8Bit().constData(), to);
        std::fflush(to);
    };
    switch (line.action) {
        case CommandLine::Action::Run:
            break;
        case CommandLine::Action::Help:
            print(out, HelpText(program));
            return 0;
        case CommandLine::Action::Version:
            print(out, VersionText() + u'\n');
            return 0;
        case CommandLine::Action::Error:
            print(err, QStringLiteral("%1: %2\nTry '%1 --help' for more information.\n")
                           .arg(program, line.error));
            return kUsageExitCode;
        case CommandLine::Action::ListDevices: {
            if (!EnsureGstreamer()) {
                print(err, program + QStringLiteral(": GStreamer cannot start; see above.\n"));
                return 1;
            }
            DeviceLists lists;
            CCaptureGraph::ListVideoSources(lists.videoSources);
            CCaptureGraph::ListAudioDevices(lists.audioSources);
            CCaptureGraph::ListVideoCompressors(lists.videoCompressors);
            CCaptureGraph::ListAudioCompressors(lists.audioCompressors);
            print(out, DeviceListText(lists));
            return 0;
        }
    }
    return 0;
}

}  // namespace tavelin
