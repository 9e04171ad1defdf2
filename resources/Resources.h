#pragma once
// The program's pictures, compiled in from the art generator's output.
//
// tavelin_resources is a static library, and a linker drops an archive member that
// nothing refers to, taking the resource registration with it. InitResources()
// refers to it explicitly: call it once at start-up (QApplication constructed or
// not) before the first ":/art/..." path is read. Calling it again does no harm.

#include <QIcon>
#include <QString>

namespace tavelin {

void InitResources();

// ":/art/<id>.png", the picture with resource id `id` (see ResourceIds.h).
QString ArtPath(int id);

// The application icon with every drawn size (16 ... 256), so the tray and the
// title bars get a crisp picture instead of a scaled one.
QIcon AppIcon();

}  // namespace tavelin
