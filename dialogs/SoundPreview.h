#pragma once
// Lets a dialog play a sound file for the user to listen to. The main window plays
// it through its sound player; tests record the calls.

#include <string>

namespace tavelin {

class ISoundPreview {
public:
    virtual ~ISoundPreview() = default;
    // Plays the file from its beginning, ending any preview still running. A file that
    // cannot be played stays silent.
    virtual void Start(const std::string& path) = 0;
    // Ends the preview, if one runs.
    virtual void Stop() = 0;
};

}  // namespace tavelin
