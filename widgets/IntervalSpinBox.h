#pragma once
// A number field with up and down arrows that, unlike QSpinBox, keeps whatever digits
// the user types: checking the range is left to whoever reads it, so an entry like 0
// or 99999 can be refused with a message instead of being silently corrected. The
// arrows (buttons, arrow keys, wheel) step from the number shown and stay in range.

#include <QAbstractSpinBox>

namespace tavelin {

class CIntervalSpinBox : public QAbstractSpinBox {
    Q_OBJECT

public:
    explicit CIntervalSpinBox(QWidget* parent = nullptr);

    void SetRange(int minimum, int maximum);
    int minimum() const { return minimum_; }
    int maximum() const { return maximum_; }

    // Sets the arrows' position and shows it in the field.
    void SetPosition(int position);
    int position() const { return position_; }

    // Shows text as it is, without moving the arrows' position.
    void SetText(const QString& text);

    void stepBy(int steps) override;
    QSize sizeHint() const override;

protected:
    QValidator::State validate(QString& input, int& pos) const override;
    StepEnabled stepEnabled() const override;

private:
    int minimum_ = 0;
    int maximum_ = 100;
    int position_ = 0;
};

}  // namespace tavelin
