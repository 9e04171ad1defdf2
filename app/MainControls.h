#pragma once
// The main window's controls over its skin: the skinned buttons, the three lists, the
// path field and the hidden display choice. Made on the window, skinned and placed by
// the skin layout, and the window's means of showing the session's state on them.

#include <map>
#include <string>
#include <vector>

#include "core/CameraSession.h"
#include "core/ControlsView.h"
#include "core/MonitorSettings.h"
#include "dialogs/RecordSettingsLaunchers.h"

class QComboBox;
class QLineEdit;
class QRadioButton;
class QWidget;

namespace tavelin {

class CSkinButton;

class CMainControls {
public:
    // Makes every control on `window` (children of it); skinned later by Skin().
    explicit CMainControls(QWidget* window);

    // Gives the buttons their pictures and every control its place on the skin.
    void Skin();
    // The inside picture area counts among the controls, for lookups by id.
    void AddPicture(QWidget* picture);
    // Fills the three lists and selects their entries.
    void FillLists(const CCameraSession::ListsShown& shown, bool noAudioDevice);

    CSkinButton* button(int id) const;
    QWidget* control(int id) const;
    const std::vector<CSkinButton*>& sizeButtons() const { return sizeGroup_; }
    QComboBox* videoCompressors() const { return videoCompressorList_; }
    QLineEdit* aviPathEdit() const { return aviPathEdit_; }
    QRadioButton* displayInside() const { return displayInside_; }
    QRadioButton* displayOutside() const { return displayOutside_; }
    MainWindowLists lists() const {
        return {videoCompressorList_, audioCompressorList_, audioDeviceList_};
    }

    // What the fields say now.
    std::string aviPathText() const;
    int videoCompressor() const;
    int audioCompressor() const;
    int audioDevice() const;

    // What the session's view says the controls show.
    void Render(const ControlsView& view);

private:
    std::map<int, QWidget*> controls_;  // children of the window
    std::vector<CSkinButton*> sizeGroup_;
    QComboBox* audioDeviceList_ = nullptr;
    QComboBox* audioCompressorList_ = nullptr;
    QComboBox* videoCompressorList_ = nullptr;
    QLineEdit* aviPathEdit_ = nullptr;
    QRadioButton* displayInside_ = nullptr;
    QRadioButton* displayOutside_ = nullptr;
    bool runningFaces_ = false;  // the Monitor switch shows the running pictures
};

}  // namespace tavelin
