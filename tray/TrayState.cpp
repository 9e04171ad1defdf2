#include "tray/TrayState.h"

#include <utility>

#include "resources/ResourceIds.h"

namespace tavelin {

CTrayState::CTrayState(std::function<bool()> trayAvailable)
    : trayAvailable_(std::move(trayAvailable)) {}

CTrayState::Action CTrayState::OnMinimize() {
    if (inTray_)
        return Action::None;
    if (trayAvailable_ && trayAvailable_()) {
        inTray_ = true;
        return Action::HideIntoTray;
    }
    return Action::MinimiseNormally;
}

CTrayState::Action CTrayState::OnCommand(int commandId) {
    switch (commandId) {
        case ids::kTrayShow:
            inTray_ = false;
            return Action::Restore;
        case ids::kTrayExit:
            return Action::Exit;
        default:
            return Action::None;
    }
}

CTrayState::Action CTrayState::OnDoubleClick() {
    if (!inTray_)
        return Action::None;
    inTray_ = false;
    return Action::Restore;
}

CTrayState::Action CTrayState::OnTrayLost() {
    if (!inTray_)
        return Action::None;
    inTray_ = false;
    return Action::MinimiseNormally;
}

}  // namespace tavelin
