#include "app/MessageBoxNotices.h"

#include <QMessageBox>

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
    QString shown = QString::fromStdString(text);
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QMessageBox box(style == NoticeStyle::Warning ? QMessageBox::Warning : QMessageBox::NoIcon,
                    QString::fromLatin1(msg::kCaption), shown, QMessageBox::Ok, owner_);
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
}

}  // namespace tavelin
