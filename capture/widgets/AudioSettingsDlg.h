#pragma once
// Chooses the stream that paces a recording with sound: none, the audio or the video
// stream. A click stores the choice at once, so however the dialog is closed the last
// click counts.

#include <QDialog>
#include <memory>

class QButtonGroup;

namespace Ui {
class AudioSettingsDlg;
}

namespace tavelin {

class CAudioSettingsDlg : public QDialog {
    Q_OBJECT

public:
    explicit CAudioSettingsDlg(QWidget* parent = nullptr);
    ~CAudioSettingsDlg() override;

private:
    void OnRadioClicked(int radio);

    std::unique_ptr<Ui::AudioSettingsDlg> ui_;
    QButtonGroup* radios_ = nullptr;
};

}  // namespace tavelin
