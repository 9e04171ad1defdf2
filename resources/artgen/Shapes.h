#pragma once
// Outlines shared by a face and its mask, so the two always agree pixel for pixel.

#include <QPainterPath>
#include <QPointF>

namespace tavelin::art {

// Title-bar knob (close, minimise), 14 x 14.
constexpr int kKnobSize = 14;
QPointF KnobCentre();
QPainterPath KnobOutline();

// Recording light, 18 x 21, over the left end of the Recorder face.
constexpr int kLightWidth = 18;
constexpr int kLightHeight = 21;
QPointF LightCentre();
QPainterPath LightOutline();  // bezel included
constexpr double kLightLensRadius = 5.0;

// Monitor eye, 21 x 21, over the left end of the Monitor face.
constexpr int kEyeSize = 21;
QPainterPath EyeOutline();  // the dark lid line included
QPainterPath EyeOpening();  // the white of the eye inside the lids
QPointF EyeCentre();

// Labelled faces and the audio strip.
constexpr int kFaceWidth = 74;
constexpr int kFaceHeight = 21;
constexpr int kStripWidth = 164;
constexpr int kStripHeight = 15;

}  // namespace tavelin::art
