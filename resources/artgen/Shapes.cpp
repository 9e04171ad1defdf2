#include "resources/artgen/Shapes.h"

namespace tavelin::art {

QPointF KnobCentre() {
    return {kKnobSize / 2.0, kKnobSize / 2.0};
}

QPainterPath KnobOutline() {
    QPainterPath path;
    path.addEllipse(KnobCentre(), 6.9, 6.9);
    return path;
}

QPointF LightCentre() {
    return {9.0, 10.5};
}

QPainterPath LightOutline() {
    QPainterPath path;
    path.addEllipse(LightCentre(), kLightLensRadius + 1.7, kLightLensRadius + 1.7);
    return path;
}

QPointF EyeCentre() {
    return {10.5, 10.5};
}

namespace {

// An almond between two corners; `bulge` is how far the lids' control points sit
// above and below the middle line.
QPainterPath Almond(double left, double right, double bulge) {
    const QPointF c = EyeCentre();
    QPainterPath path(QPointF(left, c.y()));
    path.quadTo(QPointF(c.x(), c.y() - bulge), QPointF(right, c.y()));
    path.quadTo(QPointF(c.x(), c.y() + bulge), QPointF(left, c.y()));
    path.closeSubpath();
    return path;
}

}  // namespace

QPainterPath EyeOutline() {
    return Almond(0.6, 20.4, 11.6);
}

QPainterPath EyeOpening() {
    return Almond(2.4, 18.6, 9.6);
}

}  // namespace tavelin::art
