#include "app/MessageBoxNotices.h"

#include <QMessageBox>
#include <QTimer>
#include <algorithm>

#include "core/Log.h"
#include "core/Messages.h"

namespace tavelin {

void CMessageBoxNotices::ShowNotice(const std::string& text, NoticeStyle style) {
    // What the user is told is in the log too, where it outlives the message box.
    std::string logged = "message: ";
    for (const char c : text) {
        if (c != '\r')
            logged += c == '\n' ? ' ' : c;
    }
    Log(LogArea::Ui, style == NoticeStyle::Warning ? LogLevel::Warning : LogLevel::Info, logged);
    if (!deferred_) {
        Show(text, style);
        return;
    }
    // The same message again while it waits or is up stays in the log: a session left
    // alone finds one box, not a pile.
    if (text == shown_ || std::any_of(queue_.begin(), queue_.end(), [&text](const auto& queued) {
            return queued.first == text;
        })) {
        return;
    }
    queue_.emplace_back(text, style);
    if (!scheduled_ && !showing_ && owner_ != nullptr) {
        scheduled_ = true;
        QTimer::singleShot(0, owner_, [this] { ShowQueued(); });
    }
}

void CMessageBoxNotices::ShowQueued() {
    scheduled_ = false;
    if (showing_)
        return;  // the box that is up shows the rest when it closes
    showing_ = true;
    while (!queue_.empty() && owner_ != nullptr) {
        const auto [text, style] = std::move(queue_.front());
        queue_.pop_front();
        shown_ = text;
        Show(text, style);
        shown_.clear();
    }
    showing_ = false;
}

void CMessageBoxNotices::Show(const std::string& text, NoticeStyle style) {
    QString shown = QString::fromStdString(text);
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QMessageBox box(style == NoticeStyle::Warning ? QMessageBox::Warning : QMessageBox::NoIcon,
                    QString::fromLatin1(msg::kCaption), shown, QMessageBox::Ok, owner_);
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
}

}  // namespace tavelin
