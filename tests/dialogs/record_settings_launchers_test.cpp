#include "dialogs/RecordSettingsLaunchers.h"

#include <gtest/gtest.h>
#include <QComboBox>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>

#include "dialogs/RecordSettingsDlg.h"
#include "tests/dialogs/RecordSettingsFakes.h"
#include "tests/support/QtApp.h"

namespace tavelin {
namespace {

using testing::Child;
using testing::Click;

QStringList Entries(const QComboBox& list) {
    QStringList entries;
    for (int i = 0; i < list.count(); ++i)
        entries << list.itemText(i);
    return entries;
}

class RecordSettingsLauncherTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { testing::QtApp(); }
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        host_.counterFile = dir_.filePath(QStringLiteral("Pellor.inf")).toStdString();
        testing::WriteText(QString::fromStdString(host_.counterFile), "12");
        // The dialog's lists: longer than the main window's, which were filled earlier.
        codecs_.videoCompressors = {"Cinepak", "Theora", "VP8", "Motion JPEG"};
        codecs_.audioDevices = {"Mic", "Line", "Webcam mic"};
        codecs_.audioCompressors = {"PCM", "MPEG Layer-3", "Vorbis"};
        video_.addItems({"Cinepak", "Theora"});
        audioCompressors_.addItems({"PCM", "MPEG Layer-3", "Vorbis"});
        audioDevices_.addItems({"Mic"});
        audioDevices_.setCurrentIndex(0);
    }

    std::string In(const char* name) const {
        return dir_.filePath(QString::fromLatin1(name)).toStdString();
    }
    bool Run(std::string& aviPathText) {
        return RunRecordSettings(host_, nullptr, aviPathText, 12, choices_,
                                 {&video_, &audioCompressors_, &audioDevices_},
                                 [this] { return codecs_; });
    }

    QTemporaryDir dir_;
    testing::FakeRecordSettingsHost host_;
    CodecLists codecs_;
    RecordingChoices choices_;
    QComboBox video_;
    QComboBox audioCompressors_;
    QComboBox audioDevices_;
};

TEST_F(RecordSettingsLauncherTest, OkPadsTheMainWindowListsSoTheSelectionsExist) {
    std::string aviPathText = In("Tavelin-00011.avi");
    QString shownPath;
    testing::WhenOpened<CRecordSettingsDlg>([&](CRecordSettingsDlg& dlg) {
        EXPECT_TRUE(host_.paused);
        shownPath = Child<QLineEdit>(dlg, "outputPathEdit")->text();
        Child<QComboBox>(dlg, "videoCompressorList")->setCurrentIndex(3);
        Child<QComboBox>(dlg, "audioCompressorList")->setCurrentIndex(2);
        Child<QComboBox>(dlg, "audioDeviceList")->setCurrentIndex(2);
        Click(dlg, "okButton");
    });
    EXPECT_TRUE(Run(aviPathText));
    EXPECT_EQ(host_.pauseCalls, (std::vector<bool>{true, false}));
    EXPECT_EQ(shownPath.toStdString(), In("Tavelin-00012.avi")) << "the next numbered name";
    EXPECT_EQ(aviPathText, In("Tavelin-00012.avi"));
    EXPECT_FALSE(choices_.useTypedNameOnce);
    EXPECT_EQ(choices_.videoCompressorIndex, 3);
    EXPECT_EQ(choices_.audioCompressorIndex, 2);

    EXPECT_EQ(Entries(video_), (QStringList{"Cinepak", "Theora", "PELLOR", "PELLOR"}));
    EXPECT_EQ(video_.currentIndex(), 3);
    EXPECT_EQ(Entries(audioCompressors_), (QStringList{"PCM", "MPEG Layer-3", "Vorbis"}));
    EXPECT_EQ(audioCompressors_.currentIndex(), 2);
    EXPECT_EQ(Entries(audioDevices_), (QStringList{"Mic", "PELLOR", "PELLOR"}));
    EXPECT_EQ(audioDevices_.currentIndex(), 0) << "the device list keeps its own selection";
}

TEST_F(RecordSettingsLauncherTest, CancelLeavesTheMainWindowAlone) {
    std::string aviPathText = In("Tavelin-00011.avi");
    testing::WhenOpened<CRecordSettingsDlg>([](CRecordSettingsDlg& dlg) {
        Child<QComboBox>(dlg, "videoCompressorList")->setCurrentIndex(3);
        dlg.reject();
    });
    EXPECT_FALSE(Run(aviPathText));
    EXPECT_EQ(aviPathText, In("Tavelin-00011.avi"));
    EXPECT_EQ(choices_.videoCompressorIndex, 0) << "the selection is not stored";
    EXPECT_EQ(Entries(video_), (QStringList{"Cinepak", "Theora"}));
    EXPECT_EQ(host_.pauseCalls, (std::vector<bool>{true, false}));
}

TEST(ListRecordCodecsTest, TheMicrophoneGoesToTheDeviceList) {
    const CodecLists lists = ListRecordCodecs(nullptr);
    ASSERT_TRUE(lists.audioDevicesListed);
    const auto& devices = lists.audioDevices;
    EXPECT_NE(std::find(devices.begin(), devices.end(), "Test Tone Microphone"), devices.end());
}

}  // namespace
}  // namespace tavelin
