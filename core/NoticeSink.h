#pragma once
// Where the program's messages to the user go. The main window shows them as modal
// message boxes captioned "Tavelin Video Center"; tests collect them.

#include <string>

namespace tavelin {

enum class NoticeStyle {
    Plain,    // an OK box
    Warning,  // exclamation icon, application-modal
};

class INoticeSink {
public:
    virtual ~INoticeSink() = default;
    // Returns when the user has closed the message.
    virtual void ShowNotice(const std::string& text, NoticeStyle style) = 0;
};

}  // namespace tavelin
