#include "core/RecordFailure.h"

#include <cerrno>

#include "core/SiblingFile.h"

namespace tavelin {

namespace {

std::string CannotWrite(const std::string& systemText) {
    return "Cannot write the AVI file: " + systemText + ".";
}

}  // namespace

std::string FileFailureText(int error) {
    if (error == ENOSPC)
        return kNoSpaceForRecording;
    return CannotWrite(SystemErrorText(error));
}

std::string WriterFailureText(bool noSpaceLeft, const std::string& writerDetails) {
    if (noSpaceLeft)
        return kNoSpaceForRecording;
    const std::size_t colon = writerDetails.rfind(": ");
    if (colon == std::string::npos || colon + 2 >= writerDetails.size())
        return "Cannot write the AVI file.";
    return CannotWrite(writerDetails.substr(colon + 2));
}

}  // namespace tavelin
