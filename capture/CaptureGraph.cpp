#include "capture/CaptureGraph.h"

#include <algorithm>

#include "capture/ArmedWriter.h"
#include "capture/CaptureGraphOutput.h"
#include "capture/DeviceList.h"
#include "capture/FrameGate.h"
#include "capture/FrameTaps.h"
#include "capture/GrabberProbe.h"
#include "capture/GraphParts.h"
#include "capture/GstRuntime.h"
#include "capture/Pipeline.h"
#include "core/CameraChoice.h"

namespace tavelin {

namespace {

// Starting a live pipeline takes a fraction of a second; this bounds the cases where
// a camera never gets going.
constexpr std::chrono::milliseconds kStartLimit{5000};

std::string Quoted(const std::string& text) {
    return "\"" + text + "\"";
}

bool SameWish(const CameraWish& a, const CameraWish& b) {
    return a.pattern == b.pattern && a.storedName == b.storedName;
}

}  // namespace

CCaptureGraph::CCaptureGraph() : taps_(std::make_unique<CFrameTaps>([this] { Wake(); })) {}

void CCaptureGraph::SetWake(std::function<void()> wake) {
    std::lock_guard guard(watchLock_);
    wake_ = std::move(wake);
}

void CCaptureGraph::Wake() {
    std::lock_guard guard(watchLock_);
    if (wake_)
        wake_();
}

CCaptureGraph::~CCaptureGraph() {
    Teardown();
}

CCaptureGraph::CaptureDevice CCaptureGraph::FindCaptureDevice(const CameraWish& wish) {
    std::vector<GstDevicePtr> all;
    if (CDeviceList::Find("Video/Source", all) != ListStatus::Ok)
        return {};  // the list said why
    // A source without a name can be neither listed nor asked for.
    std::vector<GstDevicePtr> devices;
    std::vector<std::string> names;
    for (GstDevicePtr& device : all) {
        std::string name = CDeviceList::DisplayName(device.get());
        if (name.empty())
            continue;
        names.push_back(std::move(name));
        devices.push_back(std::move(device));
    }
    const CameraChoice choice = ChooseCamera(names, wish);
    if (choice.index < 0) {
        std::string seen;
        for (const std::string& name : names)
            seen += (seen.empty() ? "" : ", ") + Quoted(name);
        Log(LogArea::Capture, LogLevel::Warning,
            names.empty() ? std::string("no camera: there is no video source")
                          : "no camera: no video source has " + Quoted(wish.pattern) +
                                " in its name (seen: " + seen + ")");
        return {};
    }
    // The chosen camera, usable or not: no other is tried in its place.
    GstDevice* device = devices[static_cast<std::size_t>(choice.index)].get();
    CaptureDevice found;
    found.name = names[static_cast<std::size_t>(choice.index)];
    found.reason = choice.reason;
    found.element = Adopt(gst_device_create_element(device, "capture-source"));
    if (!found.element) {
        Log(LogArea::Capture, LogLevel::Warning,
            "camera " + Quoted(found.name) + ": GStreamer cannot make an element for it");
        return {};
    }
    found.nodePath = CDeviceList::NodePath(device);
    Log(LogArea::Capture, LogLevel::Debug,
        "camera " + Quoted(found.name) + " found" +
            (found.nodePath.empty() ? std::string() : " at " + found.nodePath));
    return found;
}

bool CCaptureGraph::Fail(const char* why) {
    std::string detail = pipeline_ ? pipeline_->lastError() : std::string();
    const std::string debug = pipeline_ ? pipeline_->error().debug : std::string();
    Teardown();
    lastError_ = why;
    if (!detail.empty())
        lastError_ += " (" + detail + ")";
    Log(LogArea::Capture, LogLevel::Warning, "preview: " + lastError_ + DebugSuffix(debug));
    return false;
}

GstElement* CCaptureGraph::BuildCameraBranch(int width, int height) {
    CaptureDevice camera = FindCaptureDevice(cameraWish_);
    if (!camera.element)
        return nullptr;
    // Said once per camera: the user may not know which of several cameras this is.
    if (camera.reason == CameraChoice::Reason::First && camera.name != announcedCamera_) {
        Log(LogArea::Capture, LogLevel::Warning,
            "no video source has \"PC Camera\" in its name: using the first one, " +
                Quoted(camera.name) +
                " (another is chosen in the video settings or with --camera)");
    }
    announcedCamera_ = camera.name;
    sourceName_ = camera.name;
    sourceNodePath_ = camera.nodePath;
    source_ = pipeline_->Add(std::move(camera.element));
    // READY opens the device, so its caps are what it really offers.
    if (source_ == nullptr || !pipeline_->Ready())
        return nullptr;

    GstElement* decoder = nullptr;
    switch (ProbeCameraOutput(source_)) {
        case CameraOutput::Raw:
            break;
        case CameraOutput::Jpeg:
            decoder = pipeline_->Add(MakeElement("jpegdec", "decoder"));
            if (decoder == nullptr)
                return nullptr;
            break;
        case CameraOutput::Unsupported:
            Log(LogArea::Capture, LogLevel::Warning,
                "camera " + Quoted(sourceName_) + " offers neither raw video nor JPEG");
            return nullptr;
    }
    // A YUY2 camera's frames reach the grabber as they are, only scaled when the
    // camera cannot give the size: the grabber converts just the frames it takes.
    // Anything else is converted to BGR on the way.
    const bool ownFormat = decoder == nullptr && CameraOffersFormat(source_, "YUY2");
    GstElement* convert =
        ownFormat ? nullptr : pipeline_->Add(MakeElement("videoconvert", "convert"));
    GstElement* scale = pipeline_->Add(MakeElement("videoscale", "scale"));
    GstElement* bgr = pipeline_->Add(MakeElement("capsfilter", "grabber-caps"));
    if ((convert == nullptr && !ownFormat) || scale == nullptr || bgr == nullptr)
        return nullptr;
    GstCapsPtr caps = ownFormat ? RawCaps("YUY2", width, height) : BgrCaps(width, height);
    g_object_set(bgr, "caps", caps.get(), nullptr);
    GstElement* last = source_;
    cameraElements_ = {source_};
    for (GstElement* next : {decoder, convert, scale, bgr}) {
        if (next == nullptr)
            continue;
        if (!gst_element_link(last, next))
            return nullptr;
        last = next;
        cameraElements_.push_back(next);
    }

    probe_ = std::make_unique<CGrabberProbe>(callback_);
    GstPadPtr frames = GetOutPin(bgr, 0);
    return probe_->Attach(frames.get()) ? bgr : nullptr;
}

bool CCaptureGraph::BuildPreviewGraph(int width, int height) {
    if (hasGraph() && !deviceLost_ && width == width_ && height == height_ &&
        SameWish(builtWish_, cameraWish_)) {
        return true;
    }
    lastError_.clear();
    failureCause_.clear();
    if (hasGraph())
        Teardown();  // two graphs would fight over the camera
    if (width <= 0 || height <= 0)
        return Fail("invalid frame size");
    if (!EnsureGstreamer())
        return Fail("GStreamer is not available");
    pipeline_ = std::make_unique<CPipeline>("preview", LogArea::Capture);
    if (!pipeline_->valid())
        return Fail("no pipeline");
    // One clock for good: a microphone linked later would otherwise offer its own, and
    // the camera's times must not jump when the output comes or goes.
    GstClockPtr system(gst_system_clock_obtain());
    gst_pipeline_use_clock(GST_PIPELINE(pipeline_->element()), system.get());
    pipeline_->WatchMessages([this](GstMessage* message) { OnCameraMessage(message); });

    ++cameraBuilds_;
    GstElement* bgr = BuildCameraBranch(width, height);
    if (bgr == nullptr)
        return Fail("no usable camera");
    // The tee lets the output come and go; a pad of it left unlinked for a moment is
    // no error.
    tee_ = pipeline_->Add(MakeElement("tee", "split"));
    GstElement* sink = pipeline_->Add(MakeElement("fakesink", "null-renderer"));
    if (tee_ == nullptr || sink == nullptr)
        return Fail("no fakesink");
    g_object_set(tee_, "allow-not-linked", TRUE, nullptr);
    // Nothing is shown by the pipeline itself; no clock sync, no sample kept.
    g_object_set(sink, "sync", FALSE, "enable-last-sample", FALSE, nullptr);
    if (!LinkChain({bgr, tee_, sink}))
        return Fail("cannot link the preview");
    cameraElements_.push_back(tee_);
    cameraElements_.push_back(sink);
    gate_ = std::make_unique<CFrameGate>(callback_);
    GstPadPtr cameraOut = GetOutPin(source_, 0);
    if (!gate_->Attach(cameraOut.get()))
        return Fail("cannot watch the camera");
    if (!pipeline_->Play(kStartLimit))
        return Fail("the preview did not start");
    taps_->LinkAll(pipeline_->element(), tee_);
    UpdateGate();

    builtWish_ = cameraWish_;
    width_ = width;
    height_ = height;
    Log(LogArea::Capture, LogLevel::Info,
        "preview: " + Quoted(sourceName_) + " running at " + std::to_string(width) + "x" +
            std::to_string(height));
    RequestNewFrame();
    return true;
}

void CCaptureGraph::Teardown() {
    // A file is finished while the camera still runs, so it gets its index.
    FinishFileNow();
    if (output_)
        Unlink(std::move(output_));
    taps_->UnlinkAll();
    if (pipeline_) {
        pipeline_->Stop();
        pipeline_.reset();
    }
    // The streaming threads are gone: the outputs, probes and the buffer can go too.
    RemoveUnlinked(true);
    gate_.reset();
    probe_.reset();
    callback_.Release();
    cameraElements_.clear();
    source_ = nullptr;
    tee_ = nullptr;
    sourceName_.clear();
    sourceNodePath_.clear();
    width_ = 0;
    height_ = 0;
    requestPending_ = false;
    deviceLost_ = false;
    cameraStopped_ = false;
    audioFailed_ = false;
    failureCause_.clear();
}

int CCaptureGraph::AddFrameTap(const std::string& chain, FrameTapFn deliver) {
    if (!EnsureGstreamer()) {
        Log(LogArea::Capture, LogLevel::Warning, "frame tap: GStreamer is not available");
        return 0;
    }
    const int id = taps_->Add(chain, std::move(deliver));
    if (id != 0 && pipeline_ && tee_ != nullptr && !deviceLost_) {
        taps_->LinkAll(pipeline_->element(), tee_);
        UpdateGate();
    }
    return id;
}

void CCaptureGraph::RemoveFrameTap(int id) {
    taps_->Remove(id);
    UpdateGate();
    RemoveUnlinked(false);
}

int CCaptureGraph::linkedFrameTaps() const {
    return taps_->linked();
}

void CCaptureGraph::UpdateGate() {
    if (!gate_)
        return;
    if (output_ || taps_->linked() > 0) {
        gate_->Open();
    } else {
        gate_->Close();
    }
}

void CCaptureGraph::RequestNewFrame() {
    if (!pipeline_)
        return;
    callback_.Request();
    requestPending_ = true;
    requestedAt_ = std::chrono::steady_clock::now();
}

bool CCaptureGraph::TakeNewFrame() {
    if (!requestPending_)
        return false;
    if (!callback_.frameRequested()) {
        requestPending_ = false;
        return true;
    }
    if (std::chrono::steady_clock::now() - requestedAt_ < kFrameWaitLimit)
        return false;
    requestPending_ = false;
    if (!callback_.Withdraw())
        return true;  // it came just now
    if (!deviceLost_) {
        cameraStopped_ = true;
        Log(LogArea::Capture, LogLevel::Warning,
            "preview: no frame within " + std::to_string(kFrameWaitLimit.count()) +
                " ms; the camera counts as lost");
    }
    deviceLost_ = true;
    return false;
}

bool CCaptureGraph::WaitForNewFrame() {
    RequestNewFrame();
    while (requestPending_) {
        if (TakeNewFrame())
            return false;
        if (requestPending_)
            callback_.AwaitCopy(requestedAt_ + kFrameWaitLimit);
    }
    return true;
}

std::vector<CameraControl> CCaptureGraph::ListSourceControls() const {
    if (!pipeline_ || sourceNodePath_.empty())
        return {};
    return CCameraControls::List(sourceNodePath_);
}

bool CCaptureGraph::SetSourceControl(std::uint32_t id, std::int32_t value) {
    if (!pipeline_ || sourceNodePath_.empty())
        return false;
    return CCameraControls::Set(sourceNodePath_, id, value);
}

}  // namespace tavelin
