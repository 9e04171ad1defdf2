#include "tray/SystemTray.h"

#include <QAction>
#include <QGuiApplication>
#include <QMenu>
#include <QScreen>
#include <QTimerEvent>
#include <utility>

#include "resources/ResourceIds.h"

namespace tavelin {

CSystemTray::CSystemTray(std::function<bool()> trayAvailable, QObject* parent)
    : QObject(parent), trayAvailable_(std::move(trayAvailable)) {
    // A panel that appears or comes back usually changes the work area, which makes
    // this a good moment to retry a pending add without waiting for the poll.
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        connect(screen, &QScreen::availableGeometryChanged, this, &CSystemTray::AddIconAgain);
    }
}

CSystemTray::~CSystemTray() {
    RemoveIcon();
}

bool CSystemTray::Create(ITrayTarget* target, const QString& tip, const QIcon& icon,
                         bool startHidden) {
    if (icon_) {
        RemoveIcon();
        icon_.reset();
        menu_.reset();
    }
    if (target)
        target_ = target;
    BuildMenu();
    icon_ = std::make_unique<QSystemTrayIcon>(icon);
    icon_->setToolTip(CutTip(tip));
    icon_->setContextMenu(menu_.get());
    connect(icon_.get(), &QSystemTrayIcon::activated, this, &CSystemTray::OnTrayNotification);

    lastAvailable_ = IsTrayAvailable();
    hidden_ = startHidden;
    bool added = true;
    if (!startHidden) {
        added = AddIcon();
        hidden_ = removed_ = showPending_ = !added;
    }
    UpdatePolling();
    return added;
}

void CSystemTray::BuildMenu() {
    menu_ = std::make_unique<QMenu>();
    menu_->setTitle(QStringLiteral("ICON"));
    for (auto [id, text] : {std::pair{ids::kTrayShow, "Show"}, std::pair{ids::kTrayExit, "Exit"}}) {
        QAction* action = menu_->addAction(QString::fromLatin1(text));
        action->setData(id);
        // Queued, so the command runs after the menu has closed and the target may
        // remove the icon (or end the program) without pulling the menu from under Qt.
        connect(
            action, &QAction::triggered, this,
            [this, id = id] {
                if (target_)
                    target_->OnTrayCommand(id);
            },
            Qt::QueuedConnection);
    }
    ApplyDefaultItem();
}

bool CSystemTray::AddIcon() {
    if (!icon_ || !IsTrayAvailable())
        return false;
    icon_->show();
    return true;
}

bool CSystemTray::RemoveIcon() {
    showPending_ = false;
    UpdatePolling();
    if (removed_)
        return true;
    if (icon_)
        icon_->hide();
    hidden_ = removed_ = true;
    return true;
}

bool CSystemTray::HideIcon() {
    if (removed_ || hidden_)
        return true;
    RemoveIcon();
    return hidden_;
}

void CSystemTray::AddIconAgain() {
    // An icon hidden on purpose stays hidden.
    if (!showPending_ && hidden_)
        return;
    if (AddIcon()) {
        showPending_ = removed_ = hidden_ = false;
    } else {
        showPending_ = true;
    }
    UpdatePolling();
}

bool CSystemTray::SetMenuDefaultItem(int item, bool byPosition) {
    if (item == defaultItem_ && byPosition == defaultByPosition_)
        return true;
    defaultItem_ = item;
    defaultByPosition_ = byPosition;
    if (!menu_)
        return false;
    ApplyDefaultItem();
    return true;
}

void CSystemTray::ApplyDefaultItem() {
    if (!menu_)
        return;
    // A command id that no entry carries (0, say) leaves the menu without a default.
    QAction* action = defaultByPosition_ ? menu_->actions().value(defaultItem_, nullptr)
                                         : MenuAction(defaultItem_);
    menu_->setDefaultAction(action);
}

bool CSystemTray::EnableMenuItem(int commandId, bool enable) {
    QAction* action = MenuAction(commandId);
    if (!action)
        return false;
    action->setEnabled(enable);
    return true;
}

QAction* CSystemTray::MenuAction(int commandId) const {
    if (!menu_)
        return nullptr;
    for (QAction* action : menu_->actions()) {
        if (action->data().toInt() == commandId)
            return action;
    }
    return nullptr;
}

bool CSystemTray::OnTrayNotification(QSystemTrayIcon::ActivationReason reason) {
    ITrayTarget* target = GetTargetWnd();
    if (!target)
        return false;
    switch (reason) {
        case QSystemTrayIcon::Context:
            if (!menu_)
                return false;
            ApplyDefaultItem();
            return true;
        case QSystemTrayIcon::DoubleClick: {
            int command = defaultItem_;
            if (defaultByPosition_) {
                if (!menu_)
                    return false;
                const QAction* action = menu_->actions().value(defaultItem_, nullptr);
                command = action ? action->data().toInt() : 0;
            }
            target->OnTrayDoubleClick(command);
            return true;
        }
        default:
            return true;
    }
}

void CSystemTray::WatchTray(bool watch) {
    watching_ = watch;
    if (watch)
        lastAvailable_ = IsTrayAvailable();
    UpdatePolling();
}

void CSystemTray::PollTray() {
    const bool available = IsTrayAvailable();
    const bool changed = available != lastAvailable_;
    lastAvailable_ = available;
    if (showPending_ && available)
        AddIconAgain();
    if (changed)
        emit trayAvailabilityChanged(available);
}

void CSystemTray::UpdatePolling() {
    const bool wanted = showPending_ || watching_;
    if (wanted && !pollTimer_.isActive()) {
        pollTimer_.start(kPollMs, Qt::VeryCoarseTimer, this);
    } else if (!wanted) {
        pollTimer_.stop();
    }
}

void CSystemTray::timerEvent(QTimerEvent* event) {
    if (event->timerId() == pollTimer_.timerId()) {
        PollTray();
        return;
    }
    QObject::timerEvent(event);
}

bool CSystemTray::IsTrayAvailable() const {
    return trayAvailable_ ? trayAvailable_() : QSystemTrayIcon::isSystemTrayAvailable();
}

QRect CSystemTray::IconGeometry() const {
    return icon_ ? icon_->geometry() : QRect();
}

QString CSystemTray::CutTip(const QString& tip) {
    const QByteArray utf8 = tip.toUtf8();
    constexpr qsizetype kMaxBytes = kMaxTipBytes - 1;
    if (utf8.size() <= kMaxBytes)
        return tip;
    qsizetype end = kMaxBytes;
    // Back up over continuation bytes so the cut falls before a whole character.
    while (end > 0 && (static_cast<unsigned char>(utf8[end]) & 0xC0) == 0x80)
        --end;
    return QString::fromUtf8(utf8.left(end));
}

}  // namespace tavelin
