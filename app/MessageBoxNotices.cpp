#include "MessageBoxNotices.h"

#include <QMessageBox>

#include "Messages.h"

namespace tavelin {

void CMessageBoxNotices::ShowNotice(const std::string& text, NoticeStyle style) {
    QString shown = QString::fromStdString(text);
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QMessageBox box(style == NoticeStyle::Warning ? QMessageBox::Warning : QMessageBox::NoIcon,
                    QString::fromLatin1(msg::kCaption), shown, QMessageBox::Ok, owner_);
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
}

}  // namespace tavelin
