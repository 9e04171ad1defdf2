#pragma once
// The skin layout (SkinLayout.h) in the generator's Qt terms.

#include <QPoint>
#include <QRect>
#include <array>

#include "resources/SkinLayout.h"

namespace tavelin::art {

constexpr QPoint ToQt(layout::Point p) {
    return {p.x, p.y};
}
constexpr QRect ToQt(layout::Rect r) {
    return {r.x, r.y, r.width, r.height};
}
template <std::size_t N>
constexpr std::array<QPoint, N> ToQt(const std::array<layout::Point, N>& points) {
    std::array<QPoint, N> out{};
    for (std::size_t i = 0; i < N; ++i)
        out[i] = ToQt(points[i]);
    return out;
}

constexpr int kSkinWidth = layout::kSkinWidth;
constexpr int kSkinHeight = layout::kSkinHeight;
constexpr int kTitleHeight = layout::kTitleHeight;
constexpr double kSkinCornerRadius = layout::kSkinCornerRadius;

constexpr QPoint kCloseKnob = ToQt(layout::kCloseKnob);
constexpr QPoint kMinimiseKnob = ToQt(layout::kMinimiseKnob);
constexpr QPoint kThirdKnob = ToQt(layout::kThirdKnob);

constexpr int kListX = layout::kListX;
constexpr int kListWidth = layout::kListWidth;
constexpr int kVideoListWidth = layout::kVideoListWidth;
constexpr int kRowHeight = layout::kRowHeight;
constexpr int kSideButtonX = layout::kSideButtonX;
constexpr std::array<int, 4> kSettingRows = layout::kSettingRows;

constexpr std::array<QPoint, 6> kSizeButtons = ToQt(layout::kSizeButtons);
constexpr std::array<QPoint, 8> kCommandButtons = ToQt(layout::kCommandButtons);
constexpr QPoint kStrip = ToQt(layout::kStrip);

constexpr QRect kSettingsPanel = ToQt(layout::kSettingsPanel);
constexpr QRect kSizePanel = ToQt(layout::kSizePanel);
constexpr QRect kCommandPanel = ToQt(layout::kCommandPanel);

}  // namespace tavelin::art
