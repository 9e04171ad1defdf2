#pragma once
// The certificate and key files of HTTPS, read whole for the library.

#include <string>

namespace tavelin {

// The file at `path` when it is a regular file of at most 1 MiB; false with `why` (the
// system's words) otherwise.
bool ReadPemFile(const std::string& path, std::string& text, std::string& why);

}  // namespace tavelin
