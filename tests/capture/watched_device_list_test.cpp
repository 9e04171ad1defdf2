// The kept device list on two providers of a device class of their own: one that
// watches, whose devices come and go when the test says, and one that cannot and is
// probed at every listing, as PulseAudio's is when no server answers.

#include "capture/WatchedDeviceList.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <vector>

#include "capture/GstRuntime.h"

namespace tavelin {
namespace {

using ::testing::ElementsAre;

constexpr const char* kFakeClass = "Tavelinfake/Source";
constexpr const char* kWatching = "tavelinfakewatching";

GstDevice* NewDevice(const char* name) {
    static const GType type =
        g_type_register_static_simple(GST_TYPE_DEVICE, "TavelinFakeDevice", sizeof(GstDeviceClass),
                                      nullptr, sizeof(GstDevice), nullptr, GTypeFlags(0));
    GstCapsPtr caps(gst_caps_new_any());
    return GST_DEVICE(g_object_new(type, "display-name", name, "caps", caps.get(), "device-class",
                                   kFakeClass, nullptr));
}

std::atomic<int> probes{0};

// A provider that starts, so it is never probed and its devices come and go through the
// test, or one that cannot, so every listing probes it. One type each: a provider finds
// its factory through its class.
GType ProviderType(const char* name, bool starts) {
    const auto classInit = [](gpointer klass, gpointer startable) {
        GstDeviceProviderClass* provider = GST_DEVICE_PROVIDER_CLASS(klass);
        if (startable != nullptr) {
            provider->start = [](GstDeviceProvider*) -> gboolean { return TRUE; };
        } else {
            provider->start = [](GstDeviceProvider*) -> gboolean { return FALSE; };
        }
        provider->probe = [](GstDeviceProvider*) -> GList* {
            ++probes;
            return g_list_append(nullptr, NewDevice("probed"));
        };
        gst_device_provider_class_set_static_metadata(provider, "fake", "Source/Tavelinfake", "-",
                                                      "-");
    };
    GTypeInfo info{};
    info.class_size = sizeof(GstDeviceProviderClass);
    info.class_init = classInit;
    info.class_data = starts ? GINT_TO_POINTER(1) : nullptr;
    info.instance_size = sizeof(GstDeviceProvider);
    return g_type_register_static(GST_TYPE_DEVICE_PROVIDER, name, &info, GTypeFlags(0));
}

std::vector<std::string> Names(CWatchedDeviceList& list) {
    std::vector<GstDevicePtr> devices;
    EXPECT_EQ(list.Devices(devices), ListStatus::Ok);
    std::vector<std::string> names;
    for (const GstDevicePtr& d : devices)
        names.push_back(CDeviceList::DisplayName(d.get()));
    return names;
}

TEST(WatchedDeviceList, ListsOnceThenAgainOnlyWhenADeviceComesGoesOrChanges) {
    ASSERT_TRUE(EnsureGstreamer());
    // The watching one ranks first, so its devices come first.
    ASSERT_TRUE(gst_device_provider_register(nullptr, kWatching, GST_RANK_PRIMARY,
                                             ProviderType("TavelinFakeWatching", true)));
    ASSERT_TRUE(gst_device_provider_register(nullptr, "tavelinfakeprobed", GST_RANK_MARGINAL,
                                             ProviderType("TavelinFakeProbed", false)));
    GstObjectPtr<GstDeviceProvider> watching(gst_device_provider_factory_get_by_name(kWatching));
    ASSERT_TRUE(watching);

    CWatchedDeviceList list(kFakeClass);
    for (int i = 0; i < 20; ++i)
        EXPECT_THAT(Names(list), ElementsAre("probed"));
    EXPECT_EQ(probes, 1);

    GstDevice* came = NewDevice("came");
    gst_device_provider_device_add(watching.get(), came);
    EXPECT_THAT(Names(list), ElementsAre("came", "probed"));
    EXPECT_THAT(Names(list), ElementsAre("came", "probed"));
    EXPECT_EQ(probes, 2);

    GstDevice* changed = NewDevice("changed");
    gst_device_provider_device_changed(watching.get(), changed, came);
    EXPECT_THAT(Names(list), ElementsAre("changed", "probed"));
    EXPECT_EQ(probes, 3);

    gst_device_provider_device_remove(watching.get(), changed);
    EXPECT_THAT(Names(list), ElementsAre("probed"));
    EXPECT_THAT(Names(list), ElementsAre("probed"));
    EXPECT_EQ(probes, 4);
}

}  // namespace
}  // namespace tavelin
