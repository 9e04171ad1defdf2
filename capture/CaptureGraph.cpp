#include "capture/CaptureGraph.h"

#include <string_view>
#include <thread>

#include "capture/ArmedWriter.h"
#include "capture/DeviceList.h"
#include "capture/FrameGate.h"
#include "capture/GrabberProbe.h"
#include "capture/GraphParts.h"
#include "capture/GstRuntime.h"
#include "capture/Pipeline.h"
#include "capture/RecordFile.h"
#include "capture/SoundCutter.h"
#include "core/CameraChoice.h"
#include "core/CodecNames.h"
#include "core/RecordFailure.h"
#include "core/SiblingFile.h"

namespace tavelin {

namespace {

// Starting a live pipeline takes a fraction of a second; these bound the cases
// where a device or an encoder never gets going.
constexpr std::chrono::milliseconds kStartLimit{5000};
// Finishing a recording: EOS through each branch, then straight into the muxer.
constexpr std::chrono::milliseconds kBranchEosLimit{3000};
constexpr std::chrono::milliseconds kMuxerEosLimit{2000};

std::string Quoted(const std::string& text) {
    return "\"" + text + "\"";
}

// The factory an element was made by ("x264enc"), for the log.
std::string FactoryName(GstElement* element) {
    GstElementFactory* factory = element != nullptr ? gst_element_get_factory(element) : nullptr;
    return factory != nullptr ? gst_plugin_feature_get_name(GST_PLUGIN_FEATURE(factory))
                              : std::string("?");
}

}  // namespace

CCaptureGraph::CCaptureGraph() = default;

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
    const std::string name = graphName();  // the teardown forgets what was built
    std::string detail = pipeline_ ? pipeline_->lastError() : std::string();
    const std::string debug = pipeline_ ? pipeline_->error().debug : std::string();
    std::string cause =
        pipeline_ && IsWriterError(pipeline_->error())
            ? WriterFailureText(pipeline_->error().noSpaceLeft, pipeline_->error().debug)
            : std::string();
    Teardown();
    lastError_ = why;
    if (!detail.empty())
        lastError_ += " (" + detail + ")";
    failureCause_ = std::move(cause);
    Log(area_, LogLevel::Warning, name + ": " + lastError_ + DebugSuffix(debug));
    return false;
}

bool CCaptureGraph::FailWithFile(const char* why, int error, std::string path) {
    Teardown();
    lastError_ = std::string(why) + " (" + SystemErrorText(error) + ")";
    failureCause_ = FileFailureText(error);
    Log(area_, LogLevel::Warning,
        std::string(graphName()) + ": " + lastError_ + ": " + Quoted(path));
    return false;
}

bool CCaptureGraph::IsWriterError(const PipelineError& error) const {
    return fileSink_ != nullptr && error.from == GST_OBJECT_CAST(fileSink_);
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
            Log(area_, LogLevel::Warning,
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
    for (GstElement* next : {decoder, convert, scale, bgr}) {
        if (next == nullptr)
            continue;
        if (!gst_element_link(last, next))
            return nullptr;
        last = next;
    }

    probe_ = std::make_unique<CGrabberProbe>(callback_);
    GstPadPtr frames = GetOutPin(bgr, 0);
    return probe_->Attach(frames.get()) ? bgr : nullptr;
}

bool CCaptureGraph::BuildPreviewGraph(int width, int height) {
    lastError_.clear();
    failureCause_.clear();
    if (hasGraph())
        Teardown();  // two graphs would fight over the camera
    area_ = LogArea::Capture;
    if (width <= 0 || height <= 0)
        return Fail("invalid frame size");
    if (!EnsureGstreamer())
        return Fail("GStreamer is not available");
    pipeline_ = std::make_unique<CPipeline>("preview", area_);
    if (!pipeline_->valid())
        return Fail("no pipeline");

    GstElement* bgr = BuildCameraBranch(width, height);
    if (bgr == nullptr)
        return Fail("no usable camera");
    GstElement* sink = pipeline_->Add(MakeElement("fakesink", "null-renderer"));
    if (sink == nullptr)
        return Fail("no fakesink");
    // Nothing is shown by the pipeline itself; no clock sync, no sample kept.
    g_object_set(sink, "sync", FALSE, "enable-last-sample", FALSE, nullptr);
    if (!gst_element_link(bgr, sink))
        return Fail("cannot link the preview");
    gate_ = std::make_unique<CFrameGate>(callback_);
    GstPadPtr cameraOut = GetOutPin(source_, 0);
    if (!gate_->Attach(cameraOut.get()))
        return Fail("cannot watch the camera");
    if (!pipeline_->Play(kStartLimit))
        return Fail("the preview did not start");
    gate_->Close();

    width_ = width;
    height_ = height;
    Log(area_, LogLevel::Info,
        "preview: " + Quoted(sourceName_) + " running at " + std::to_string(width) + "x" +
            std::to_string(height));
    return true;
}

bool CCaptureGraph::LinkToMuxer(GstElement* from, GstElement* mux, const char* padTemplate) {
    if (mux == nullptr) {
        const bool video = std::string_view(padTemplate).starts_with("video");
        return armedTap_ && armedTap_->AddSink(*pipeline_, from,
                                               video ? EncoderKind::Video : EncoderKind::Audio);
    }
    return LinkToRequestPad(from, mux, padTemplate);
}

bool CCaptureGraph::BuildVideoRecordBranch(GstElement* bgr, const RecordRequest& request,
                                           GstElement* mux) {
    GstElementPtr chosen = GetVideoCompressor(request.videoCompressorIndex, notices_);
    if (!chosen)
        return false;
    // The queue keeps encoding off the camera's thread; videorate repeats or drops
    // frames so the file's fixed frame rate keeps to real time.
    videoHead_ = pipeline_->Add(MakeElement("queue", "video-queue"));
    GstElement* rate = pipeline_->Add(MakeElement("videorate", "rate"));
    // The encoder is fed BGR whatever the grabber takes, so a YUY2 camera's file is
    // the file a BGR grabber gave (nothing to do here when the frames are BGR already).
    GstElement* toBgr = pipeline_->Add(MakeElement("videoconvert", "record-convert"));
    GstElement* bgrOnly = pipeline_->Add(MakeElement("capsfilter", "record-caps"));
    GstElement* convert = pipeline_->Add(MakeElement("videoconvert", "encoder-convert"));
    GstElement* encoder = pipeline_->Add(std::move(chosen));
    if (videoHead_ == nullptr || rate == nullptr || toBgr == nullptr || bgrOnly == nullptr ||
        convert == nullptr || encoder == nullptr) {
        return false;
    }
    g_object_set(bgrOnly, "caps", RawCaps("BGR", 0, 0).get(), nullptr);
    // The picture begins with the camera's first frame, as the sound does. Left to
    // itself, videorate repeats that frame back to the pipeline's start, so a camera
    // slow to deliver would put every later frame behind its sound.
    g_object_set(rate, "skip-to-first", TRUE, nullptr);
    Log(area_, LogLevel::Debug, "record: video encoder " + FactoryName(encoder));
    return LinkChain({bgr, videoHead_, rate, toBgr, bgrOnly, convert, encoder}) &&
           LinkToMuxer(encoder, mux, "video_%u");
}

void CCaptureGraph::BuildAudioBranch(const RecordRequest& request, GstElement* mux) {
    if (!request.audioEnabled)
        return;
    GstElement* device = pipeline_->Add(GetAudioDevice(request.audioDeviceIndex, notices_));
    if (device == nullptr) {
        Log(area_, LogLevel::Warning,
            "record: sound device " + std::to_string(request.audioDeviceIndex) +
                " cannot be used; the file stays silent");
        return;
    }
    GstElement* queue = pipeline_->Add(MakeElement("queue", "audio-queue"));
    GstElement* convert = pipeline_->Add(MakeElement("audioconvert", "audio-convert"));
    GstElement* resample = pipeline_->Add(MakeElement("audioresample", "audio-resample"));
    if (queue == nullptr || convert == nullptr || resample == nullptr ||
        !LinkChain({device, queue, convert, resample})) {
        Log(area_, LogLevel::Warning,
            "record: the sound from " + FactoryName(device) +
                " cannot be converted; the file stays silent");
        for (GstElement* e : {device, queue, convert, resample})
            pipeline_->Remove(e);
        return;
    }

    if (request.audioCompression) {
        AudioEncoderChoice choice = GetAudioCompressor(request.audioCompressorIndex, notices_);
        if (!choice.uncompressed) {
            GstElement* encoder = pipeline_->Add(std::move(choice.encoder));
            if (encoder != nullptr && gst_element_link(resample, encoder) &&
                LinkToMuxer(encoder, mux, "audio_%u")) {
                audioHead_ = queue;
                Log(area_, LogLevel::Debug, "record: sound encoder " + FactoryName(encoder));
                return;
            }
            // The chosen encoder cannot take this sound: record it uncompressed.
            Log(area_, LogLevel::Warning,
                "record: sound encoder " +
                    (encoder != nullptr ? FactoryName(encoder)
                                        : std::to_string(request.audioCompressorIndex)) +
                    " cannot be used; the sound goes in uncompressed");
            audioFailed_ = true;
            pipeline_->Remove(encoder);
        }
    }
    if (LinkToMuxer(resample, mux, "audio_%u")) {
        audioHead_ = queue;
    } else {
        Log(area_, LogLevel::Warning, "record: the muxer refuses the sound; the file stays silent");
        for (GstElement* e : {device, queue, convert, resample})
            pipeline_->Remove(e);
    }
}

bool CCaptureGraph::BuildRecordGraph(const RecordRequest& request) {
    lastError_.clear();
    failureCause_.clear();
    if (hasGraph())
        Teardown();
    area_ = LogArea::Record;
    if (request.width <= 0 || request.height <= 0)
        return Fail("invalid frame size");
    if (!EnsureGstreamer())
        return Fail("GStreamer is not available");
    recordFile_ = std::make_unique<CRecordFile>();
    if (!recordFile_->Create(request.path))
        return FailWithFile("the file cannot be created", recordFile_->errorNumber(), request.path);
    pipeline_ = std::make_unique<CPipeline>("record", area_);
    if (!pipeline_->valid())
        return Fail("no pipeline");

    GstElement* bgr = BuildCameraBranch(request.width, request.height);
    if (bgr == nullptr)
        return Fail("no usable camera");
    mux_ = pipeline_->Add(MakeElement("avimux", "mux"));
    // The file is written through the descriptor this program created, never reopened
    // by name; fdsink also does the seeks the muxer needs to finish the header.
    fileSink_ = pipeline_->Add(MakeElement("fdsink", "file-writer"));
    if (mux_ == nullptr || fileSink_ == nullptr)
        return Fail("no AVI writer");
    g_object_set(fileSink_, "fd", recordFile_->fd(), "enable-last-sample", FALSE, nullptr);
    if (!gst_element_link(mux_, fileSink_))
        return Fail("cannot link the AVI writer");

    if (!BuildVideoRecordBranch(bgr, request, mux_))
        return Fail("the video compressor cannot be used");
    BuildAudioBranch(request, mux_);
    if (audioHead_ != nullptr) {
        cutter_ = std::make_unique<CSoundCutter>();
        GstPadPtr pictureIn = GetInPin(videoHead_, 0);
        GstPadPtr soundOut = GetOutPin(audioHead_, 0);
        if (!cutter_->Attach(pictureIn.get(), soundOut.get()))
            cutter_.reset();  // the sound may then run a little past the picture
    }
    // The stream that rules the timing gives the clock. Left alone, the pipeline
    // takes the audio source's clock when it has one, which is what "audio" and
    // "none" want; "video" means the system clock the camera stamps its frames by.
    if (request.audioEnabled && request.masterStream == 2) {
        GstClockPtr system(gst_system_clock_obtain());
        gst_pipeline_use_clock(GST_PIPELINE(pipeline_->element()), system.get());
    }
    const auto deadline = std::chrono::steady_clock::now() + kStartLimit;
    if (!pipeline_->Play(kStartLimit))
        return Fail("the recording did not start");
    // Named only once data is on the disk: a writer that fails at once (a full disk)
    // or a source that never delivers leaves no empty file behind.
    while (!recordFile_->HasData()) {
        if (pipeline_->DrainBus())
            return Fail("the recording stopped as it started");
        if (std::chrono::steady_clock::now() >= deadline) {
            pipeline_->SetFailure("no data reached the file");
            return Fail("the recording did not start");
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    if (pipeline_->DrainBus())
        return Fail("the recording stopped as it started");
    if (!recordFile_->Commit(request.replaceExisting, request.names))
        return FailWithFile("the file cannot be given its name", recordFile_->errorNumber(),
                            recordFile_->path());

    recording_ = true;
    width_ = request.width;
    height_ = request.height;
    Log(area_, LogLevel::Info,
        "record: " + Quoted(sourceName_) + " at " + std::to_string(width_) + "x" +
            std::to_string(height_) + " into " + Quoted(recordFile_->path()) +
            (audioHead_ != nullptr ? " with sound" : " without sound"));
    return true;
}

void CCaptureGraph::Teardown() {
    // A file on motion is finished while the camera still runs.
    if (armedWriter_)
        FinishArmedFile();
    // The sound must not wait for a picture any more: it ends where the picture ends.
    if (cutter_)
        cutter_->Cut();
    if (pipeline_) {
        if (recording_) {
            // After a write error nothing flows through the branches any more: the
            // muxer is told to finish straight away, with whatever it can still write.
            const auto branchLimit =
                writerFailed_ ? std::chrono::milliseconds::zero() : kBranchEosLimit;
            pipeline_->FinishStream({videoHead_, audioHead_}, mux_, {mux_, fileSink_}, branchLimit,
                                    kMuxerEosLimit);
        }
        pipeline_->Stop();
        pipeline_.reset();
        if (recording_ && recordFile_)
            recordFile_->Flush();
    }
    // The streaming threads are gone: the probes and the buffer can go too.
    gate_.reset();
    probe_.reset();
    cutter_.reset();
    armedTap_.reset();
    recordFile_.reset();
    callback_.Release();
    source_ = nullptr;
    sourceName_.clear();
    videoHead_ = nullptr;
    audioHead_ = nullptr;
    mux_ = nullptr;
    fileSink_ = nullptr;
    sourceNodePath_.clear();
    width_ = 0;
    height_ = 0;
    deviceLost_ = false;
    cameraStopped_ = false;
    audioFailed_ = false;
    recording_ = false;
    writerFailed_ = false;
    failureCause_.clear();
}

bool CCaptureGraph::WaitForNewFrame() {
    const bool wasLost = deviceLost_;
    const bool gaveUp = callback_.WaitForFrame(kFrameWaitLimit);
    if (gaveUp) {
        if (!wasLost)
            cameraStopped_ = true;
        deviceLost_ = true;
        if (!wasLost && pipeline_) {
            Log(area_, LogLevel::Warning,
                std::string(graphName()) + ": no frame within " +
                    std::to_string(kFrameWaitLimit.count()) + " ms; the camera counts as lost");
        }
    }
    CheckArmedFile();
    // Nothing may pile up on the bus over a long run. While recording, an error
    // anywhere (the disk full, a drive removed, an encoder giving up) ends the
    // recording now rather than when the frames dry up; likewise while armed.
    if (pipeline_ && pipeline_->DrainBus() && ((recording_ && failureCause_.empty()) || armed())) {
        deviceLost_ = true;
        const PipelineError& error = pipeline_->error();
        lastError_ = error.text;
        if (IsWriterError(error)) {
            writerFailed_ = true;
            failureCause_ = WriterFailureText(error.noSpaceLeft, error.debug);
        }
        // An error explains the silence that follows it: the camera's own, or another's.
        if (!wasLost)
            cameraStopped_ = error.from == GST_OBJECT_CAST(source_);
        if (!wasLost) {
            Log(area_, LogLevel::Warning,
                std::string(graphName()) + ": the recording ends: " + lastError_ +
                    DebugSuffix(error.debug));
        }
    }
    return gaveUp;
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
