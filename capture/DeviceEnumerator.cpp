#include "capture/DeviceEnumerator.h"

#include "capture/DeviceList.h"
#include "capture/EncoderCatalog.h"
#include "capture/WatchedDeviceList.h"
#include "core/CodecNames.h"
#include "core/Log.h"

namespace tavelin {

namespace {

void Tell(INoticeSink* notices, const char* text) {
    if (notices != nullptr)
        notices->ShowNotice(text, NoticeStyle::Plain);
}

// The encoders a list shows, in list order.
// Whether a listing worked; when not, says why. The audio lists end quietly on a
// missing category: their callers show "None" instead.
bool Usable(ListStatus status, INoticeSink* notices, bool tellMissingClass) {
    switch (status) {
        case ListStatus::NoSystemEnumerator:
            Tell(notices, kNoticeNoSystemEnumerator);
            return false;
        case ListStatus::NoClassEnumerator:
            if (tellMissingClass)
                Tell(notices, kNoticeNoClassEnumerator);
            return false;
        case ListStatus::Ok:
            break;
    }
    return true;
}

ListStatus CompressorEntries(EncoderKind kind, std::vector<GstElementFactoryPtr>& entries) {
    std::vector<GstElementFactoryPtr> all;
    const ListStatus status = CEncoderCatalog::Find(kind, all);
    entries.clear();
    for (GstElementFactoryPtr& factory : all) {
        const std::string name = CEncoderCatalog::LongName(factory.get());
        const bool shown = kind == EncoderKind::Video ? VideoCompressorNameAllowed(name)
                                                      : AudioCompressorNameAllowed(name);
        if (shown && !name.empty())
            entries.push_back(std::move(factory));
    }
    return status;
}

// The sound inputs, listed once for the process and kept up to date: every graph with
// sound looks its device up, and a listing of its own each time would cost descriptors
// (see WatchedDeviceList.h). Stopped at exit, with the providers it started.
CWatchedDeviceList& SoundInputs() {
    static CWatchedDeviceList list("Audio/Source");
    return list;
}

// The audio devices a list shows, in list order.
ListStatus AudioDeviceEntries(std::vector<GstDevicePtr>& entries) {
    std::vector<GstDevicePtr> all;
    const ListStatus status = SoundInputs().Devices(all);
    entries.clear();
    for (GstDevicePtr& device : all) {
        if (!CDeviceList::DisplayName(device.get()).empty())
            entries.push_back(std::move(device));
    }
    return status;
}

// The entry at list position `position`, where the list shows `before` fixed entries
// ahead of `entries`; null, and a line in the log, when there is none.
template <class T>
T* At(std::vector<T>& entries, std::int32_t position, const char* what, int before = 0) {
    const std::int64_t index = std::int64_t{position} - before;
    if (index < 0 || static_cast<std::uint64_t>(index) >= entries.size()) {
        Log(LogArea::Record, LogLevel::Warning,
            std::string(what) + " " + std::to_string(position) + " is not among the " +
                std::to_string(entries.size() + static_cast<std::size_t>(before)) + " listed");
        return nullptr;
    }
    return &entries[static_cast<std::size_t>(index)];
}

GstElementPtr Create(GstElementFactory* factory, INoticeSink* notices) {
    GstElementPtr element = Adopt(gst_element_factory_create(factory, nullptr));
    if (!element) {
        Log(LogArea::Record, LogLevel::Warning,
            std::string("encoder ") + gst_plugin_feature_get_name(GST_PLUGIN_FEATURE(factory)) +
                " cannot be made");
        Tell(notices, kNoticeBindFailed);
    }
    return element;
}

}  // namespace

void CDeviceEnumerator::ListVideoCompressors(std::vector<std::string>& list, INoticeSink* notices) {
    std::vector<GstElementFactoryPtr> entries;
    if (!Usable(CompressorEntries(EncoderKind::Video, entries), notices, true))
        return;
    for (const GstElementFactoryPtr& f : entries)
        list.push_back(CEncoderCatalog::LongName(f.get()));
}

bool CDeviceEnumerator::ListAudioCompressors(std::vector<std::string>& list, INoticeSink* notices) {
    std::vector<GstElementFactoryPtr> entries;
    if (!Usable(CompressorEntries(EncoderKind::Audio, entries), notices, false))
        return false;
    list.emplace_back(kUncompressedAudioName);
    for (const GstElementFactoryPtr& f : entries)
        list.push_back(CEncoderCatalog::LongName(f.get()));
    return true;
}

bool CDeviceEnumerator::ListAudioDevices(std::vector<std::string>& list, INoticeSink* notices) {
    std::vector<GstDevicePtr> entries;
    if (!Usable(AudioDeviceEntries(entries), notices, false))
        return false;
    for (const GstDevicePtr& d : entries)
        list.push_back(CDeviceList::DisplayName(d.get()));
    return !entries.empty();
}

bool CDeviceEnumerator::ListVideoSources(std::vector<std::string>& list) {
    std::vector<GstDevicePtr> devices;
    if (CDeviceList::Find("Video/Source", devices) != ListStatus::Ok)
        return false;
    for (const GstDevicePtr& d : devices) {
        std::string name = CDeviceList::DisplayName(d.get());
        if (!name.empty())  // no name, no match for the camera search either
            list.push_back(std::move(name));
    }
    return true;
}

GstElementPtr CDeviceEnumerator::GetVideoCompressor(std::int32_t position, INoticeSink* notices) {
    std::vector<GstElementFactoryPtr> entries;
    if (!Usable(CompressorEntries(EncoderKind::Video, entries), notices, true))
        return {};
    GstElementFactoryPtr* entry = At(entries, position, "video compressor");
    return entry != nullptr ? Create(entry->get(), notices) : GstElementPtr();
}

AudioEncoderChoice CDeviceEnumerator::GetAudioCompressor(std::int32_t position,
                                                         INoticeSink* notices) {
    // Position 0 is the "PCM" entry, which no encoder stands behind.
    if (position == 0)
        return {true, {}};
    std::vector<GstElementFactoryPtr> entries;
    if (!Usable(CompressorEntries(EncoderKind::Audio, entries), notices, true))
        return {};
    GstElementFactoryPtr* entry = At(entries, position, "audio compressor", 1);
    if (entry == nullptr)
        return {};
    return {false, Create(entry->get(), notices)};
}

GstElementPtr CDeviceEnumerator::GetAudioDevice(std::int32_t position, INoticeSink* notices) {
    std::vector<GstDevicePtr> entries;
    if (!Usable(AudioDeviceEntries(entries), notices, false))
        return {};
    GstDevicePtr* entry = At(entries, position, "sound device");
    if (entry == nullptr)
        return {};
    GstElementPtr element = Adopt(gst_device_create_element(entry->get(), nullptr));
    if (!element) {
        Log(LogArea::Record, LogLevel::Warning,
            "sound device \"" + CDeviceList::DisplayName(entry->get()) + "\" cannot be made");
        Tell(notices, kNoticeBindFailed);
    }
    return element;
}

}  // namespace tavelin
