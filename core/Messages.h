#pragma once
// The texts of the program's messages that more than one place shows.

#include <string>

namespace tavelin::msg {

inline constexpr const char* kCaption = "Tavelin Video Center";
inline constexpr const char* kNoCamera = "Not found valid video capture device!";
inline constexpr const char* kDeviceLost = "Video capture device lost.Stopping capture!";
#define TAVELIN_RECORD_FAILED "Failed to capture AVI file.Stopping capture!\r\n\r\n"
inline constexpr const char* kRecordFailedSize800 =
    TAVELIN_RECORD_FAILED "The selected compressor may not be compatible with size: 800x600.\r\n";
inline constexpr const char* kRecordFailedContent =
    TAVELIN_RECORD_FAILED "The selected compressor may not be compatible with this content.\r\n";
inline constexpr const char* kNoRecordingNumberLeft = TAVELIN_RECORD_FAILED
    "No recording number is left: the file counter is at its largest value.\r\n"
    "Set a lower counter or another folder in the video settings.\r\n";
inline constexpr const char* kRecordDeviceLost =
    "ERROR during capture AVI file (Device Lost).Stopping capture!\r\n";
// The camera went quiet during a recording; the file holds what came until then.
inline constexpr const char* kRecordCameraStopped =
    "The camera stopped sending pictures.Stopping capture!\r\n\r\n"
    "The recording up to that moment is kept.\r\n";
inline constexpr const char* kTimerShotDone = "Finish to timer shot.Save Image To :\n";
inline constexpr const char* kTrackingInitFailed = "Failed to Moveing Object Tracking!\r\n";
inline constexpr const char* kNoAudioDevice = "Not found valid Audio device. Disable Alarm!";
inline constexpr const char* kNoCameraSettings = "This camera has no settings to change.";
inline constexpr const char* kRunRecorder = "Run recorder";
inline constexpr const char* kStopRecorder = "Stop recorder";
// The recording failure message, chosen by the shown width.
inline std::string RecordFailed(int frameWidth) {
    return frameWidth == 800 ? kRecordFailedSize800 : kRecordFailedContent;
}
// A recording that failed because of its file: the cause instead of the compressor.
inline std::string RecordFileFailed(const std::string& cause) {
    return TAVELIN_RECORD_FAILED + cause + "\r\n";
}
#undef TAVELIN_RECORD_FAILED

}  // namespace tavelin::msg
