#pragma once
// Which camera the program runs on, where the next recording goes (a folder, with the
// number the next numbered recording uses, or a file name of the user's own), and how
// much of the disk the recordings may take. OK stores the camera, the target for the
// next recording and the storage limits, and writes the number to the counter file; the
// close box and Escape store nothing. "Web and RTSP..." asks the owner, by
// webShareRequested(), to open that dialog over this one; without an owner that
// connects to it the button is hidden (see SetWebShareOffered).

#include <QDialog>
#include <QString>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/NoticeSink.h"
#include "core/RecordSettingsRules.h"
#include "core/StorageLimits.h"
#include "widgets/FileChooser.h"

namespace Ui {
class VideoSettingsDlg;
}

namespace tavelin {

// The one file type the save-file dialog offers.
inline constexpr const char* kAviFilter = "AVI Files (*.avi)";

class CVideoSettingsDlg : public QDialog {
    Q_OBJECT

public:
    // Opens with the stored recording target and the number in `counterFile`.
    CVideoSettingsDlg(QWidget* parent, AviTarget stored, std::string counterFile,
                      INoticeSink& notices, IFileChooser& files);
    ~CVideoSettingsDlg() override;

    // The target the next recording uses: as stored on opening, or as OK stored it.
    const AviTarget& target() const { return target_; }

    // The cameras to choose from, `inUse` selected (none when it is not among them).
    void SetCameras(const std::vector<std::string>& names, const std::string& inUse);
    // The camera chosen: as in use on opening, or as OK stored it.
    const std::string& camera() const { return camera_; }

    // The limits to edit, and what the recording folder held at the last check (shown
    // only).
    void SetStorage(const StorageLimits& limits, const StorageSummary& summary);
    // The limits: as set on opening, or as OK stored them.
    const StorageLimits& storageLimits() const { return storage_; }

    // Whether "Web and RTSP..." is shown; it is not until this says so.
    void SetWebShareOffered(bool offered);

signals:
    void webShareRequested();

private:
    void OnPathEdited();
    void OnBrowse();
    void OnOk();

    // Takes the fields into the members. A counter field that holds no acceptable number
    // keeps the member as it was; `report` then tells the user and returns false.
    bool ReadControls(bool report);
    // The three storage fields into `limits`; the first one that holds no acceptable
    // number is reported, focused and selected, and false returned.
    bool ReadStorage(StorageLimits& limits);
    void WriteControls();

    std::unique_ptr<Ui::VideoSettingsDlg> ui_;
    const std::string counterFile_;
    INoticeSink& notices_;
    IFileChooser& files_;

    AviTarget target_;
    std::string camera_;
    StorageLimits storage_;
    std::string path_;
    std::int32_t counter_ = 0;
    bool typedName_ = false;  // the path is a name of the user's own
};

}  // namespace tavelin
