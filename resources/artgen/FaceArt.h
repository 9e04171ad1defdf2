#pragma once
// Button faces: the labelled 74 x 21 faces, the title-bar knobs, the recording
// light, the monitor eye and the audio strip.

#include <QImage>
#include <QPainter>
#include <QPointF>
#include <QString>

namespace tavelin::art {

enum class FaceState { Normal, Down, Disabled };

// What a face shows at its left end, under the light button placed there.
enum class FaceMark { None, GreenLight, RedLight, Eye };

QImage DrawFace(const QString& label, FaceState state, FaceMark mark = FaceMark::None);

// The 18 x 21 recording light, cut from the left end of the face it sits on so that
// everything around the lens matches that face exactly.
QImage DrawRecordLight(const QImage& faceUnder, bool lit);

// The 21 x 21 monitor eye, cut from the left end of the face it sits on; `marks`
// adds the red sight marks of a running monitor.
QImage DrawMonitorEye(const QImage& faceUnder, bool marks);

// 14 x 14 title-bar knobs. `background` is the title bar behind the knob; the skin
// paints the same knob straight onto its title bar with PaintKnob.
enum class KnobSymbol { None, Cross, Bar };
QImage DrawKnob(QRgb colour, KnobSymbol symbol, QRgb background);
void PaintKnob(QPainter& p, QPointF centre, QRgb colour, KnobSymbol symbol);

// The 164 x 15 strip under the command panel: a muted or a sounding speaker.
QImage DrawAudioStrip(bool audioOn);

}  // namespace tavelin::art
