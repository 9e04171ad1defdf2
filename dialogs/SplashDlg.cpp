#include "dialogs/SplashDlg.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QScreen>
#include <QTimerEvent>

#include "resources/Pictures.h"
#include "resources/ResourceIds.h"

namespace tavelin {

CSplashDlg::CSplashDlg(QWidget* parent, int periodMs)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint),
      picture_(LoadPicture(ids::kBitmapSplash)),
      periodMs_(periodMs) {
    setModal(true);
    setFixedSize(kWidth, kHeight);
    // A disabled window gets no mouse or key events at all.
    setEnabled(false);
}

CSplashDlg::~CSplashDlg() {
    if (cursorOverridden_)
        QGuiApplication::restoreOverrideCursor();
}

void CSplashDlg::SetCursorShape(Qt::CursorShape shape) {
    if (cursorOverridden_) {
        QGuiApplication::changeOverrideCursor(shape);
    } else {
        QGuiApplication::setOverrideCursor(shape);
        cursorOverridden_ = true;
    }
}

void CSplashDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    finished_ = false;
    SetCursorShape(Qt::WaitCursor);
    // Centred on the screen: the owner is still being built and not shown yet.
    const QScreen* where = parentWidget() ? parentWidget()->screen() : screen();
    if (where)
        move(where->availableGeometry().center() - QPoint(kWidth / 2, kHeight / 2));
    timer2_.start(periodMs_, this);
}

void CSplashDlg::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().window());
    if (!picture_.isNull())
        painter.drawImage(0, 0, picture_);
}

void CSplashDlg::timerEvent(QTimerEvent*) {
    // Whichever timer fires, the wait is over.
    timer2_.stop();
    finished_ = true;
    SetCursorShape(Qt::BusyCursor);
    reject();
}

void CSplashDlg::closeEvent(QCloseEvent* event) {
    // Only the timer ends the wait; the window manager's close button does not.
    if (!finished_) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void CSplashDlg::keyPressEvent(QKeyEvent* event) {
    // Escape would reject the dialog; nothing typed here counts.
    event->accept();
}

}  // namespace tavelin
