#include "capture/CameraControls.h"

#include <fcntl.h>
#include <linux/videodev2.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <optional>

namespace tavelin {

namespace {

// A menu is a short list of choices; this bounds the walk for a driver that says otherwise.
constexpr std::int64_t kMaxMenuItems = 256;

std::string FixedString(const __u8* text, std::size_t size) {
    const auto* begin = reinterpret_cast<const char*>(text);
    return std::string(begin, strnlen(begin, size));
}

std::optional<CameraControl::Type> TypeOf(std::uint32_t v4l2Type) {
    switch (v4l2Type) {
        case V4L2_CTRL_TYPE_INTEGER:
            return CameraControl::Type::Integer;
        case V4L2_CTRL_TYPE_BOOLEAN:
            return CameraControl::Type::Boolean;
        case V4L2_CTRL_TYPE_MENU:
        case V4L2_CTRL_TYPE_INTEGER_MENU:
            return CameraControl::Type::Menu;
        case V4L2_CTRL_TYPE_BUTTON:
            return CameraControl::Type::Button;
        default:
            return std::nullopt;  // 64-bit, string, compound: not for a simple dialog
    }
}

void ReadMenu(IV4l2Device& device, const v4l2_queryctrl& query, CameraControl& control) {
    // Menus may be sparse: an index the driver refuses is simply not offered.
    const std::int64_t first = std::max<std::int64_t>(query.minimum, 0);
    const std::int64_t last = std::min<std::int64_t>(query.maximum, first + kMaxMenuItems - 1);
    for (std::int64_t index = first; index <= last; ++index) {
        v4l2_querymenu item{};
        item.id = query.id;
        item.index = static_cast<__u32>(index);
        if (!device.Ioctl(VIDIOC_QUERYMENU, &item))
            continue;
        const std::string name = query.type == V4L2_CTRL_TYPE_INTEGER_MENU
                                     ? std::to_string(item.value)
                                     : FixedString(item.name, sizeof item.name);
        control.menu.push_back({static_cast<std::int32_t>(index), name});
    }
}

// Adds the control `query` describes, if it is one to show.
void Take(IV4l2Device& device, const v4l2_queryctrl& query, std::vector<CameraControl>& out) {
    if ((query.flags & V4L2_CTRL_FLAG_DISABLED) != 0)
        return;
    const std::optional<CameraControl::Type> type = TypeOf(query.type);
    if (!type)
        return;

    CameraControl control;
    control.id = query.id;
    control.name = FixedString(query.name, sizeof query.name);
    control.type = *type;
    control.minimum = query.minimum;
    control.maximum = query.maximum;
    control.step = query.step;
    control.defaultValue = query.default_value;
    control.readOnly = (query.flags & (V4L2_CTRL_FLAG_READ_ONLY | V4L2_CTRL_FLAG_GRABBED)) != 0;
    if (*type != CameraControl::Type::Button && (query.flags & V4L2_CTRL_FLAG_WRITE_ONLY) == 0) {
        v4l2_control current{};
        current.id = query.id;
        control.value = device.Ioctl(VIDIOC_G_CTRL, &current) ? current.value : query.default_value;
    }
    if (*type == CameraControl::Type::Menu)
        ReadMenu(device, query, control);
    out.push_back(std::move(control));
}

}  // namespace

CV4l2Device::CV4l2Device(const std::string& path)
    : fd_(path.empty() ? -1 : ::open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC)) {}

bool CV4l2Device::Ioctl(unsigned long request, void* arg) {
    if (!fd_)
        return false;
    int result;
    do {
        result = ::ioctl(fd_.get(), request, arg);
    } while (result < 0 && errno == EINTR);
    return result == 0;
}

std::vector<CameraControl> CCameraControls::List(IV4l2Device& device) {
    std::vector<CameraControl> controls;
    v4l2_queryctrl query{};
    bool walked = false;
    std::uint32_t previous = 0;
    for (;;) {
        query = v4l2_queryctrl{};
        query.id = previous | V4L2_CTRL_FLAG_NEXT_CTRL;
        if (!device.Ioctl(VIDIOC_QUERYCTRL, &query))
            break;
        if (walked && query.id <= previous)
            break;  // a driver that does not move on
        walked = true;
        previous = query.id;
        Take(device, query, controls);
    }
    if (!walked) {
        // Drivers without NEXT_CTRL: ask for each user control id in turn.
        for (std::uint32_t id = V4L2_CID_BASE; id < V4L2_CID_LASTP1; ++id) {
            query = v4l2_queryctrl{};
            query.id = id;
            if (device.Ioctl(VIDIOC_QUERYCTRL, &query))
                Take(device, query, controls);
        }
    }
    return controls;
}

bool CCameraControls::Set(IV4l2Device& device, std::uint32_t id, std::int32_t value) {
    v4l2_control control{};
    control.id = id;
    control.value = value;
    return device.Ioctl(VIDIOC_S_CTRL, &control);
}

std::vector<CameraControl> CCameraControls::List(const std::string& nodePath) {
    CV4l2Device device(nodePath);
    if (!device.isOpen())
        return {};
    return List(device);
}

bool CCameraControls::Set(const std::string& nodePath, std::uint32_t id, std::int32_t value) {
    CV4l2Device device(nodePath);
    return device.isOpen() && Set(device, id, value);
}

}  // namespace tavelin
