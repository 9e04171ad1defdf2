#pragma once
// Shows the program's messages as modal message boxes over a window.
//
// Once Defer() was called, a message is shown on the event loop's next turn instead of
// inside the call that reported it: the frame step that found a full disk goes on, and
// the timers keep the picture and the watching going while the box waits for OK. A
// message that comes while a box is up waits for it to close; one that is the same as
// a message waiting or up is only logged.

#include <QPointer>
#include <deque>
#include <string>
#include <utility>

#include "core/NoticeSink.h"

class QWidget;

namespace tavelin {

class CMessageBoxNotices : public INoticeSink {
public:
    explicit CMessageBoxNotices(QWidget* owner) : owner_(owner) {}
    void ShowNotice(const std::string& text, NoticeStyle style) override;
    void Defer() { deferred_ = true; }

private:
    void ShowQueued();
    void Show(const std::string& text, NoticeStyle style);

    QPointer<QWidget> owner_;
    bool deferred_ = false;
    bool scheduled_ = false;
    bool showing_ = false;
    std::deque<std::pair<std::string, NoticeStyle>> queue_;
    std::string shown_;  // the message of the box that is up
};

}  // namespace tavelin
