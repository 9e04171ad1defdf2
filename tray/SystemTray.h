#pragma once
// The program's icon in the desktop's tray, with its "Show" / "Exit" menu. Menu
// commands and double clicks go to one target.
//
// Qt itself keeps a shown QSystemTrayIcon docked across tray restarts: it re-registers
// with the StatusNotifier watcher when that service comes back, and docks again into a
// new XEmbed tray window. An add that finds no tray at all is kept here as "pending",
// with the icon left hidden, so that the state always tells whether the icon really
// sits in a tray; a slow poll (and any change of the screen's work area) retries it.

#include <QBasicTimer>
#include <QIcon>
#include <QObject>
#include <QRect>
#include <QString>
#include <QSystemTrayIcon>
#include <functional>
#include <memory>

class QAction;
class QMenu;

namespace tavelin {

// Receives what the user chose on the tray icon.
class ITrayTarget {
public:
    // A command of the icon's menu (ids::kTrayShow, ids::kTrayExit). It arrives after the
    // menu has closed, so the target may take the tray down from here.
    virtual void OnTrayCommand(int commandId) = 0;
    // A double click on the icon, with the menu's default command (0 when there is none).
    virtual void OnTrayDoubleClick(int defaultCommandId) = 0;

protected:
    ~ITrayTarget() = default;
};

class CSystemTray : public QObject {
    Q_OBJECT

public:
    // Tooltip room in bytes, the terminating zero included.
    static constexpr int kMaxTipBytes = 64;
    // How often a pending add (or a watched tray) is checked again.
    static constexpr int kPollMs = 3000;

    // trayAvailable answers whether the desktop offers a tray now; empty means
    // QSystemTrayIcon::isSystemTrayAvailable.
    explicit CSystemTray(std::function<bool()> trayAvailable = {}, QObject* parent = nullptr);
    ~CSystemTray() override;

    // Builds the icon and its menu and, unless startHidden, shows it. target receives the
    // commands (null keeps the current one). True when the icon was shown or did not need
    // to be; false leaves the add pending.
    bool Create(ITrayTarget* target, const QString& tip, const QIcon& icon, bool startHidden);
    // Takes the icon out of the tray and drops a pending add.
    bool RemoveIcon();
    // Takes a shown icon away; true when it is not shown afterwards.
    bool HideIcon();
    // Shows the icon again unless it was hidden on purpose; a failure leaves it pending.
    void AddIconAgain();
    // The menu entry shown in bold and sent with a double click: a command id, or a
    // position in the menu when byPosition. False when there is no menu yet.
    bool SetMenuDefaultItem(int item, bool byPosition);
    // Enables or greys a menu command; false when the menu has no such command.
    bool EnableMenuItem(int commandId, bool enable);
    void SetTargetWnd(ITrayTarget* target) { target_ = target; }
    ITrayTarget* GetTargetWnd() const { return target_; }
    // The icon was activated. The context menu itself is shown by Qt; a double click is
    // passed to the target. False when there is no target (or, for the menu, no menu).
    bool OnTrayNotification(QSystemTrayIcon::ActivationReason reason);

    // While watched, the tray is polled and every change of its availability signalled,
    // so a window hidden in a tray that disappears can be brought back.
    void WatchTray(bool watch);
    // One poll: retries a pending add and reports a change of availability.
    void PollTray();

    bool IsTrayAvailable() const;
    // Where the icon sits on the screen, or an empty rectangle when the tray won't say.
    QRect IconGeometry() const;

    bool hidden() const { return hidden_; }
    bool removed() const { return removed_; }
    bool showPending() const { return showPending_; }
    bool polling() const { return pollTimer_.isActive(); }
    QMenu* menu() const { return menu_.get(); }
    QAction* MenuAction(int commandId) const;
    QSystemTrayIcon* trayIcon() const { return icon_.get(); }

    // The tooltip cut to kMaxTipBytes - 1 bytes of UTF-8, never inside a character.
    static QString CutTip(const QString& tip);

signals:
    void trayAvailabilityChanged(bool available);

protected:
    void timerEvent(QTimerEvent* event) override;

private:
    void BuildMenu();
    void ApplyDefaultItem();
    bool AddIcon();
    void UpdatePolling();

    bool hidden_ = true;
    bool removed_ = true;
    bool showPending_ = false;
    int defaultItem_ = 0;
    bool defaultByPosition_ = true;
    ITrayTarget* target_ = nullptr;
    std::function<bool()> trayAvailable_;
    // The menu outlives the icon that shows it (members die in reverse order).
    std::unique_ptr<QMenu> menu_;
    std::unique_ptr<QSystemTrayIcon> icon_;
    QBasicTimer pollTimer_;
    bool watching_ = false;
    bool lastAvailable_ = false;
};

}  // namespace tavelin
