#pragma once
// Where a numbered recording goes when its name was taken after the number was chosen
// (another program recording into the same folder got there first): the graph that
// finds the name taken asks, and the recorder, which owns the numbering, answers.

#include <string>

namespace tavelin {

class IRecordingNames {
public:
    virtual ~IRecordingNames() = default;
    // The name to use instead of `taken`, taken as the first one was; empty when no
    // name is left, and the recording then fails as the name was taken.
    virtual std::string NextFreeName(const std::string& taken) = 0;
};

}  // namespace tavelin
