#pragma once
// What the user is told when a recording fails because of its file: the cause in
// words, to follow "Failed to capture AVI file.Stopping capture!".

#include <string>

namespace tavelin {

inline constexpr const char* kNoSpaceForRecording = "Not enough space to write the AVI file.";

// For a failure of the program's own file calls (creating, naming), by errno.
std::string FileFailureText(int error);

// For a failure the file writer reported while recording: its own details end with
// the system's error text ("... file descriptor 7: Input/output error").
std::string WriterFailureText(bool noSpaceLeft, const std::string& writerDetails);

}  // namespace tavelin
