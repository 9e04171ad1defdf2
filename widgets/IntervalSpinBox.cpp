#include "widgets/IntervalSpinBox.h"

#include <QLineEdit>
#include <algorithm>

namespace tavelin {

CIntervalSpinBox::CIntervalSpinBox(QWidget* parent) : QAbstractSpinBox(parent) {
    setButtonSymbols(QAbstractSpinBox::UpDownArrows);
    setCorrectionMode(QAbstractSpinBox::CorrectToPreviousValue);
}

void CIntervalSpinBox::SetRange(int minimum, int maximum) {
    minimum_ = minimum;
    maximum_ = std::max(minimum, maximum);
    position_ = std::clamp(position_, minimum_, maximum_);
    updateGeometry();
}

void CIntervalSpinBox::SetPosition(int position) {
    position_ = std::clamp(position, minimum_, maximum_);
    lineEdit()->setText(QString::number(position_));
}

void CIntervalSpinBox::SetText(const QString& text) {
    lineEdit()->setText(text);
}

void CIntervalSpinBox::stepBy(int steps) {
    // Step from the number in the field; from the last position when it holds none.
    bool ok = false;
    const qlonglong shown = text().toLongLong(&ok);
    const qlonglong from = ok ? std::clamp<qlonglong>(shown, minimum_, maximum_) : position_;
    SetPosition(static_cast<int>(std::clamp<qlonglong>(from + steps, minimum_, maximum_)));
    selectAll();
}

QAbstractSpinBox::StepEnabled CIntervalSpinBox::stepEnabled() const {
    if (isReadOnly())
        return StepNone;
    return StepUpEnabled | StepDownEnabled;
}

QValidator::State CIntervalSpinBox::validate(QString& input, int&) const {
    // Digits only; an empty field is allowed while typing.
    for (const QChar c : input) {
        if (c < u'0' || c > u'9')
            return QValidator::Invalid;
    }
    return QValidator::Acceptable;
}

QSize CIntervalSpinBox::sizeHint() const {
    // Room for the widest number in range plus the arrows.
    QSize hint = QAbstractSpinBox::sizeHint();
    const int digits = fontMetrics().horizontalAdvance(QString::number(maximum_) + u'0');
    hint.setWidth(std::max(hint.width(), digits + 24));
    return hint;
}

}  // namespace tavelin
