#pragma once
// Gathers what a recording uses: the audio device and compressor, the video compressor
// and the output path, and opens the Audio settings and Video settings dialogs. OK
// stores the three list selections and, when the path is a name of the user's own,
// makes the next recording use it as typed.

#include <QDialog>
#include <memory>
#include <string>

#include "core/RecordSettingsRules.h"
#include "core/SessionSettings.h"
#include "dialogs/RecordSettingsHost.h"

namespace Ui {
class RecordSettingsDlg;
}

namespace tavelin {

// The three lists as the capture engine reports them now; listing failures are reported
// to `notices` (null: silent).
CodecLists ListRecordCodecs(INoticeSink* notices);

class CRecordSettingsDlg : public QDialog {
    Q_OBJECT

public:
    static constexpr const char* kEnableAudioText = "Enable audio";
    static constexpr const char* kDisableAudioText = "Disable audio";

    // Opens with the stored recording path and selections, and resets the audio device
    // selection to the first device.
    CRecordSettingsDlg(QWidget* parent, IRecordSettingsHost& host, const CodecLists& lists,
                       RecordingChoices stored);
    ~CRecordSettingsDlg() override;

    // The choices as the dialog leaves them: what OK stored, and what the dialogs it
    // opened stored however it was closed (the device selection is reset on opening).
    const RecordingChoices& choices() const { return choices_; }

private:
    void OnEnableAudio();
    void OnAudioSettings();
    void OnVideoSettings();
    void OnOk();

    void ReadControls();
    void WriteControls();

    std::unique_ptr<Ui::RecordSettingsDlg> ui_;
    IRecordSettingsHost& host_;
    RecordingChoices choices_;

    std::string outputPath_;
    // Whether this dialog has switched the main window's audio an odd number of times.
    bool audioToggle_ = false;
};

}  // namespace tavelin
