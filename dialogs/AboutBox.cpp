#include "dialogs/AboutBox.h"

#include <QLabel>
#include <QMouseEvent>
#include <QPixmap>

#include "core/ScrambledText.h"
#include "resources/Pictures.h"
#include "resources/ResourceIds.h"
#include "ui_AboutBox.h"
#include "widgets/HoverButton.h"

namespace tavelin {

CAboutBox::CAboutBox(QWidget* parent) : QDialog(parent), ui_(std::make_unique<Ui::CAboutBox>()) {
    ui_->setupUi(this);
    setFixedSize(size());
    const QImage icon = LoadPicture(ids::kIconApp);
    if (!icon.isNull()) {
        // The icon is drawn large for the desktop; the box shows it at its own size.
        ui_->iconLabel->setPixmap(QPixmap::fromImage(
            icon.scaled(ui_->iconLabel->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation)));
        setWindowIcon(QPixmap::fromImage(icon));
    }
    ui_->runTimeText->setText(RunTimeText());

    // The picture sits above every control while it is shown, and lets the mouse
    // through so the box keeps receiving the right button's release.
    picture_ = new QLabel(this);
    picture_->setGeometry(0, 0, kPictureWidth, kPictureHeight);
    picture_->setPixmap(QPixmap::fromImage(LoadPicture(ids::kBitmapAboutHidden)));
    picture_->setAttribute(Qt::WA_TransparentForMouseEvents);
    picture_->hide();
}

CAboutBox::~CAboutBox() = default;

QString CAboutBox::RunTimeText() {
    return QString::fromLatin1(Unscramble(kStoredText, 2));
}

QString CAboutBox::runTimeLabelText() const {
    return ui_->runTimeText->text();
}

CHoverButton* CAboutBox::okButton() const {
    return ui_->okButton;
}

void CAboutBox::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::RightButton)
        Apply(counter_.OnRightPress());
    QDialog::mousePressEvent(event);
}

void CAboutBox::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        // The box sees a release dragged outside it only because Qt grabs the mouse on
        // the press; such a release is not a click in the box.
        if (rect().contains(event->position().toPoint()))
            counter_.OnLeftRelease();
    } else if (event->button() == Qt::RightButton) {
        Apply(counter_.OnRightRelease());
    }
    QDialog::mouseReleaseEvent(event);
}

void CAboutBox::Apply(CAboutClickCounter::Effect effect) {
    switch (effect) {
        case CAboutClickCounter::Effect::ShowPicture:
            picture_->raise();
            picture_->show();
            break;
        case CAboutClickCounter::Effect::ErasePicture:
            picture_->hide();
            update();
            break;
        case CAboutClickCounter::Effect::None:
            break;
    }
}

}  // namespace tavelin
