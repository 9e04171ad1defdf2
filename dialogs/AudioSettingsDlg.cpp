#include "dialogs/AudioSettingsDlg.h"

#include <QButtonGroup>
#include <QIcon>

#include "core/RecordSettingsRules.h"
#include "resources/Pictures.h"
#include "resources/ResourceIds.h"
#include "ui_AudioSettingsDlg.h"

namespace tavelin {

CAudioSettingsDlg::CAudioSettingsDlg(QWidget* parent, std::int8_t masterStream)
    : QDialog(parent), ui_(std::make_unique<Ui::AudioSettingsDlg>()), masterStream_(masterStream) {
    ui_->setupUi(this);
    setWindowIcon(QIcon(PicturePath(ids::kIconApp)));

    radios_ = new QButtonGroup(this);
    radios_->addButton(ui_->noneRadio, 0);
    radios_->addButton(ui_->audioRadio, 1);
    radios_->addButton(ui_->videoRadio, 2);
    radios_->button(MasterStreamRadio(masterStream_))->setChecked(true);

    connect(radios_, &QButtonGroup::idClicked, this, &CAudioSettingsDlg::OnRadioClicked);
    connect(ui_->okButton, &QPushButton::clicked, this, &QDialog::accept);
}

CAudioSettingsDlg::~CAudioSettingsDlg() = default;

void CAudioSettingsDlg::OnRadioClicked(int radio) {
    masterStream_ = MasterStreamOfRadio(radio);
}

}  // namespace tavelin
