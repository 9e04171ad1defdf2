#pragma once
// The two pictures the frame step draws into the video: the object badge and the
// countdown's camera. Both are drawn upright; the program flips rows as it loads them.

#include <QImage>

namespace tavelin::art {

// 35 x 36: a red sight ring with four green ticks around an orange figure, on the
// magenta key (255, 0, 255). Edges against the key are hard, and no drawn pixel
// comes near the key's tolerance (B >= 250, G <= 4, R >= 251).
QImage DrawBadge();

// 38 x 26, opaque: a small silver compact camera on a dark plate.
QImage DrawCameraIcon();

}  // namespace tavelin::art
