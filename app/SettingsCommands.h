#pragma once
// The main window's commands that open a settings dialog of their own: each runs its
// dialog under a pause request, hands it the values it edits and gives the new ones
// back to the session.

#include <QString>
#include <functional>
#include <string>
#include <vector>

#include "capture/CaptureGraph.h"
#include "core/CameraSession.h"
#include "core/NoticeSink.h"
#include "core/WebSettings.h"
#include "dialogs/AlertsDlg.h"
#include "dialogs/RecordSettingsHost.h"
#include "dialogs/SoundPreview.h"
#include "widgets/FileChooser.h"

class QWidget;

namespace tavelin {

class CMainControls;

class CSettingsCommands {
public:
    struct Context {
        QWidget* parent;
        CCameraSession& session;
        IRecordSettingsHost& host;  // the window, for the recording dialogs
        CCaptureGraph& capture;
        INoticeSink& notices;
        IFileChooser& files;
        ISoundPreview& preview;
        const IClock& clock;
        CMainControls& controls;
        std::function<void(CursorShape)> setCursor;
        // The Alerts dialog kept new settings (stored already); empty: nobody is told.
        std::function<void(const AlertSettings&)> alertsChanged = {};
        // Its Test button: tries the settings as in the fields.
        CAlertsDlg::AlertTest testAlerts = [](const AlertSettings&,
                                              const CAlertsDlg::TestAnswer& answer) {
            answer("Alerts are not connected in this build.");
        };
        // Whether a command line can be run; empty: any within the length limit.
        CAlertsDlg::CommandCheck checkCommand = {};
        // The "Web and RTSP" dialog kept new settings (stored already); empty: nobody is
        // told.
        std::function<void(const WebSettings&, const RtspSettings&)> webChanged = {};
        // The H.264 encoders RTSP can use, best first; empty: none are offered.
        std::function<std::vector<std::string>()> rtspEncoders = {};
    };
    explicit CSettingsCommands(Context context) : c_(std::move(context)) {}

    void SaveFile();  // the timer shot's interval and file
    void Property();  // the camera's own settings
    void AudioSettings();
    void VideoSettings();
    void RecordSettings();
    void Monitor();
    // The Alerts dialog over `parent`, on the stored settings; OK stores them.
    void Alerts(QWidget* parent);
    // The "Web and RTSP" dialog over `parent` (the video settings), on the stored
    // settings; OK stores them.
    void WebShare(QWidget* parent);

private:
    Context c_;
};

}  // namespace tavelin
