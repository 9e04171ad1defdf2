#include "resources/artgen/MaskArt.h"

#include "resources/artgen/PaintKit.h"
#include "resources/artgen/Shapes.h"

namespace tavelin::art {

QImage SolidMask(int width, int height) {
    return NewOpaque(width, height, qRgb(0, 0, 0));
}

QImage KnobMask() {
    return MaskFromPath(kKnobSize, kKnobSize, KnobOutline());
}

QImage LightMask() {
    return MaskFromPath(kLightWidth, kLightHeight, LightOutline());
}

QImage EyeMask() {
    return MaskFromPath(kEyeSize, kEyeSize, EyeOutline());
}

}  // namespace tavelin::art
