#pragma once
// A main window for the recording settings dialogs, and a way to act on a dialog that
// a command runs modally.

#include <gtest/gtest.h>
#include <QAbstractButton>
#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "FakeFileChooser.h"
#include "RecordSettingsHost.h"

namespace tavelin::testing {

class FakeRecordSettingsHost : public IRecordSettingsHost, public INoticeSink {
public:
    struct Notice {
        std::string text;
        NoticeStyle style;
        bool paused;  // the pause request was set while it was shown
    };

    void SetPauseRequest(bool on) override {
        pauseCalls.push_back(on);
        paused = on;
    }
    void ToggleAudio() override { ++audioToggles; }
    std::string CounterFile() const override { return counterFile; }
    INoticeSink& Notices() override { return *this; }
    IFileChooser& Files() override { return files; }
    void ShowNotice(const std::string& text, NoticeStyle style) override {
        notices.push_back({text, style, paused});
    }

    std::string counterFile;
    FakeFileChooser files;
    std::vector<bool> pauseCalls;
    bool paused = false;
    int audioToggles = 0;
    std::vector<Notice> notices;
};

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

// A real mouse click; radio buttons are hit on their indicator.
inline void Click(const QWidget& parent, const char* name) {
    QAbstractButton* button = Child<QAbstractButton>(parent, name);
    if (button == nullptr) {
        ADD_FAILURE() << "no button " << name;
        return;
    }
    const bool radio = qobject_cast<QRadioButton*>(button) != nullptr;
    QTest::mouseClick(button, Qt::LeftButton, {},
                      radio ? QPoint(8, button->height() / 2) : button->rect().center());
}

// Replaces the field's text by typing, as the user would.
inline void Type(QLineEdit* edit, const QString& text) {
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Backspace);
    QTest::keyClicks(edit, text);
}

inline QString ReadText(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromLatin1(file.readAll()) : QString();
}

inline void WriteText(const QString& path, const QByteArray& text) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(text);
}

}  // namespace tavelin::testing
