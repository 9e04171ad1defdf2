#pragma once
// The camera's own settings (brightness, contrast, exposure, ...) read and changed
// through its V4L2 device node, for the camera settings dialog.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/Handle.h"

namespace tavelin {

struct CameraControl {
    enum class Type { Integer, Boolean, Menu, Button };
    struct MenuItem {
        std::int32_t value;
        std::string name;
    };

    std::uint32_t id = 0;
    std::string name;
    Type type = Type::Integer;
    std::int32_t minimum = 0;
    std::int32_t maximum = 0;
    std::int32_t step = 1;
    std::int32_t defaultValue = 0;
    std::int32_t value = 0;  // current value; 0 for buttons
    bool readOnly = false;   // shown, but the driver refuses changes
    std::vector<MenuItem> menu;
};

// The ioctl side of a V4L2 device, so the control walk can be tested without one.
class IV4l2Device {
public:
    virtual ~IV4l2Device() = default;
    // ioctl(request, arg); true on success.
    virtual bool Ioctl(unsigned long request, void* arg) = 0;
};

// A device node, opened for as long as the object lives.
class CV4l2Device final : public IV4l2Device {
public:
    explicit CV4l2Device(const std::string& path);

    bool isOpen() const { return static_cast<bool>(fd_); }
    bool Ioctl(unsigned long request, void* arg) override;

private:
    UniqueFd fd_;
};

class CCameraControls {
public:
    // The integer, boolean, menu and button controls the device offers, in the
    // driver's order; disabled controls and control-class headings are left out.
    static std::vector<CameraControl> List(IV4l2Device& device);
    static bool Set(IV4l2Device& device, std::uint32_t id, std::int32_t value);

    // The same on a device node by path; nothing when it cannot be opened.
    static std::vector<CameraControl> List(const std::string& nodePath);
    static bool Set(const std::string& nodePath, std::uint32_t id, std::int32_t value);
};

}  // namespace tavelin
