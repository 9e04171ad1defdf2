#include "tray/TrayMinimiser.h"

#include <QEasingCurve>
#include <QGuiApplication>
#include <QPaintEvent>
#include <QPainter>
#include <QPropertyAnimation>
#include <QScreen>
#include <QWidget>
#include <algorithm>
#include <utility>

#include "resources/ResourceIds.h"

namespace tavelin {
namespace {

// Dynamic properties carry what MinimiseToTray learnt to RestoreFromTray, so the pair
// needs no state of its own and a window destroyed meanwhile takes its record along.
constexpr char kInTrayProperty[] = "tavelinHiddenInTray";
constexpr char kPositionProperty[] = "tavelinTrayPosition";

// A frameless, see-through rectangle outline that never takes input or focus.
class COutlineWindow : public QWidget {
public:
    COutlineWindow()
        : QWidget(nullptr, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowTransparentForInput) {
        setAttribute(Qt::WA_TranslucentBackground);
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_ShowWithoutActivating);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        const QColor edge = palette().color(QPalette::Highlight);
        QColor fill = edge;
        fill.setAlpha(48);
        painter.setPen(QPen(edge, 2));
        painter.setBrush(fill);
        painter.drawRect(rect().adjusted(1, 1, -1, -1));
    }
};

void AnimateOutline(const QRect& from, const QRect& to) {
    if (from.isEmpty() || to.isEmpty())
        return;
    auto* outline = new COutlineWindow;
    outline->setGeometry(from);
    outline->show();
    auto* animation = new QPropertyAnimation(outline, "geometry", outline);
    animation->setDuration(kTrayOutlineMs);
    animation->setStartValue(from);
    animation->setEndValue(to);
    animation->setEasingCurve(QEasingCurve::InQuad);
    QObject::connect(animation, &QAbstractAnimation::finished, outline, &QObject::deleteLater);
    animation->start();
}

void HideRemembering(QWidget* widget) {
    widget->setProperty(kPositionProperty, widget->pos());
    widget->setProperty(kInTrayProperty, true);
    widget->hide();
}

// Puts a widget hidden by HideRemembering back at its old position; false for a widget
// that was not hidden that way.
bool MoveBack(QWidget* widget) {
    if (!IsHiddenInTray(widget))
        return false;
    widget->move(widget->property(kPositionProperty).toPoint());
    widget->setProperty(kInTrayProperty, QVariant());
    widget->setProperty(kPositionProperty, QVariant());
    return true;
}

}  // namespace

QRect GetTrayRect(const QRect& iconGeometry, const QScreen* screen) {
    if (iconGeometry.isValid() && !iconGeometry.isEmpty())
        return iconGeometry;
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return QRect();
    const QRect area = screen->geometry();
    return QRect(area.x() + area.width() - 40, area.y() + area.height() - 20, 40, 20);
}

bool IsHiddenInTray(const QWidget* window) {
    return window && window->property(kInTrayProperty).toBool();
}

void MinimiseToTray(QWidget* window, const std::vector<QWidget*>& companions,
                    const QRect& animateTo) {
    if (!window || !window->isVisible())
        return;
    AnimateOutline(window->frameGeometry(), animateTo);
    for (QWidget* companion : companions) {
        if (companion && companion != window && companion->isVisible()) {
            HideRemembering(companion);
        }
    }
    HideRemembering(window);
}

void RestoreFromTray(QWidget* window, const std::vector<QWidget*>& companions,
                     const QRect& animateFrom, bool minimised) {
    if (!window)
        return;
    MoveBack(window);
    if (!minimised)
        AnimateOutline(animateFrom, window->frameGeometry());
    if (minimised) {
        window->showMinimized();
    } else if (window->isMinimized()) {
        window->showNormal();
    } else {
        window->show();
    }
    for (QWidget* companion : companions) {
        if (companion && MoveBack(companion)) {
            if (minimised)
                companion->showMinimized();
            else
                companion->show();
        }
    }
    if (!minimised) {
        window->raise();
        window->activateWindow();
    }
}

CTrayMinimiser::CTrayMinimiser(CSystemTray& tray, QWidget* window,
                               std::function<std::vector<QWidget*>()> companions,
                               std::function<void()> exit, QObject* parent)
    : QObject(parent),
      tray_(&tray),
      window_(window),
      companions_(std::move(companions)),
      exit_(std::move(exit)),
      // Hiding is only safe behind an icon that really sits in a tray.
      state_([tray = tray_] { return tray && tray->IsTrayAvailable() && !tray->hidden(); }) {
    tray.SetTargetWnd(this);
    tray.EnableMenuItem(ids::kTrayShow, state_.showEnabled());
    connect(&tray, &CSystemTray::trayAvailabilityChanged, this,
            &CTrayMinimiser::OnTrayAvailabilityChanged);
}

CTrayMinimiser::~CTrayMinimiser() {
    // The tray may outlive this object; it must not call into it afterwards.
    if (tray_ && tray_->GetTargetWnd() == this)
        tray_->SetTargetWnd(nullptr);
}

void CTrayMinimiser::Minimize() {
    // A tray that came back since the last poll can take the icon right now.
    if (tray_ && tray_->showPending())
        tray_->AddIconAgain();
    Apply(state_.OnMinimize());
}

void CTrayMinimiser::OnTrayCommand(int commandId) {
    Apply(state_.OnCommand(commandId));
}

void CTrayMinimiser::OnTrayDoubleClick(int /*defaultCommandId*/) {
    // The window takes no default command from a double click; outside the tray the
    // click only brings it to the front.
    const CTrayState::Action action = state_.OnDoubleClick();
    if (action != CTrayState::Action::None) {
        Apply(action);
    } else if (window_ && window_->isVisible() && !window_->isMinimized()) {
        window_->raise();
        window_->activateWindow();
    }
}

void CTrayMinimiser::OnTrayAvailabilityChanged(bool available) {
    if (!available)
        Apply(state_.OnTrayLost());
}

void CTrayMinimiser::Apply(CTrayState::Action action) {
    if (action == CTrayState::Action::Exit) {
        if (exit_)
            exit_();
        return;
    }
    if (!window_)
        return;
    switch (action) {
        case CTrayState::Action::None:
            return;
        case CTrayState::Action::HideIntoTray:
            MinimiseToTray(window_, Companions(), TrayRect());
            break;
        case CTrayState::Action::MinimiseNormally:
            if (IsHiddenInTray(window_))
                RestoreFromTray(window_, Companions(), QRect(), true);
            MinimiseTogether();
            break;
        case CTrayState::Action::Restore:
            RestoreFromTray(window_, Companions(),
                            tray_ && tray_->IsTrayAvailable() ? TrayRect() : QRect());
            break;
        case CTrayState::Action::Exit:
            return;
    }
    if (tray_) {
        tray_->EnableMenuItem(ids::kTrayShow, state_.showEnabled());
        tray_->WatchTray(state_.inTray());
    }
}

void CTrayMinimiser::MinimiseTogether() {
    for (const QPointer<QWidget>& widget : minimisedTogether_) {
        if (widget)
            widget->removeEventFilter(this);
    }
    minimisedTogether_.clear();
    for (QWidget* companion : Companions()) {
        if (companion && companion != window_ && companion->isVisible())
            minimisedTogether_.emplace_back(companion);
    }
    minimisedTogether_.emplace_back(window_.data());
    for (const QPointer<QWidget>& widget : minimisedTogether_) {
        widget->installEventFilter(this);
        widget->showMinimized();
    }
}

bool CTrayMinimiser::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::WindowStateChange && !restoringTogether_) {
        auto* widget = qobject_cast<QWidget*>(watched);
        const bool grouped = std::find(minimisedTogether_.begin(), minimisedTogether_.end(),
                                       widget) != minimisedTogether_.end();
        if (widget != nullptr && grouped && !widget->isMinimized())
            RestoreTogether(widget);
    }
    return QObject::eventFilter(watched, event);
}

void CTrayMinimiser::RestoreTogether(QWidget* first) {
    const std::vector<QPointer<QWidget>> group = std::exchange(minimisedTogether_, {});
    restoringTogether_ = true;
    for (const QPointer<QWidget>& widget : group) {
        if (!widget)
            continue;
        widget->removeEventFilter(this);
        if (widget != first && widget->isMinimized())
            widget->showNormal();
    }
    restoringTogether_ = false;
    if (window_) {
        window_->raise();
        window_->activateWindow();
    }
}

QRect CTrayMinimiser::TrayRect() const {
    return GetTrayRect(tray_ ? tray_->IconGeometry() : QRect(),
                       window_ ? window_->screen() : nullptr);
}

std::vector<QWidget*> CTrayMinimiser::Companions() const {
    return companions_ ? companions_() : std::vector<QWidget*>();
}

}  // namespace tavelin
