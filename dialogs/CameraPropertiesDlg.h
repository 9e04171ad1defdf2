#pragma once
// The camera's own settings: one row per control the driver offers (a slider for a
// number, a check box for on/off, a list for a choice, a button for an action), each
// applied to the camera as soon as it changes, and a button that puts every control
// back to the driver's default.

#include <QDialog>
#include <cstdint>
#include <functional>
#include <vector>

#include "capture/CameraControls.h"

class QWidget;

namespace tavelin {

class CCameraPropertiesDlg : public QDialog {
    Q_OBJECT

public:
    // apply(id, value) changes one control on the camera; false when the driver refused.
    using ApplyFunction = std::function<bool(std::uint32_t, std::int32_t)>;

    CCameraPropertiesDlg(QWidget* parent, std::vector<CameraControl> controls, ApplyFunction apply);

    // Every control back to its default, applied to the camera.
    void RestoreDefaults();

    const std::vector<CameraControl>& controls() const { return controls_; }

private:
    QWidget* MakeEditor(std::size_t index);
    void Apply(std::size_t index, std::int32_t value);
    void ShowValue(std::size_t index);

    std::vector<CameraControl> controls_;
    std::vector<QWidget*> editors_;
    ApplyFunction apply_;
    bool showing_ = false;  // editors are being set from the controls, not by the user
};

}  // namespace tavelin
