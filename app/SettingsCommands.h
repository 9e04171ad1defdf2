#pragma once
// The main window's commands that open a settings dialog of their own: each runs its
// dialog under a pause request, hands it the values it edits and gives the new ones
// back to the session.

#include <QString>
#include <functional>

#include "capture/CaptureGraph.h"
#include "core/CameraSession.h"
#include "core/NoticeSink.h"
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
    };
    explicit CSettingsCommands(Context context) : c_(std::move(context)) {}

    void SaveFile();  // the timer shot's interval and file
    void Property();  // the camera's own settings
    void AudioSettings();
    void VideoSettings();
    void RecordSettings();
    void Monitor();

private:
    Context c_;
};

}  // namespace tavelin
