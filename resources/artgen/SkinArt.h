#pragma once
// The main window's 360 x 345 skin: title bar with three knobs, the three panels with
// their drawn labels, the muted audio strip, and pure-green corners that the window
// cuts away.

#include <QImage>

namespace tavelin::art {

QImage DrawSkin();

}  // namespace tavelin::art
