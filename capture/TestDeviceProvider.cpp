#include "capture/TestDeviceProvider.h"

#include <gst/gst.h>

#include "capture/GstPtr.h"
#include "capture/TestSources.h"

// GObject boilerplate: a GstDevice subclass that builds the synthetic sources and a
// GstDeviceProvider subclass that lists them.

namespace {

enum class TestDeviceKind { Camera, Microphone };

struct TavelinTestDevice {
    GstDevice parent;
    TestDeviceKind kind;
};
struct TavelinTestDeviceClass {
    GstDeviceClass parent_class;
};

struct TavelinTestProvider {
    GstDeviceProvider parent;
};
struct TavelinTestProviderClass {
    GstDeviceProviderClass parent_class;
};

GType tavelin_test_device_get_type();
GType tavelin_test_provider_get_type();

G_DEFINE_TYPE(TavelinTestDevice, tavelin_test_device, GST_TYPE_DEVICE)
G_DEFINE_TYPE(TavelinTestProvider, tavelin_test_provider, GST_TYPE_DEVICE_PROVIDER)

GstElement* tavelin_test_device_create_element(GstDevice* device, const gchar* name) {
    auto* self = reinterpret_cast<TavelinTestDevice*>(device);
    if (self->kind == TestDeviceKind::Camera) {
        return tavelin::CreateTestCamera(tavelin::TestCameraOptions::FromEnvironment(), name);
    }
    return tavelin::CreateTestMicrophone(name);
}

void tavelin_test_device_class_init(TavelinTestDeviceClass* klass) {
    GST_DEVICE_CLASS(klass)->create_element = tavelin_test_device_create_element;
}

void tavelin_test_device_init(TavelinTestDevice* self) {
    self->kind = TestDeviceKind::Camera;
}

GstDevice* NewTestDevice(TestDeviceKind kind, const char* name) {
    const bool camera = kind == TestDeviceKind::Camera;
    tavelin::GstCapsPtr caps(gst_caps_new_empty_simple(camera ? "video/x-raw" : "audio/x-raw"));
    tavelin::GstStructurePtr properties(gst_structure_new("tavelin-test-device", "device.api",
                                                          G_TYPE_STRING, "tavelin-test", nullptr));
    auto* device = static_cast<TavelinTestDevice*>(g_object_new(
        tavelin_test_device_get_type(), "display-name", name, "caps", caps.get(), "device-class",
        camera ? "Video/Source" : "Audio/Source", "properties", properties.get(), nullptr));
    device->kind = kind;
    return GST_DEVICE(device);
}

GList* tavelin_test_provider_probe(GstDeviceProvider*) {
    if (!tavelin::TestSourcesEnabled())
        return nullptr;
    // Devices come out floating; the provider's caller sinks them.
    GList* devices = nullptr;
    for (const std::string& name : tavelin::TestCameraNames())
        devices = g_list_append(devices, NewTestDevice(TestDeviceKind::Camera, name.c_str()));
    devices = g_list_append(
        devices, NewTestDevice(TestDeviceKind::Microphone, tavelin::kTestMicrophoneName));
    return devices;
}

// The devices follow TAVELIN_TEST_SOURCES, which may change at any time without a
// word. A started provider would be asked only once and keep that answer for every
// monitor of the process, the camera search's too; refusing to start keeps it probed
// at each listing.
gboolean tavelin_test_provider_start(GstDeviceProvider*) {
    return FALSE;
}

void tavelin_test_provider_class_init(TavelinTestProviderClass* klass) {
    GstDeviceProviderClass* provider = GST_DEVICE_PROVIDER_CLASS(klass);
    provider->probe = tavelin_test_provider_probe;
    provider->start = tavelin_test_provider_start;
    gst_device_provider_class_set_static_metadata(
        provider, "Tavelin test sources", "Source/Video/Audio",
        "Synthetic camera and microphone for tests", "Tavelin Video Center");
}

void tavelin_test_provider_init(TavelinTestProvider*) {}

}  // namespace

namespace tavelin {

bool RegisterTestDeviceProvider() {
    return gst_device_provider_register(nullptr, "tavelintestsources", GST_RANK_PRIMARY + 100,
                                        tavelin_test_provider_get_type()) == TRUE;
}

}  // namespace tavelin
