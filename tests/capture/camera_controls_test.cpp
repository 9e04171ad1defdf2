// The V4L2 control walk against a fake driver.

#include "capture/CameraControls.h"

#include <gtest/gtest.h>
#include <linux/videodev2.h>

#include <cstring>
#include <map>
#include <string>

namespace tavelin {
namespace {

struct FakeControl {
    std::uint32_t type;
    const char* name;
    std::int32_t min, max, def, value;
    std::uint32_t flags = 0;
    std::map<std::uint32_t, const char*> menu = {};  // index -> name; gaps allowed
};

// A driver answering the control ioctls the way V4L2 does.
class FakeDriver : public IV4l2Device {
public:
    bool supportsNextCtrl = true;
    std::map<std::uint32_t, FakeControl> controls{
        {V4L2_CID_USER_CLASS, {V4L2_CTRL_TYPE_CTRL_CLASS, "User Controls", 0, 0, 0, 0}},
        {V4L2_CID_BRIGHTNESS, {V4L2_CTRL_TYPE_INTEGER, "Brightness", -64, 64, 0, 12}},
        {V4L2_CID_CONTRAST,
         {V4L2_CTRL_TYPE_INTEGER, "Contrast", 0, 95, 32, 32, V4L2_CTRL_FLAG_DISABLED}},
        {V4L2_CID_AUTO_WHITE_BALANCE, {V4L2_CTRL_TYPE_BOOLEAN, "White Balance, Auto", 0, 1, 1, 0}},
        {V4L2_CID_DO_WHITE_BALANCE,
         {V4L2_CTRL_TYPE_BUTTON, "Do White Balance", 0, 0, 0, 0, V4L2_CTRL_FLAG_WRITE_ONLY}},
        {V4L2_CID_POWER_LINE_FREQUENCY,
         {V4L2_CTRL_TYPE_MENU,
          "Power Line Frequency",
          0,
          3,
          1,
          2,
          0,
          {{0, "Disabled"}, {1, "50 Hz"}, {3, "Auto"}}}},
        {V4L2_CID_SHARPNESS, {V4L2_CTRL_TYPE_INTEGER64, "Wide", 0, 7, 0, 0}},
    };

    bool Ioctl(unsigned long request, void* arg) override {
        if (request == VIDIOC_QUERYCTRL) {
            auto* q = static_cast<v4l2_queryctrl*>(arg);
            auto it = controls.find(q->id);
            if ((q->id & V4L2_CTRL_FLAG_NEXT_CTRL) != 0) {
                if (!supportsNextCtrl)
                    return false;
                it = controls.upper_bound(q->id & ~V4L2_CTRL_FLAG_NEXT_CTRL);
            }
            if (it == controls.end())
                return false;
            const FakeControl& c = it->second;
            *q = v4l2_queryctrl{};
            q->id = it->first;
            q->type = c.type;
            std::strncpy(reinterpret_cast<char*>(q->name), c.name, sizeof q->name - 1);
            q->minimum = c.min;
            q->maximum = c.max;
            q->step = 1;
            q->default_value = c.def;
            q->flags = c.flags;
            return true;
        }
        if (request == VIDIOC_QUERYMENU) {
            auto* m = static_cast<v4l2_querymenu*>(arg);
            const auto it = controls.find(m->id);
            if (it == controls.end() || !it->second.menu.count(m->index))
                return false;
            std::strncpy(reinterpret_cast<char*>(m->name), it->second.menu.at(m->index),
                         sizeof m->name - 1);
            return true;
        }
        auto* c = static_cast<v4l2_control*>(arg);
        const auto it = controls.find(c->id);
        if (it == controls.end())
            return false;
        if (request == VIDIOC_G_CTRL) {
            c->value = it->second.value;
            return true;
        }
        if (request == VIDIOC_S_CTRL && c->value >= it->second.min && c->value <= it->second.max) {
            it->second.value = c->value;
            return true;
        }
        return false;
    }
};

class CameraControls : public ::testing::TestWithParam<bool> {};

// With NEXT_CTRL or, for older drivers, id by id: the same controls come out.
TEST_P(CameraControls, WalksTheDriverAndKeepsTheShowableControls) {
    FakeDriver driver;
    driver.supportsNextCtrl = GetParam();
    const std::vector<CameraControl> list = CCameraControls::List(driver);
    // The class heading, the disabled contrast and the 64-bit control are left out.
    ASSERT_EQ(list.size(), 4u);

    EXPECT_EQ(list[0].id, V4L2_CID_BRIGHTNESS);
    EXPECT_EQ(list[0].name, "Brightness");
    EXPECT_EQ(list[0].type, CameraControl::Type::Integer);
    EXPECT_EQ(list[0].minimum, -64);
    EXPECT_EQ(list[0].maximum, 64);
    EXPECT_EQ(list[0].value, 12);
    EXPECT_EQ(list[1].type, CameraControl::Type::Boolean);
    EXPECT_EQ(list[1].defaultValue, 1);
    EXPECT_EQ(list[2].type, CameraControl::Type::Button);

    const CameraControl& menu = list[3];
    EXPECT_EQ(menu.type, CameraControl::Type::Menu);
    EXPECT_EQ(menu.value, 2);
    ASSERT_EQ(menu.menu.size(), 3u);  // index 2 is missing
    EXPECT_EQ(menu.menu[0].name, "Disabled");
    EXPECT_EQ(menu.menu[2].value, 3);
    EXPECT_EQ(menu.menu[2].name, "Auto");
}

INSTANTIATE_TEST_SUITE_P(Drivers, CameraControls, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "NextCtrl" : "IdById"; });

TEST(CameraControlsSet, PassesTheValueAndReportsRefusal) {
    FakeDriver driver;
    EXPECT_TRUE(CCameraControls::Set(driver, V4L2_CID_BRIGHTNESS, -20));
    EXPECT_EQ(driver.controls[V4L2_CID_BRIGHTNESS].value, -20);
    EXPECT_FALSE(CCameraControls::Set(driver, V4L2_CID_BRIGHTNESS, 500));
    EXPECT_FALSE(CCameraControls::Set(driver, 0x12345678, 1));
    EXPECT_EQ(driver.controls[V4L2_CID_BRIGHTNESS].value, -20);
}

TEST(CameraControlsSet, ANodeThatIsNoCameraHasNoControls) {
    EXPECT_TRUE(CCameraControls::List(std::string("/nonexistent/video0")).empty());
    EXPECT_TRUE(CCameraControls::List(std::string()).empty());
    EXPECT_TRUE(CCameraControls::List(std::string("/dev/null")).empty());
    EXPECT_FALSE(CCameraControls::Set(std::string("/nonexistent/video0"), V4L2_CID_BRIGHTNESS, 1));
}

}  // namespace
}  // namespace tavelin
