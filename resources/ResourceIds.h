#pragma once
// Resource and control ids used by number throughout the program. Pictures are
// compiled into the binary as ":/art/<id>.png" (see resources/CMakeLists.txt).

namespace tavelin::ids {

// Pictures
constexpr int kIconApp = 128;
constexpr int kBitmapSplash = 141;
constexpr int kBitmapSkin = 142;
constexpr int kCursorButton = 193;
// Hotspot of cursor 193 (a pointing hand, 32 x 32): the tip of the index finger.
constexpr int kCursorButtonHotX = 9;
constexpr int kCursorButtonHotY = 1;
constexpr int kMenuTray = 194;
constexpr int kBitmapCameraIcon = 198;
constexpr int kBitmapSettingsAudioDown = 203;
constexpr int kBitmapMaskFace = 204;  // 74 x 21, all black
constexpr int kBitmapAudioDisableDown = 205;
constexpr int kBitmapAudioEnable = 206;
constexpr int kBitmapSettingsVideoDown = 207;
constexpr int kBitmapSettings = 208;
constexpr int kBitmapSizeDefaultDown = 209;
constexpr int kBitmapSizeDefault = 210;
constexpr int kBitmapSize320Down = 211;
constexpr int kBitmapSize320 = 212;
constexpr int kBitmapSize640Down = 213;
constexpr int kBitmapSize640 = 214;
constexpr int kBitmapSize800Down = 215;
constexpr int kBitmapSize800 = 216;
constexpr int kBitmapSize1280Down = 217;
constexpr int kBitmapSize1280 = 218;
constexpr int kBitmapSize1600Down = 219;
constexpr int kBitmapSize1600 = 220;
constexpr int kBitmapShowTimeDown = 221;
constexpr int kBitmapShowTime = 222;
constexpr int kBitmapTimerShotDown = 223;
constexpr int kBitmapTimerShot = 224;
constexpr int kBitmapSnapShotDown = 225;
constexpr int kBitmapSnapShot = 226;
constexpr int kBitmapSaveFileDown = 227;
constexpr int kBitmapSaveFile = 228;
constexpr int kBitmapRecorderDown = 229;
constexpr int kBitmapRecorder = 231;
constexpr int kBitmapAboutDown = 232;
constexpr int kBitmapAbout = 233;
constexpr int kBitmapCloseMask = 235;
constexpr int kBitmapClose = 236;
constexpr int kBitmapMinimiseMask = 238;
constexpr int kBitmapMinimise = 239;
constexpr int kBitmapStripMask = 240;  // 164 x 15, all black
constexpr int kBitmapAudioStrip = 242;
constexpr int kBitmapPropertyDown = 244;
constexpr int kBitmapProperty = 245;
constexpr int kBitmapRecordLightOff = 246;
constexpr int kBitmapRecordLightMask = 247;
constexpr int kBitmapRecordLight = 248;
constexpr int kBitmapAudioEnableDisabled = 249;
constexpr int kBitmapMonitorDown = 251;
constexpr int kBitmapMonitor = 252;
constexpr int kBitmapEyeMask = 253;
constexpr int kBitmapEye = 254;
constexpr int kBitmapEyeOff = 255;
constexpr int kBitmapBadge = 257;
// The About box's hidden picture (160 x 120); it has no number of its own.
constexpr int kBitmapAboutHidden = 1000;

// Main window controls
constexpr int kSizeDefault = 1000;
constexpr int kSize320 = 1001;
constexpr int kSize640 = 1002;
constexpr int kSize800 = 1003;
constexpr int kSize1280 = 1004;
constexpr int kSize1600 = 1005;
constexpr int kDisplayInside = 1006;
constexpr int kDisplayOutside = 1007;
constexpr int kShowTime = 1008;
constexpr int kSnapShot = 1009;
constexpr int kProperty = 1011;
constexpr int kTimerShot = 1012;
constexpr int kAbout = 1013;
constexpr int kPicture = 1014;
constexpr int kTimeLabel = 1017;
constexpr int kVideoSettings = 1027;
constexpr int kSaveFile = 1036;
constexpr int kVideoCompressorList = 1038;
constexpr int kRecorderText = 1039;
constexpr int kAviPathEdit = 1040;
constexpr int kAudioDeviceList = 1042;
constexpr int kAudioCompressorList = 1043;
constexpr int kAudioSettings = 1044;
constexpr int kUnused1045 = 1045;
constexpr int kClose = 1046;
constexpr int kMinimize = 1054;
constexpr int kAudioStrip = 1055;
constexpr int kRecorder = 1056;
constexpr int kRecordLight = 1057;
constexpr int kRecordSettings = 1067;
constexpr int kEnableAudio = 1068;
constexpr int kMonitor = 1069;
constexpr int kMonitorLight = 1070;

// Tray menu commands
constexpr int kTrayShow = 32771;
constexpr int kTrayExit = 32772;

}  // namespace tavelin::ids
