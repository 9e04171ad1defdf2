#pragma once
// Where the main window places its controls over the skin, in skin pixels. The skin
// draws its labels, panels and knobs around these places.

#include <QRect>
#include <array>

namespace tavelin::art {

constexpr int kSkinWidth = 360;
constexpr int kSkinHeight = 345;
constexpr int kTitleHeight = 24;
constexpr double kSkinCornerRadius = 11.0;

constexpr QPoint kCloseKnob{8, 5};
constexpr QPoint kMinimiseKnob{29, 5};
constexpr QPoint kThirdKnob{50, 5};

// Settings panel: lists and the path edit at x = 132, buttons at x = 271.
constexpr int kListX = 132;
constexpr int kListWidth = 134;
constexpr int kVideoListWidth = 210;
constexpr int kRowHeight = 21;
constexpr int kSideButtonX = 271;
constexpr std::array<int, 4> kSettingRows{33, 56, 90, 113};

constexpr std::array<QPoint, 6> kSizeButtons{
    {{17, 163}, {100, 163}, {183, 163}, {266, 163}, {100, 194}, {183, 194}}};
constexpr std::array<QPoint, 8> kCommandButtons{
    {{16, 247}, {99, 247}, {183, 247}, {265, 247}, {16, 278}, {99, 278}, {183, 278}, {265, 278}}};
constexpr QPoint kStrip{17, 311};

// Panels: a 7-pixel margin of panel colour around the controls they hold.
constexpr QRect kSettingsPanel{8, 26, 344, 115};
constexpr QRect kSizePanel{8, 156, 344, 66};
constexpr QRect kCommandPanel{8, 240, 344, 66};

}  // namespace tavelin::art
