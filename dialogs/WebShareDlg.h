#pragma once
// The "Web and RTSP" dialog: the web page that shows the camera to other devices and the
// RTSP share, with the user and password both ask for. OK checks every field (a refused
// one is said, focused and selected, and the dialog stays open) and keeps the settings
// for web() and rtsp(); the close box and Escape keep nothing. The addresses to open
// follow the fields as they change.
//
// Only the password's hash is kept. "New password" makes one and shows it once in the
// dialog; "Set password..." lets the user type their own. Turning the page or the share
// on with no password at all makes one at OK and shows it in a message of its own: the
// program's notices are logged, a password must not be.

#include <QDialog>
#include <memory>
#include <string>
#include <vector>

#include "core/NoticeSink.h"
#include "core/WebSettings.h"
#include "widgets/FileChooser.h"

class QLineEdit;

namespace Ui {
class WebShareDlg;
}

namespace tavelin {

class CWebShareDlg : public QDialog {
    Q_OBJECT

public:
    // `encoders`: the H.264 encoders RTSP can use, best first. `machineAddresses`: where
    // other devices reach this computer (core/ShareAddresses.h), shown when they are let in.
    CWebShareDlg(QWidget* parent, WebSettings web, RtspSettings rtsp,
                 const std::vector<std::string>& encoders,
                 std::vector<std::string> machineAddresses, INoticeSink& notices,
                 IFileChooser& files);
    ~CWebShareDlg() override;

    // As stored on opening, or as OK took them from the fields.
    const WebSettings& web() const { return web_; }
    const RtspSettings& rtsp() const { return rtsp_; }

private:
    void OnOk();
    void OnNewPassword();
    void OnSetPassword();
    void OnBrowse(QLineEdit* field);
    void ShowAddresses();
    void ShowPasswordState();
    // The two fields for a password of the user's own.
    void ShowTypingRows(bool shown);
    // The made password, once, in a message box that is not logged.
    void ShowMadePassword(const std::string& password);

    // The fields as settings, with the hash of a password made or typed here; the first
    // refused field is said, focused and selected, and false returned.
    bool ReadFields(WebSettings& web, RtspSettings& rtsp);
    // The typed password's hash into `hash` (unchanged when none is typed).
    bool ReadTypedPassword(std::string& hash);
    bool Refuse(QLineEdit* field, const std::string& why);
    void WriteFields(const std::vector<std::string>& encoders);

    std::unique_ptr<Ui::WebShareDlg> ui_;
    INoticeSink& notices_;
    IFileChooser& files_;
    const std::vector<std::string> machineAddresses_;
    WebSettings web_;
    RtspSettings rtsp_;
    std::string madeHash_;  // of the password "New password" showed; empty: none
};

}  // namespace tavelin
