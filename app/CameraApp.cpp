#include "CameraApp.h"

#include <QStyleFactory>

#include "MainDlg.h"
#include "Messages.h"
#include "Resources.h"

namespace tavelin {

CCameraApp::CCameraApp(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(QStringLiteral("tavelin-video-center"));
    setApplicationDisplayName(QString::fromLatin1(msg::kCaption));
    setOrganizationName(QStringLiteral("Tavelin"));
    // The same look on every desktop, to match the skin.
    setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    InitResources();
}

bool CCameraApp::InitInstance() {
    CMainDlg dialog;
    if (dialog.OnInitDialog())
        dialog.exec();
    return false;
}

}  // namespace tavelin
