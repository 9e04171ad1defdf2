#pragma once
// Acting on dialogs as a user would: finding their controls by name, clicking,
// typing, and answering a dialog that a command runs modally.

#include <gtest/gtest.h>
#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>

namespace tavelin::testing {

// Runs `act` on the next modal dialog of type Dlg, from inside its event loop. Call it
// before the click that opens the dialog; `act` must close it.
template <class Dlg>
void WhenOpened(std::function<void(Dlg&)> act) {
    auto* timer = new QTimer;
    timer->setInterval(0);
    auto polls = std::make_shared<int>(0);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, act, polls] {
        Dlg* dialog = qobject_cast<Dlg*>(QApplication::activeModalWidget());
        // Give up after a while, so a dialog that never opens cannot act on a later test.
        if (dialog == nullptr && ++*polls < 1000)
            return;
        timer->stop();
        timer->deleteLater();
        if (dialog != nullptr)
            act(*dialog);
    });
    timer->start();
}

template <class T>
T* Child(const QWidget& parent, const char* name) {
    return parent.findChild<T*>(QString::fromLatin1(name));
}

// A real mouse click; radio buttons and check boxes are hit on their indicator.
inline void Click(const QWidget& parent, const char* name) {
    QAbstractButton* button = Child<QAbstractButton>(parent, name);
    if (button == nullptr) {
        ADD_FAILURE() << "no button " << name;
        return;
    }
    const bool indicator = qobject_cast<QRadioButton*>(button) != nullptr ||
                           qobject_cast<QCheckBox*>(button) != nullptr;
    QTest::mouseClick(button, Qt::LeftButton, {},
                      indicator ? QPoint(8, button->height() / 2) : button->rect().center());
}

// Replaces the field's text by typing, as the user would.
inline void Type(QLineEdit* edit, const QString& text) {
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Backspace);
    QTest::keyClicks(edit, text);
}

}  // namespace tavelin::testing
