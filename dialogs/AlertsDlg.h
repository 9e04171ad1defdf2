#pragma once
// The Alerts dialog: desktop notifications, the commands run on events and the MQTT
// broker that Home Assistant listens to. OK checks every field (a refused one is said,
// focused and selected, and the dialog stays open) and keeps the settings for
// settings(); the close box and Escape keep nothing.
//
// The stored password is never shown: its field stays empty, saying "(stored)", and an
// empty field keeps it unless "Forget" is ticked; a typed one replaces it. Test hands the
// settings as in the fields to a hook and shows the answer whenever it comes.

#include <QDialog>
#include <functional>
#include <memory>
#include <string>

#include "core/AlertSettings.h"
#include "core/NoticeSink.h"
#include "widgets/FileChooser.h"

class QLineEdit;

namespace Ui {
class AlertsDlg;
}

namespace tavelin {

class CAlertsDlg : public QDialog {
    Q_OBJECT

public:
    // Called once with what the test found; from any thread, also after the dialog closed.
    using TestAnswer = std::function<void(const std::string& result)>;
    // Tries the settings (a notification, the broker) and answers, now or later.
    using AlertTest = std::function<void(const AlertSettings& settings, TestAnswer answer)>;
    // Whether a command line can be run; false with the reason in `why`. Empty: every
    // line within the length limit can.
    using CommandCheck = std::function<bool(const std::string& line, std::string& why)>;

    CAlertsDlg(QWidget* parent, AlertSettings stored, INoticeSink& notices, IFileChooser& files,
               AlertTest test, CommandCheck checkCommand = {});
    ~CAlertsDlg() override;

    // As stored on opening, or as OK took them from the fields.
    const AlertSettings& settings() const { return settings_; }

private:
    struct AnswerRelay;

    void OnOk();
    void OnTest();
    void OnBrowse();
    void OnForgetToggled(bool forget);
    void ShowTestAnswer(unsigned request, const QString& result);

    // The fields as settings; the first refused field is said, focused and selected,
    // and false returned.
    bool ReadFields(AlertSettings& read);
    bool Refuse(QLineEdit* field, const std::string& why);
    void WriteFields();

    std::unique_ptr<Ui::AlertsDlg> ui_;
    INoticeSink& notices_;
    IFileChooser& files_;
    const AlertTest test_;
    const CommandCheck checkCommand_;
    AlertSettings settings_;
    std::shared_ptr<AnswerRelay> relay_;
    unsigned testRequest_ = 0;  // the test whose answer is awaited
};

}  // namespace tavelin
