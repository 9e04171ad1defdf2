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
// Storage: the start of what the user is told when no recording may go on.
inline constexpr const char* kNoSpaceToRecord = "Not enough space to go on recording: ";
inline constexpr const char* kRecordingOnMotionWaits =
    "Recording on motion starts again by itself once there is space.\r\n";
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

namespace tavelin {

// How a recording came to an end it was not asked for.
enum class RecordingEnd {
    Failed,         // the file or the encoding failed; the camera runs on
    CameraStopped,  // the camera went quiet or failed, and is back
    CameraGone,     // the camera went and could not be started again
};

// The one choice of what the user is told about a recording that failed: the file's
// fault when there is one (`fileCause`), else what happened to the camera, else the
// compressor.
inline std::string RecordingFailureMessage(const std::string& fileCause, RecordingEnd end,
                                           int frameWidth) {
    if (!fileCause.empty())
        return msg::RecordFileFailed(fileCause);
    switch (end) {
        case RecordingEnd::CameraStopped:
            return msg::kRecordCameraStopped;
        case RecordingEnd::CameraGone:
            return msg::kRecordDeviceLost;
        case RecordingEnd::Failed:
            break;
    }
    return msg::RecordFailed(frameWidth);
}

}  // namespace tavelin
