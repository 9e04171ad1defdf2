#include "dialogs/CameraPropertiesDlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QVBoxLayout>

#include "resources/Pictures.h"
#include "resources/ResourceIds.h"
#include "widgets/HoverButton.h"

namespace tavelin {

CCameraPropertiesDlg::CCameraPropertiesDlg(QWidget* parent, std::vector<CameraControl> controls,
                                           ApplyFunction apply)
    : QDialog(parent), controls_(std::move(controls)), apply_(std::move(apply)) {
    setWindowTitle(QStringLiteral("Camera Properties"));
    setWindowIcon(QIcon(PicturePath(ids::kIconApp)));

    auto* form = new QFormLayout;
    for (std::size_t i = 0; i < controls_.size(); ++i) {
        QWidget* editor = MakeEditor(i);
        editor->setObjectName(QStringLiteral("control_%1").arg(controls_[i].id));
        editor->setEnabled(!controls_[i].readOnly);
        editors_.push_back(editor);
        form->addRow(QString::fromStdString(controls_[i].name) + QLatin1Char(':'), editor);
        ShowValue(i);
    }

    auto* defaults = new CHoverButton(this);
    defaults->setText(QStringLiteral("Defaults"));
    defaults->setObjectName(QStringLiteral("defaults"));
    auto* close = new CHoverButton(this);
    close->setText(QStringLiteral("Close"));
    close->setObjectName(QStringLiteral("close"));
    close->setDefault(true);
    connect(defaults, &QPushButton::clicked, this, &CCameraPropertiesDlg::RestoreDefaults);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(defaults);
    buttons->addStretch();
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(buttons);
}

QWidget* CCameraPropertiesDlg::MakeEditor(std::size_t index) {
    const CameraControl& c = controls_[index];
    switch (c.type) {
        case CameraControl::Type::Boolean: {
            auto* box = new QCheckBox(this);
            connect(box, &QCheckBox::toggled, this,
                    [this, index](bool on) { Apply(index, on ? 1 : 0); });
            return box;
        }
        case CameraControl::Type::Menu: {
            auto* list = new QComboBox(this);
            for (const CameraControl::MenuItem& item : c.menu) {
                list->addItem(QString::fromStdString(item.name), item.value);
            }
            connect(list, &QComboBox::currentIndexChanged, this, [this, index, list](int row) {
                if (row >= 0)
                    Apply(index, list->itemData(row).toInt());
            });
            return list;
        }
        case CameraControl::Type::Button: {
            auto* button = new QPushButton(QStringLiteral("Do it"), this);
            connect(button, &QPushButton::clicked, this, [this, index] { Apply(index, 1); });
            return button;
        }
        case CameraControl::Type::Integer:
        default: {
            auto* row = new QWidget(this);
            auto* slider = new QSlider(Qt::Horizontal, row);
            slider->setObjectName(QStringLiteral("slider"));
            slider->setRange(c.minimum, c.maximum);
            slider->setSingleStep(c.step > 0 ? c.step : 1);
            slider->setPageStep(c.step > 0 ? c.step * 10 : 10);
            slider->setMinimumWidth(180);
            auto* value = new QLabel(row);
            value->setObjectName(QStringLiteral("value"));
            value->setMinimumWidth(48);
            auto* h = new QHBoxLayout(row);
            h->setContentsMargins(0, 0, 0, 0);
            h->addWidget(slider);
            h->addWidget(value);
            connect(slider, &QSlider::valueChanged, this, [this, index, value](int v) {
                value->setNum(v);
                Apply(index, v);
            });
            return row;
        }
    }
}

void CCameraPropertiesDlg::Apply(std::size_t index, std::int32_t value) {
    if (showing_)
        return;
    CameraControl& c = controls_[index];
    if (apply_ && apply_(c.id, value)) {
        c.value = value;
    } else {
        // The driver kept its value: show that one again.
        ShowValue(index);
    }
}

void CCameraPropertiesDlg::ShowValue(std::size_t index) {
    const CameraControl& c = controls_[index];
    QWidget* editor = editors_[index];
    showing_ = true;
    if (auto* box = qobject_cast<QCheckBox*>(editor)) {
        box->setChecked(c.value != 0);
    } else if (auto* list = qobject_cast<QComboBox*>(editor)) {
        list->setCurrentIndex(list->findData(c.value));
    } else if (auto* slider = editor->findChild<QSlider*>(QStringLiteral("slider"))) {
        slider->setValue(c.value);
        editor->findChild<QLabel*>(QStringLiteral("value"))->setNum(slider->value());
    }
    showing_ = false;
}

void CCameraPropertiesDlg::RestoreDefaults() {
    for (std::size_t i = 0; i < controls_.size(); ++i) {
        CameraControl& c = controls_[i];
        if (c.readOnly || c.type == CameraControl::Type::Button || c.value == c.defaultValue)
            continue;
        if (apply_ && apply_(c.id, c.defaultValue))
            c.value = c.defaultValue;
        ShowValue(i);
    }
}

}  // namespace tavelin
