#include "app/MainTray.h"

#include <QString>

#include "core/Messages.h"
#include "resources/ResourceIds.h"
#include "resources/Resources.h"
#include "tray/SystemTray.h"
#include "tray/TrayMinimiser.h"

namespace tavelin {

CMainTray::CMainTray(QWidget* window, std::function<std::vector<QWidget*>()> companions,
                     std::function<void()> exit, std::function<bool()> trayAvailable)
    : tray_(std::make_unique<CSystemTray>(std::move(trayAvailable))),
      minimiser_(std::make_unique<CTrayMinimiser>(*tray_, window, std::move(companions),
                                                  std::move(exit))) {
    tray_->Create(minimiser_.get(), QString::fromLatin1(msg::kCaption), AppIcon(), false);
    tray_->EnableMenuItem(ids::kTrayExit, true);
    tray_->EnableMenuItem(ids::kTrayShow, false);
    tray_->SetMenuDefaultItem(0, false);
}

CMainTray::~CMainTray() = default;

void CMainTray::Minimize() {
    if (minimiser_ != nullptr)
        minimiser_->Minimize();
}

void CMainTray::OnTrayCommand(int commandId) {
    if (minimiser_ != nullptr)
        minimiser_->OnTrayCommand(commandId);
}

bool CMainTray::inTray() const {
    return minimiser_ != nullptr && minimiser_->inTray();
}

void CMainTray::Remove() {
    if (tray_ != nullptr) {
        tray_->HideIcon();
        tray_->RemoveIcon();
    }
    minimiser_.reset();
}

}  // namespace tavelin
