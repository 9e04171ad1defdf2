#pragma once
// The program's pictures, compiled into the binary by id.

#include <QImage>
#include <QString>

#include "core/Overlays.h"

namespace tavelin {

QString PicturePath(int id);
// The picture as 32-bit RGB, or a null image when there is no picture of that id.
QImage LoadPicture(int id);
// A picture laid out for drawing straight into frames: BGR bytes, rows packed, the
// picture's bottom row first, because frame rows count upwards.
OverlayPicture LoadOverlayPicture(int id);

}  // namespace tavelin
