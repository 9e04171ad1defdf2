#include "dialogs/RecordSettingsLaunchers.h"

#include <QComboBox>

#include "core/FileCounter.h"
#include "dialogs/AudioSettingsDlg.h"
#include "dialogs/RecordSettingsDlg.h"
#include "dialogs/VideoSettingsDlg.h"

namespace tavelin {

void RunAudioSettings(IRecordSettingsHost& host, QWidget* parent, RecordingChoices& choices) {
    CPauseScope pause(host);
    CAudioSettingsDlg dialog(parent, choices.masterStream);
    dialog.exec();
    choices.masterStream = dialog.masterStream();
}

bool RunVideoSettings(IRecordSettingsHost& host, QWidget* parent, std::string& aviPathText,
                      std::int32_t& fileCounter, RecordingChoices& choices,
                      CameraSelection* cameras, StorageSelection* storage,
                      const std::function<void(QWidget* over)>& openWebShare) {
    CPauseScope pause(host);
    choices.aviPath = NumberedPathFor(aviPathText, fileCounter);
    CVideoSettingsDlg dialog(parent, {choices.aviPath, choices.useTypedNameOnce},
                             host.CounterFile(), host.Notices(), host.Files());
    if (cameras != nullptr)
        dialog.SetCameras(cameras->names, cameras->camera);
    if (storage != nullptr)
        dialog.SetStorage(storage->limits, storage->summary);
    if (openWebShare) {
        dialog.SetWebShareOffered(true);
        QObject::connect(&dialog, &CVideoSettingsDlg::webShareRequested, &dialog,
                         [&openWebShare, &dialog] { openWebShare(&dialog); });
    }
    if (dialog.exec() != QDialog::Accepted)
        return false;
    if (cameras != nullptr)
        cameras->camera = dialog.camera();
    if (storage != nullptr)
        storage->limits = dialog.storageLimits();
    choices.aviPath = dialog.target().aviPath;
    choices.useTypedNameOnce = dialog.target().useTypedNameOnce;
    ReadFileCounter(fileCounter, host.CounterFile());
    aviPathText = choices.aviPath;
    return true;
}

void PadWithPlaceholders(QComboBox& list, std::int32_t index) {
    for (int n = PlaceholdersNeeded(list.count(), index); n > 0; --n)
        list.addItem(QString::fromLatin1(kPlaceholderEntry));
}

bool RunRecordSettings(IRecordSettingsHost& host, QWidget* parent, std::string& aviPathText,
                       std::int32_t fileCounter, RecordingChoices& choices,
                       const MainWindowLists& lists, const CodecListSource& source) {
    CPauseScope pause(host);
    choices.aviPath = NumberedPathFor(aviPathText, fileCounter);
    const CodecLists codecs = source ? source() : ListRecordCodecs(&host.Notices());
    CRecordSettingsDlg dialog(parent, host, codecs, choices);
    const bool accepted = dialog.exec() == QDialog::Accepted;
    choices = dialog.choices();
    if (!accepted)
        return false;

    const auto padAndSelect = [](QComboBox* list, std::int32_t index) {
        if (list == nullptr)
            return;
        PadWithPlaceholders(*list, index);
        list->setCurrentIndex(index);
    };
    padAndSelect(lists.videoCompressors, choices.videoCompressorIndex);
    padAndSelect(lists.audioCompressors, choices.audioCompressorIndex);
    // A recording takes its device from the main window's own selection, which stays.
    if (lists.audioDevices != nullptr)
        PadWithPlaceholders(*lists.audioDevices, choices.audioDeviceIndex);
    aviPathText = choices.aviPath;
    return true;
}

}  // namespace tavelin
