#include "resources/Pictures.h"

#include "resources/Resources.h"

namespace tavelin {

QString PicturePath(int id) {
    static const bool registered = [] {
        InitResources();
        return true;
    }();
    (void)registered;
    return ArtPath(id);
}

QImage LoadPicture(int id) {
    QImage image(PicturePath(id));
    if (image.isNull())
        return image;
    return image.convertToFormat(QImage::Format_RGB32);
}

OverlayPicture LoadOverlayPicture(int id) {
    OverlayPicture picture;
    const QImage image = LoadPicture(id);
    if (image.isNull())
        return picture;
    picture.width = image.width();
    picture.height = image.height();
    picture.pixels.resize(static_cast<std::size_t>(picture.width) * picture.height * 3);
    std::uint8_t* out = picture.pixels.data();
    for (int row = image.height() - 1; row >= 0; --row) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(row));
        for (int x = 0; x < image.width(); ++x) {
            *out++ = static_cast<std::uint8_t>(qBlue(line[x]));
            *out++ = static_cast<std::uint8_t>(qGreen(line[x]));
            *out++ = static_cast<std::uint8_t>(qRed(line[x]));
        }
    }
    return picture;
}

}  // namespace tavelin
