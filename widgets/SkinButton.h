#pragma once
// The picture button of the skinned main window: a normal and a pressed face (and
// optionally hover, focus and disabled faces), cut to the outline of a mask picture,
// with its own check state for the check-box and radio kinds so that a pressed face
// stays down while the button is checked.

#include <QAbstractButton>
#include <QImage>
#include <QRegion>
#include <vector>

namespace tavelin {

class CSkinButton : public QAbstractButton {
    Q_OBJECT

public:
    enum Kind { Push = 0, CheckBox = 2, Radio = 4 };
    enum DrawMode { Natural = 0, Stretch = 1, Tile = 2 };

    explicit CSkinButton(QWidget* parent, Kind kind = Push);

    // Picture arguments are picture ids, 0 for none. A disabled id of 0 reuses the
    // normal picture. A mask id of 0 keeps the current outline and size.
    void SetSkin(int normal, int down, int over, int disabled, int focus, int mask,
                 short drawMode = Natural, short border = 0, short margin = 0);
    void SetToolTipText(const QString& text);

    // The check state; pushing a push button never checks it. Checking a radio clears
    // the other members of its group.
    void SetCheck(bool check);
    bool GetCheck() const { return checked_; }
    // The radio group this button clears when it becomes checked (owned by the caller).
    void SetGroup(const std::vector<CSkinButton*>* group) { group_ = group; }

    Kind kind() const { return kind_; }
    bool hovered() const { return hover_; }

public slots:
    // Sent by a checked group mate.
    void ClearCheck();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    void DrawPicture(QPainter& painter, const QImage& picture) const;
    void ToggleByUser();

    bool checked_ = false;
    Kind kind_;
    bool hover_ = false;
    QImage normal_;
    QImage down_;
    QImage disabled_;
    QImage over_;
    QImage focus_;
    QImage mask_;
    short margin_ = 0;
    int border_ = 0;
    short drawMode_ = Stretch;
    const std::vector<CSkinButton*>* group_ = nullptr;
};

}  // namespace tavelin
