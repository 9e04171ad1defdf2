// What goes to the broker, without one: the base topic from what the user typed, and the
// box that holds messages while the broker is away or behind.

#include "core/MqttMessages.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/MqttOutbox.h"

namespace tavelin {
namespace {

TEST(MqttTopicTest, BaseTopicHasNothingATopicNameMayNotHold) {
    struct Row {
        const char* configured;
        const char* host;
        const char* base;
    };
    const Row rows[] = {
        {"home/cameras/hall", "pc", "home/cameras/hall"},
        {"", "pc", "tavelin/pc"},
        {"/home/cam+#1/", "pc", "home/cam1"},
        {"$SYS/x", "pc", "SYS/x"},
        {"#+/", "my+host#", "tavelin/myhost"},
        {"", "", "tavelin/camera"},
    };
    for (const Row& row : rows)
        EXPECT_EQ(MqttBaseTopic(row.configured, row.host), row.base) << row.configured;
    EXPECT_EQ(MqttSafeId("tavelin/my host.lan_2-b"), "tavelin_my_host_lan_2-b");
}

TEST(MqttOutboxTest, KeepsTheLastStateAndDropsTheOldestEvent) {
    CMqttOutbox box(3);
    EXPECT_TRUE(box.Push({"t/motion", "ON", true}));
    EXPECT_TRUE(box.Push({"t/event", "1", false}));
    EXPECT_TRUE(box.Push({"t/motion", "OFF", true}));  // replaces the ON that waits
    EXPECT_TRUE(box.Push({"t/event", "2", false}));
    EXPECT_FALSE(box.Push({"t/event", "3", false}));  // full: event 1 goes, not the state

    std::vector<std::string> left;
    for (; !box.empty(); box.PopFront())
        left.push_back(box.front().topic + "=" + box.front().payload);
    EXPECT_EQ(left, (std::vector<std::string>{"t/motion=OFF", "t/event=2", "t/event=3"}));
}

}  // namespace
}  // namespace tavelin
