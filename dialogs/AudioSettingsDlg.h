#pragma once
// Chooses the stream that paces a recording with sound: none, the audio or the video
// stream. A click stores the choice at once, so however the dialog is closed the last
// click counts.

#include <QDialog>
#include <cstdint>
#include <memory>

class QButtonGroup;

namespace Ui {
class AudioSettingsDlg;
}

namespace tavelin {

class CAudioSettingsDlg : public QDialog {
    Q_OBJECT

public:
    // Opens on `masterStream` (-1 none, 1 audio, 2 video).
    CAudioSettingsDlg(QWidget* parent, std::int8_t masterStream);
    ~CAudioSettingsDlg() override;

    // The last choice clicked, or the one it opened on.
    std::int8_t masterStream() const { return masterStream_; }

private:
    void OnRadioClicked(int radio);

    std::unique_ptr<Ui::AudioSettingsDlg> ui_;
    QButtonGroup* radios_ = nullptr;
    std::int8_t masterStream_;
};

}  // namespace tavelin
