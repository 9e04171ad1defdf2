#pragma once
// Putting the main window away into the tray and bringing it back. The window and its
// companions (the preview window) are hidden, which also takes them off the task list,
// and shown again where they were. A short outline shrinks towards the tray icon on the
// way in and grows from it on the way out.

#include <QObject>
#include <QPointer>
#include <QRect>
#include <functional>
#include <vector>

#include "tray/SystemTray.h"
#include "tray/TrayState.h"

class QScreen;
class QWidget;

namespace tavelin {

// How long the outline takes from one rectangle to the other.
constexpr int kTrayOutlineMs = 200;

// Where the outline goes: the icon's own rectangle when the tray tells it, otherwise a
// 40 x 20 rectangle in the bottom-right corner of the screen.
QRect GetTrayRect(const QRect& iconGeometry, const QScreen* screen);

// Hides a shown window and those of its companions that are shown, remembering where
// each one was. animateTo: the outline's end, or an empty rectangle for no outline.
void MinimiseToTray(QWidget* window, const std::vector<QWidget*>& companions,
                    const QRect& animateTo = QRect());
// Shows the window and the companions hidden with it at their old positions (all
// minimised, if asked), and activates the window. animateFrom: the outline's start, or
// empty.
void RestoreFromTray(QWidget* window, const std::vector<QWidget*>& companions,
                     const QRect& animateFrom = QRect(), bool minimised = false);
// Whether the window is hidden in the tray by MinimiseToTray.
bool IsHiddenInTray(const QWidget* window);

// The main window's side of the tray: the Minimize button, the menu's "Show" and
// "Exit" and the icon's double click, following CTrayState. It makes itself the tray's
// target. Where the desktop has no tray the window is minimised the ordinary way, and
// a window in a tray that disappears is brought back minimised, so the program always
// stays within reach. Minimised the ordinary way, the companions go with the window and
// whichever of them is brought back brings the others: a desktop without a task bar
// still has the one window it shows to bring back the rest.
class CTrayMinimiser : public QObject, public ITrayTarget {
    Q_OBJECT

public:
    // companions: the windows that go into the tray with the window (asked each time,
    // since the preview window comes and goes). exit: the window's close handler.
    CTrayMinimiser(CSystemTray& tray, QWidget* window,
                   std::function<std::vector<QWidget*>()> companions, std::function<void()> exit,
                   QObject* parent = nullptr);
    ~CTrayMinimiser() override;

    // The Minimize button.
    void Minimize();
    bool inTray() const { return state_.inTray(); }

    // ITrayTarget
    void OnTrayCommand(int commandId) override;
    void OnTrayDoubleClick(int defaultCommandId) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Minimises the window and its shown companions as one group.
    void MinimiseTogether();
    // One of the group came back: the rest follow, and the window comes to the front.
    void RestoreTogether(QWidget* first);
    void OnTrayAvailabilityChanged(bool available);
    void Apply(CTrayState::Action action);
    QRect TrayRect() const;
    std::vector<QWidget*> Companions() const;

    QPointer<CSystemTray> tray_;
    QPointer<QWidget> window_;
    std::function<std::vector<QWidget*>()> companions_;
    std::function<void()> exit_;
    CTrayState state_;
    std::vector<QPointer<QWidget>> minimisedTogether_;
    bool restoringTogether_ = false;
};

}  // namespace tavelin
