#pragma once
// The main window's tray icon and its minimise-to-tray, kept apart from the window:
// the icon with its "Show" / "Exit" menu, and the Minimize button's way into it.

#include <QObject>
#include <functional>
#include <memory>
#include <vector>

class QWidget;

namespace tavelin {

class CSystemTray;
class CTrayMinimiser;

class CMainTray : public QObject {
    Q_OBJECT

public:
    // companions: the windows that go with `window` (asked each time); exit: what
    // "Exit" does; trayAvailable: empty asks the desktop.
    CMainTray(QWidget* window, std::function<std::vector<QWidget*>()> companions,
              std::function<void()> exit, std::function<bool()> trayAvailable);
    ~CMainTray() override;

    void Minimize();
    void OnTrayCommand(int commandId);
    bool inTray() const;
    // Takes the icon out of the tray for good.
    void Remove();
    CSystemTray* tray() const { return tray_.get(); }

private:
    std::unique_ptr<CSystemTray> tray_;
    std::unique_ptr<CTrayMinimiser> minimiser_;
};

}  // namespace tavelin
