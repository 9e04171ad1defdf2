#pragma once
// Which of the video sources the program runs on. Pure string work over the names the
// capture engine lists, so every rule is tested without a camera.

#include <string>
#include <vector>

namespace tavelin {

// What the user asked for, strongest first.
struct CameraWish {
    std::string pattern;     // --camera or TAVELIN_CAMERA: part of the name, any letter case
    std::string storedName;  // the camera chosen in the video settings, by its whole name
};

struct CameraChoice {
    enum class Reason {
        Pattern,    // the first source whose name contains the pattern
        Stored,     // the source chosen in the video settings
        PcCamera,   // the first source whose name contains "PC Camera"
        First,      // no such source: the first one there is
        NoMatch,    // nothing contains the pattern the user gave: no camera
        NoSources,  // there is no video source at all
    };
    int index = -1;  // into the sources; -1 when there is none to use
    Reason reason = Reason::NoSources;
};

// A pattern the user gave decides alone: a camera the user named that is not there is
// not replaced by another. Without one, the stored camera when it is attached, then the
// first "PC Camera", then the first source of all.
CameraChoice ChooseCamera(const std::vector<std::string>& sources, const CameraWish& wish);

}  // namespace tavelin
