#pragma once
// Where the main window's controls sit over its skin, in skin pixels: one table that
// the window places its controls by and the art generator draws the skin around.
// Plain numbers, so both the program and the generator use it as it is.

#include <array>

#include "resources/ResourceIds.h"

namespace tavelin::layout {

struct Point {
    int x;
    int y;
};
struct Rect {
    int x;
    int y;
    int width;
    int height;
};

constexpr int kSkinWidth = 360;
constexpr int kSkinHeight = 345;
constexpr int kTitleHeight = 24;
constexpr double kSkinCornerRadius = 11.0;

// Settings panel: lists and the path field in one column, their buttons in another.
constexpr int kListX = 132;
constexpr int kListWidth = 134;
constexpr int kVideoListWidth = 210;
constexpr int kRowHeight = 21;
constexpr int kSideButtonX = 271;
constexpr std::array<int, 4> kSettingRows{33, 56, 90, 113};

// The capture size buttons, in the order of the capture size table's buttons 1000 ...
// 1005, and the eight command buttons row by row.
constexpr std::array<Point, 6> kSizeButtons{
    {{17, 163}, {100, 163}, {183, 163}, {266, 163}, {100, 194}, {183, 194}}};
constexpr std::array<Point, 8> kCommandButtons{
    {{16, 247}, {99, 247}, {183, 247}, {265, 247}, {16, 278}, {99, 278}, {183, 278}, {265, 278}}};
constexpr Point kStrip{17, 311};
constexpr Point kCloseKnob{8, 5};
constexpr Point kMinimiseKnob{29, 5};
constexpr Point kThirdKnob{50, 5};

// Panels: a 7-pixel margin of panel colour around the controls they hold.
constexpr Rect kSettingsPanel{8, 26, 344, 115};
constexpr Rect kSizePanel{8, 156, 344, 66};
constexpr Rect kCommandPanel{8, 240, 344, 66};

// Every placed control by its id. The lights sit over the left end of their switches.
struct Place {
    int id;
    Point at;
};
constexpr Place kPlaces[] = {
    {ids::kClose, kCloseKnob},
    {ids::kMinimize, kMinimiseKnob},
    {ids::kSizeDefault, kSizeButtons[0]},
    {ids::kSize320, kSizeButtons[1]},
    {ids::kSize640, kSizeButtons[2]},
    {ids::kSize800, kSizeButtons[3]},
    {ids::kSize1280, kSizeButtons[4]},
    {ids::kSize1600, kSizeButtons[5]},
    {ids::kShowTime, kCommandButtons[0]},
    {ids::kTimerShot, kCommandButtons[1]},
    {ids::kSnapShot, kCommandButtons[2]},
    {ids::kSaveFile, kCommandButtons[3]},
    {ids::kMonitor, kCommandButtons[4]},
    {ids::kMonitorLight, kCommandButtons[4]},
    {ids::kRecorder, kCommandButtons[5]},
    {ids::kRecordLight, kCommandButtons[5]},
    {ids::kProperty, kCommandButtons[6]},
    {ids::kAbout, kCommandButtons[7]},
    {ids::kAudioStrip, kStrip},
    {ids::kAudioSettings, {kSideButtonX, kSettingRows[0]}},
    {ids::kEnableAudio, {kSideButtonX, kSettingRows[1]}},
    {ids::kVideoSettings, {kSideButtonX, kSettingRows[2]}},
    {ids::kAudioDeviceList, {kListX, kSettingRows[0]}},
    {ids::kAudioCompressorList, {kListX, kSettingRows[1]}},
    {ids::kAviPathEdit, {kListX, kSettingRows[2]}},
    {ids::kVideoCompressorList, {kListX, kSettingRows[3]}},
};

// Where a control sits; {-1, -1} for one the table does not place.
constexpr Point PlaceOf(int id) {
    for (const Place& p : kPlaces) {
        if (p.id == id)
            return p.at;
    }
    return {-1, -1};
}

}  // namespace tavelin::layout
