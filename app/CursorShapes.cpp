#include "app/CursorShapes.h"

#include <QCursor>
#include <QGuiApplication>
#include <QTimer>

namespace tavelin {

namespace {

constexpr int kStartingCursorMs = 400;

}  // namespace

void CCursorShapes::Restore() {
    if (overridden_) {
        QGuiApplication::restoreOverrideCursor();
        overridden_ = false;
    }
}

void CCursorShapes::Show(CursorShape shape) {
    Restore();
    if (shape == CursorShape::Normal)
        return;
    QGuiApplication::setOverrideCursor(shape == CursorShape::Wait ? Qt::WaitCursor
                                                                  : Qt::BusyCursor);
    overridden_ = true;
    if (shape == CursorShape::Starting) {
        QTimer::singleShot(kStartingCursorMs, this, [this] {
            if (overridden_ && QGuiApplication::overrideCursor() != nullptr &&
                QGuiApplication::overrideCursor()->shape() == Qt::BusyCursor) {
                Restore();
            }
        });
    }
}

}  // namespace tavelin
