#pragma once
// A main window for the recording settings dialogs.

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

#include "dialogs/RecordSettingsHost.h"
#include "tests/support/DialogDriver.h"
#include "tests/support/FakeFileChooser.h"

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
