#pragma once
// What the main window asks of a recording: frame size, file, and its choices
// from the compressor and device lists (list positions).

#include <cstdint>
#include <string>

namespace tavelin {

class IRecordingNames;

struct RecordRequest {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::string path;  // the AVI file to write
    // A file already at `path` may be replaced (a name the user typed); numbered
    // recordings never replace one.
    bool replaceExisting = false;
    // A numbered recording moves on to the name this gives when `path` is taken by the
    // time the file gets its name; null: a taken name fails the start.
    IRecordingNames* names = nullptr;
    std::int32_t videoCompressorIndex = 0;
    bool audioEnabled = false;
    bool audioCompression = false;  // false: the audio compressor list could not be filled
    std::int32_t audioCompressorIndex = 0;
    std::int32_t audioDeviceIndex = 0;
    std::int8_t masterStream = 1;  // whose timing rules the file: -1 none, 1 audio, 2 video
};

// Two requests that encode alike: the same encoders and, with sound, the same sound
// device and encoder (the file, the size and the master stream aside). A file may go on
// from an output built for either.
inline bool EncodesAlike(const RecordRequest& a, const RecordRequest& b) {
    return a.videoCompressorIndex == b.videoCompressorIndex && a.audioEnabled == b.audioEnabled &&
           (!a.audioEnabled || (a.audioCompression == b.audioCompression &&
                                a.audioCompressorIndex == b.audioCompressorIndex &&
                                a.audioDeviceIndex == b.audioDeviceIndex));
}

}  // namespace tavelin
