#pragma once
// The application icon (a camera lens on a graphite tile) and the button cursor.

#include <QImage>

namespace tavelin::art {

// The icon at `size` x `size` pixels. Small sizes drop the fine rings and keep
// their edges on whole pixels so the icon stays crisp in a tray.
QImage DrawAppIcon(int size);

// 32 x 32 pointing hand with alpha. Its hotspot, the tip of the index finger, is
// kCursorButtonHotX/Y in ResourceIds.h.
QImage DrawButtonCursor();

}  // namespace tavelin::art
