#pragma once
// The busy window shown while the main window starts: the start-up picture, borderless,
// centred, under the wait cursor, deaf to the mouse and keyboard, and gone when its
// timer fires. Afterwards the busy ("starting") cursor stays until the dialog object is
// destroyed, i.e. while its owner finishes starting up.

#include <QBasicTimer>
#include <QDialog>
#include <QImage>

namespace tavelin {

class CSplashDlg : public QDialog {
    Q_OBJECT

public:
    static constexpr int kWidth = 600;
    static constexpr int kHeight = 430;
    static constexpr int kPeriodMs = 6180;

    explicit CSplashDlg(QWidget* parent = nullptr, int periodMs = kPeriodMs);
    ~CSplashDlg() override;

    // True from the timer's firing on.
    bool finished() const { return finished_; }

protected:
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void SetCursorShape(Qt::CursorShape shape);

    QImage picture_;
    QBasicTimer timer2_;
    int periodMs_;
    bool finished_ = false;
    bool cursorOverridden_ = false;
};

}  // namespace tavelin
