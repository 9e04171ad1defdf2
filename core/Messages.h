#pragma once
// The texts of the program's messages that more than one place shows.

#include <string>

namespace tavelin::msg {

inline constexpr const char* kCaption = "Tavelin Video Center";
inline constexpr const char* kNoCamera = "Not found valid video capture device!";
inline constexpr const char* kDeviceLost = "Video capture device lost.Stopping capture!";
inline constexpr const char* kRecordFailedSize800 =
    "Failed to capture AVI file.Stopping capture!\r\n\r\n"
    "The selected compressor may not be compatible with size: 800x600.\r\n";
inline constexpr const char* kRecordFailedContent =
    "Failed to capture AVI file.Stopping capture!\r\n\r\n"
    "The selected compressor may not be compatible with this content.\r\n";
inline constexpr const char* kRecordDeviceLost =
    "ERROR during capture AVI file (Device Lost).Stopping capture!\r\n";
inline constexpr const char* kTimerShotDone = "Finish to timer shot.Save Image To :\n";
inline constexpr const char* kTrackingInitFailed = "Failed to Moveing Object Tracking!\r\n";
inline constexpr const char* kNoAudioDevice = "Not found valid Audio device. Disable Alarm!";
inline constexpr const char* kRunRecorder = "Run recorder";
inline constexpr const char* kStopRecorder = "Stop recorder";
// The recording failure message, chosen by the shown width.
inline std::string RecordFailed(int frameWidth) {
    return frameWidth == 800 ? kRecordFailedSize800 : kRecordFailedContent;
}

}  // namespace tavelin::msg
