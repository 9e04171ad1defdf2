#include "widgets/SkinButton.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionFocusRect>

#include "resources/Pictures.h"
#include "widgets/SkinRegion.h"

namespace tavelin {

namespace {

QImage LoadIf(int id) {
    return id != 0 ? LoadPicture(id) : QImage();
}

constexpr std::uint32_t kMaskKeyWhite = 0xFFFFFF;

}  // namespace

CSkinButton::CSkinButton(QWidget* parent, Kind kind) : QAbstractButton(parent), kind_(kind) {
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::StrongFocus);
}

void CSkinButton::SetSkin(int normal, int down, int over, int disabled, int focus, int mask,
                          short drawMode, short border, short margin) {
    normal_ = LoadIf(normal);
    down_ = LoadIf(down);
    over_ = LoadIf(over);
    focus_ = LoadIf(focus);
    disabled_ = disabled != 0 ? LoadPicture(disabled) : LoadIf(normal);
    mask_ = QImage();

    drawMode_ = drawMode > 1 ? static_cast<short>(Tile)
                             : (drawMode < 0 ? static_cast<short>(Natural) : drawMode);
    border_ = border;
    margin_ = margin < 0 ? 0 : margin;

    if (mask != 0) {
        mask_ = LoadPicture(mask);
        if (!mask_.isNull()) {
            if (drawMode_ == Natural)
                resize(mask_.size());
            setMask(MaskRegion(mask_, kMaskKeyWhite));
        }
    }
    update();
}

void CSkinButton::SetToolTipText(const QString& text) {
    setToolTip(text);
}

void CSkinButton::SetCheck(bool check) {
    checked_ = kind_ != Push && check;
    if (kind_ == Radio && checked_ && group_ != nullptr) {
        // Posted, so a mate clears itself after this button has finished its own handling.
        for (CSkinButton* mate : *group_) {
            if (mate != this)
                QMetaObject::invokeMethod(mate, "ClearCheck", Qt::QueuedConnection);
        }
    }
    update();
}

void CSkinButton::ClearCheck() {
    if (checked_) {
        checked_ = false;
        update();
    }
}

void CSkinButton::ToggleByUser() {
    if (kind_ == CheckBox) {
        SetCheck(!checked_);
    } else if (kind_ == Radio) {
        SetCheck(true);
    }
}

void CSkinButton::mousePressEvent(QMouseEvent* event) {
    hover_ = false;
    QAbstractButton::mousePressEvent(event);
}

void CSkinButton::mouseReleaseEvent(QMouseEvent* event) {
    // The check changes before the click is reported, so the click handler sees the
    // new state; a release outside the button changes nothing.
    if (event->button() == Qt::LeftButton && isDown() && hitButton(event->position().toPoint())) {
        ToggleByUser();
    }
    QAbstractButton::mouseReleaseEvent(event);
}

void CSkinButton::keyPressEvent(QKeyEvent* event) {
    // Every key-down of the space bar (repeats included) toggles; the click follows on key-up.
    if (event->key() == Qt::Key_Space)
        ToggleByUser();
    QAbstractButton::keyPressEvent(event);
}

void CSkinButton::enterEvent(QEnterEvent* event) {
    if (!isDown()) {
        hover_ = true;
        update();
    }
    QAbstractButton::enterEvent(event);
}

void CSkinButton::leaveEvent(QEvent* event) {
    hover_ = false;
    update();
    QAbstractButton::leaveEvent(event);
}

void CSkinButton::DrawPicture(QPainter& painter, const QImage& picture) const {
    const QRect r = rect();
    if (picture.isNull()) {
        painter.fillRect(r, palette().button());
    } else if (drawMode_ == Tile) {
        painter.drawTiledPixmap(r, QPixmap::fromImage(picture));
    } else if (drawMode_ == Stretch) {
        painter.drawImage(r, picture);
    } else {
        painter.drawImage(QPoint(0, 0), picture);
    }
}

void CSkinButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QRect textRect = rect().adjusted(margin_ + 2, 0, -(margin_ + 2), 0);
    const QString caption = text();

    if (!isEnabled()) {
        DrawPicture(painter, disabled_);
        if (!caption.isEmpty()) {
            painter.setPen(palette().color(QPalette::Light));
            painter.drawText(textRect, Qt::AlignCenter, caption);
            painter.setPen(palette().color(QPalette::Disabled, QPalette::ButtonText));
            painter.drawText(textRect.translated(-1, -1), Qt::AlignCenter, caption);
        }
        return;
    }

    if (isDown() || checked_) {
        DrawPicture(painter, down_);
        textRect.translate(1, 1);
    } else if (normal_.isNull()) {
        DrawPicture(painter, QImage());
    } else if (hover_ && !over_.isNull()) {
        DrawPicture(painter, over_);
    } else if (hasFocus() && !focus_.isNull()) {
        DrawPicture(painter, focus_);
    } else {
        DrawPicture(painter, normal_);
    }
    if (border_ != 0) {
        painter.setPen(palette().color(isDown() || checked_ ? QPalette::Dark : QPalette::Light));
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
    }
    if (hasFocus() && margin_ > 0) {
        QStyleOptionFocusRect option;
        option.initFrom(this);
        option.rect = rect().adjusted(margin_, margin_, -margin_, -margin_);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
    }
    if (!caption.isEmpty()) {
        painter.setPen(palette().color(QPalette::ButtonText));
        painter.drawText(textRect, Qt::AlignCenter, caption);
    }
}

}  // namespace tavelin
