#pragma once
// Outline masks for the bitmap buttons: pure black where the button is, pure white
// where the window behind shows through. No grey: the outline is cut at one colour.

#include <QImage>

namespace tavelin::art {

QImage SolidMask(int width, int height);  // the whole rectangle is the button
QImage KnobMask();                        // 14 x 14 disc
QImage LightMask();                       // 18 x 21 recording light
QImage EyeMask();                         // 21 x 21 monitor eye

}  // namespace tavelin::art
