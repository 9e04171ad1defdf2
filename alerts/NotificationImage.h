#pragma once
// The picture motion started on, as a notification's "image-data" hint: the structure
// (iiibiiay) of width, height, row stride, alpha (none), bits per sample (8), channels
// (3) and the RGB rows top-down. Large pictures are made smaller first, to keep the
// message small; the desktop shows them as a thumbnail anyway.

#include <QVariant>

#include "core/FramePicture.h"

namespace tavelin {

// Neither side of the image sent is longer than this.
inline constexpr int kNotificationImageMaxSide = 320;

// An invalid QVariant for an empty picture or one whose bytes do not fill its size.
QVariant NotificationImageHint(const FramePicture& picture);

}  // namespace tavelin
