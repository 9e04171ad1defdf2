#include "RecordSettingsLaunchers.h"

#include <QComboBox>

#include "AppState.h"
#include "AudioSettingsDlg.h"
#include "FileCounter.h"
#include "RecordSettingsDlg.h"
#include "VideoSettingsDlg.h"

namespace tavelin {

void RunAudioSettings(IRecordSettingsHost& host, QWidget* parent) {
    CPauseScope pause(host);
    CAudioSettingsDlg dialog(parent);
    dialog.exec();
}

bool RunVideoSettings(IRecordSettingsHost& host, QWidget* parent, QString& aviPathText,
                      std::int32_t& fileCounter) {
    CPauseScope pause(host);
    App().aviPath = NumberedPathFor(aviPathText.toStdString(), fileCounter);
    CVideoSettingsDlg dialog(parent, host.CounterFile(), host.Notices(), host.Files());
    if (dialog.exec() != QDialog::Accepted)
        return false;
    ReadFileCounter(fileCounter, host.CounterFile());
    aviPathText = QString::fromStdString(App().aviPath);
    return true;
}

void PadWithPlaceholders(QComboBox& list, std::int32_t index) {
    for (int n = PlaceholdersNeeded(list.count(), index); n > 0; --n)
        list.addItem(QString::fromLatin1(kPlaceholderEntry));
}

bool RunRecordSettings(IRecordSettingsHost& host, QWidget* parent, QString& aviPathText,
                       std::int32_t fileCounter, const MainWindowLists& lists,
                       const CodecListSource& source) {
    CPauseScope pause(host);
    App().aviPath = NumberedPathFor(aviPathText.toStdString(), fileCounter);
    const CodecLists codecs = source ? source() : ListRecordCodecs(&host.Notices());
    CRecordSettingsDlg dialog(parent, host, codecs);
    if (dialog.exec() != QDialog::Accepted)
        return false;

    const auto padAndSelect = [](QComboBox* list, std::int32_t index) {
        if (list == nullptr)
            return;
        PadWithPlaceholders(*list, index);
        list->setCurrentIndex(index);
    };
    padAndSelect(lists.videoCompressors, App().videoCompressorIndex);
    padAndSelect(lists.audioCompressors, App().audioCompressorIndex);
    // A recording takes its device from the main window's own selection, which stays.
    if (lists.audioDevices != nullptr)
        PadWithPlaceholders(*lists.audioDevices, App().audioDeviceIndex);
    aviPathText = QString::fromStdString(App().aviPath);
    return true;
}

}  // namespace tavelin
