#include "alerts/NotificationText.h"

#include <QFileInfo>

namespace tavelin {
namespace {

// Longest message (a failure's, the storage's) put into a notification, in characters.
constexpr int kMaxMessage = 300;

QString FileName(const std::string& path) {
    return QFileInfo(QString::fromStdString(path)).fileName();
}

// A message made for a message box, as one line: its line breaks become spaces.
QString OneLine(const std::string& message) {
    // simplified() turns every run of white space, \r\n included, into one space.
    QString line = QString::fromStdString(message).simplified();
    if (line.size() > kMaxMessage)
        line = line.left(kMaxMessage - 1) + QChar(0x2026);
    return line;
}

}  // namespace

std::optional<NotificationText> NotificationFor(const SessionEvent& event, const QTime& at) {
    const QString time = at.toString(QStringLiteral("hh:mm:ss"));
    switch (event.kind) {
        case SessionEventKind::RecordingStarted: {
            if (!event.onMotion)
                return std::nullopt;
            const QString file = FileName(event.path);
            return NotificationText{QStringLiteral("Motion"),
                                    file.isEmpty() ? time + QStringLiteral(", recording")
                                                   : time + QStringLiteral(", recording ") + file,
                                    false};
        }
        case SessionEventKind::CameraLost:
            return NotificationText{
                QStringLiteral("Camera lost"),
                time + QStringLiteral(", the camera stopped; trying to get it back."), true};
        case SessionEventKind::CameraBack:
            return NotificationText{QStringLiteral("Camera back"),
                                    time + QStringLiteral(", the camera works again."), false};
        case SessionEventKind::RecordingFailed: {
            const QString file = FileName(event.path);
            return NotificationText{QStringLiteral("Recording failed"),
                                    time + QStringLiteral(", ") +
                                        (file.isEmpty() ? QString() : file + QStringLiteral(": ")) +
                                        OneLine(event.message),
                                    true};
        }
        case SessionEventKind::StorageFull:
            return NotificationText{QStringLiteral("Storage full"),
                                    time + QStringLiteral(", ") + OneLine(event.message), true};
        case SessionEventKind::MotionStarted:
        case SessionEventKind::MotionEnded:
        case SessionEventKind::RecordingFinished:
        case SessionEventKind::StillSaved:
        case SessionEventKind::SnapshotSaved:
        case SessionEventKind::FileRemoved:
        case SessionEventKind::StorageBack:
            break;
    }
    return std::nullopt;
}

}  // namespace tavelin
