#include "alerts/NotificationImage.h"

#include <QByteArray>
#include <QDBusArgument>
#include <QImage>

namespace tavelin {

QVariant NotificationImageHint(const FramePicture& picture) {
    if (picture.empty())
        return {};
    const std::size_t rowBytes = static_cast<std::size_t>(picture.width) * 3;
    if (picture.bgr.size() < rowBytes * static_cast<std::size_t>(picture.height))
        return {};
    // A view of the session's bytes; every step below makes its own copy.
    const QImage shown(picture.bgr.data(), picture.width, picture.height,
                       static_cast<qsizetype>(rowBytes), QImage::Format_BGR888);
    QImage image = shown;
    if (image.width() > kNotificationImageMaxSide || image.height() > kNotificationImageMaxSide)
        image = image.scaled(kNotificationImageMaxSide, kNotificationImageMaxSide,
                             Qt::KeepAspectRatio, Qt::SmoothTransformation);
    // The frame's rows run bottom-up; the hint's run top-down.
    image = image.mirrored(false, true).convertToFormat(QImage::Format_RGB888);
    if (image.isNull())
        return {};

    QDBusArgument hint;
    hint.beginStructure();
    hint << image.width() << image.height() << static_cast<int>(image.bytesPerLine()) << false << 8
         << 3 << QByteArray(reinterpret_cast<const char*>(image.constBits()), image.sizeInBytes());
    hint.endStructure();
    return QVariant::fromValue(hint);
}

}  // namespace tavelin
