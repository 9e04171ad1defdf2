#pragma once
// The one palette every picture is drawn from: a graphite body, light steel panels,
// blue for whatever is pressed or active. Keeping it in one place keeps the faces,
// the skin under them and the other pictures in step.

#include <QRgb>

namespace tavelin::art {

// Window body and title bar.
constexpr QRgb kBodyTop = qRgb(0x3A, 0x40, 0x48);
constexpr QRgb kBodyBottom = qRgb(0x22, 0x26, 0x2C);
constexpr QRgb kBodyEdge = qRgb(0x12, 0x14, 0x17);
constexpr QRgb kBodyHighlight = qRgb(0x5A, 0x62, 0x6C);
constexpr QRgb kTitleTop = qRgb(0x4A, 0x51, 0x5A);
constexpr QRgb kTitleBottom = qRgb(0x2C, 0x31, 0x37);
constexpr QRgb kTitleInk = qRgb(0xE8, 0xEC, 0xF0);
constexpr QRgb kBodyInk = qRgb(0x9C, 0xA6, 0xB2);

// Panels. kPanel is the plain colour behind every button; the faces paint their
// rounded-off corners with it so a face sits seamlessly on the panel.
constexpr QRgb kPanel = qRgb(0xDA, 0xDF, 0xE5);
constexpr QRgb kPanelShadow = qRgb(0x9A, 0xA3, 0xAD);
constexpr QRgb kPanelHighlight = qRgb(0xF4, 0xF6, 0xF8);
constexpr QRgb kPanelInk = qRgb(0x27, 0x31, 0x3B);
constexpr QRgb kPanelInkSoft = qRgb(0x5B, 0x67, 0x74);

// Normal (light) button faces.
constexpr QRgb kFaceTop = qRgb(0xFC, 0xFD, 0xFE);
constexpr QRgb kFaceBottom = qRgb(0xCF, 0xD6, 0xDE);
constexpr QRgb kFaceBorder = qRgb(0x7E, 0x89, 0x95);
constexpr QRgb kFaceInk = qRgb(0x1C, 0x26, 0x30);

// Down (blue) button faces.
constexpr QRgb kDownTop = qRgb(0x5A, 0xA4, 0xF0);
constexpr QRgb kDownBottom = qRgb(0x1D, 0x5E, 0xB4);
constexpr QRgb kDownBorder = qRgb(0x13, 0x40, 0x7E);
constexpr QRgb kDownInk = qRgb(0xFF, 0xFF, 0xFF);
constexpr QRgb kDownInkShadow = qRgb(0x10, 0x3A, 0x70);

// Disabled faces.
constexpr QRgb kOffTop = qRgb(0xEC, 0xEE, 0xF1);
constexpr QRgb kOffBottom = qRgb(0xDC, 0xE0, 0xE5);
constexpr QRgb kOffBorder = qRgb(0xB0, 0xB7, 0xBF);
constexpr QRgb kOffInk = qRgb(0xA2, 0xAA, 0xB3);

// Accents.
constexpr QRgb kAccent = qRgb(0x2F, 0x80, 0xDC);
constexpr QRgb kAccentLight = qRgb(0x7C, 0xB8, 0xF6);
constexpr QRgb kLedRed = qRgb(0xE8, 0x33, 0x2B);
constexpr QRgb kLedOrange = qRgb(0xFF, 0x8A, 0x1E);
constexpr QRgb kLedGreen = qRgb(0x3D, 0xC4, 0x5C);
constexpr QRgb kLedYellow = qRgb(0xF5, 0xC2, 0x2B);
constexpr QRgb kLedGrey = qRgb(0x9A, 0xA0, 0xA8);

// Small dark display of the audio strip.
constexpr QRgb kDisplayBack = qRgb(0x17, 0x1C, 0x22);
constexpr QRgb kDisplayInk = qRgb(0x9F, 0xAB, 0xB8);
constexpr QRgb kDisplayOn = qRgb(0x6F, 0xD8, 0x8A);

// Transparent keys the program cuts away.
constexpr QRgb kSkinKey = qRgb(0, 255, 0);
constexpr QRgb kBadgeKey = qRgb(255, 0, 255);

}  // namespace tavelin::art
