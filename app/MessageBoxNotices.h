#pragma once
// Shows the program's messages as modal message boxes over a window.

#include "core/NoticeSink.h"

class QWidget;

namespace tavelin {

class CMessageBoxNotices : public INoticeSink {
public:
    explicit CMessageBoxNotices(QWidget* owner) : owner_(owner) {}
    void ShowNotice(const std::string& text, NoticeStyle style) override;

private:
    QWidget* owner_;
};

}  // namespace tavelin
