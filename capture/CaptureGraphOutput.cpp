// CCaptureGraph's encoding output, linked to and unlinked from the running camera, the
// files written from it, and the news of both.

#include <algorithm>

#include "capture/CaptureGraphOutput.h"
#include "capture/FrameGate.h"
#include "capture/FrameTaps.h"
#include "capture/GraphParts.h"
#include "capture/Pipeline.h"
#include "capture/ThreadAnnotations.h"
#include "core/RecordFailure.h"
#include "core/SiblingFile.h"

namespace tavelin {

namespace {

std::string Quoted(const std::string& text) {
    return "\"" + text + "\"";
}

// The factory an element was made by ("x264enc"), for the log.
std::string FactoryName(GstElement* element) {
    GstElementFactory* factory = element != nullptr ? gst_element_get_factory(element) : nullptr;
    return factory != nullptr ? gst_plugin_feature_get_name(GST_PLUGIN_FEATURE(factory))
                              : std::string("?");
}

// Puts the element into the bin, which then holds it; returns it for linking.
GstElement* AddTo(GstElement* bin, GstElementPtr element) {
    if (!element || !gst_bin_add(GST_BIN(bin), element.get()))
        return nullptr;
    return element.get();
}

void RemoveFrom(GstElement* bin, std::initializer_list<GstElement*> elements) {
    for (GstElement* element : elements) {
        if (element != nullptr)
            gst_bin_remove(GST_BIN(bin), element);
    }
}

GstClockTime Window(int secondsBefore) {
    return GST_SECOND * static_cast<GstClockTime>(
                            std::clamp(secondsBefore, 0, CCaptureGraph::kMostSecondsBefore));
}

// Where the file's first picture was taken, from the start's call: a hand recording's
// delay, or how far back the seconds before reach.
std::string FirstPictureText(GstClockTime first, GstClockTime started) {
    if (!GST_CLOCK_TIME_IS_VALID(first) || !GST_CLOCK_TIME_IS_VALID(started))
        return {};
    const auto ms = [](GstClockTime t) { return std::to_string(t / GST_MSECOND) + " ms"; };
    return first >= started ? ", its first picture " + ms(first - started) + " after the start"
                            : ", its first picture " + ms(started - first) + " before the start";
}

GstPadProbeReturn DropAfterFailure(GstPad*, GstPadProbeInfo*, gpointer data) {
    MarkAcquired(data);
    const auto* failed = static_cast<const std::atomic<bool>*>(data);
    const bool drop = failed->load(std::memory_order_acquire);
    MarkReleased(data);
    return drop ? GST_PAD_PROBE_DROP : GST_PAD_PROBE_OK;
}

}  // namespace

// ---- the output ----

bool CCaptureGraph::BuildVideoBranch(Output& output, const RecordRequest& request) {
    GstElementPtr chosen = GetVideoCompressor(request.videoCompressorIndex, notices_);
    if (!chosen)
        return false;
    GstElement* bin = output.bin.get();
    // The queue keeps encoding off the camera's thread; videorate repeats or drops
    // frames so the file's fixed frame rate keeps to real time.
    GstElement* queue = AddTo(bin, MakeElement("queue", "video-queue"));
    GstElement* rate = AddTo(bin, MakeElement("videorate", "rate"));
    // The encoder is fed BGR whatever the grabber takes, so a YUY2 camera's file is
    // the file a BGR grabber gave (nothing to do here when the frames are BGR already).
    GstElement* toBgr = AddTo(bin, MakeElement("videoconvert", "record-convert"));
    GstElement* bgrOnly = AddTo(bin, MakeElement("capsfilter", "record-caps"));
    GstElement* convert = AddTo(bin, MakeElement("videoconvert", "encoder-convert"));
    GstElement* encoder = AddTo(bin, std::move(chosen));
    if (queue == nullptr || rate == nullptr || toBgr == nullptr || bgrOnly == nullptr ||
        convert == nullptr || encoder == nullptr) {
        return false;
    }
    g_object_set(bgrOnly, "caps", RawCaps("BGR", 0, 0).get(), nullptr);
    // The picture begins with the first frame the output sees. Left to itself,
    // videorate repeats that frame back to the segment's start, long before the output
    // was linked.
    g_object_set(rate, "skip-to-first", TRUE, nullptr);
    if (!LinkChain({queue, rate, toBgr, bgrOnly, convert, encoder}) ||
        !output.tap->AddSink(GST_BIN(bin), encoder, EncoderKind::Video)) {
        return false;
    }
    GstPadPtr input = GetInPin(queue, 0);
    GstPad* ghost = gst_ghost_pad_new("frames", input.get());
    if (ghost == nullptr || !gst_element_add_pad(bin, ghost))
        return false;
    output.binInput = Share(ghost);
    Log(LogArea::Record, LogLevel::Debug, "output: video encoder " + FactoryName(encoder));
    return true;
}

void CCaptureGraph::BuildAudioBranch(Output& output, const RecordRequest& request) {
    if (!request.audioEnabled)
        return;
    GstElement* bin = output.bin.get();
    GstElement* device = AddTo(bin, GetAudioDevice(request.audioDeviceIndex, notices_));
    if (device == nullptr) {
        Log(LogArea::Record, LogLevel::Warning,
            "output: sound device " + std::to_string(request.audioDeviceIndex) +
                " cannot be used; the files stay silent");
        return;
    }
    GstElement* queue = AddTo(bin, MakeElement("queue", "audio-queue"));
    GstElement* convert = AddTo(bin, MakeElement("audioconvert", "audio-convert"));
    GstElement* resample = AddTo(bin, MakeElement("audioresample", "audio-resample"));
    if (queue == nullptr || convert == nullptr || resample == nullptr ||
        !LinkChain({device, queue, convert, resample})) {
        Log(LogArea::Record, LogLevel::Warning,
            "output: the sound from " + FactoryName(device) +
                " cannot be converted; the files stay silent");
        RemoveFrom(bin, {device, queue, convert, resample});
        return;
    }

    if (request.audioCompression) {
        AudioEncoderChoice choice = GetAudioCompressor(request.audioCompressorIndex, notices_);
        if (!choice.uncompressed) {
            GstElement* encoder = AddTo(bin, std::move(choice.encoder));
            if (encoder != nullptr && gst_element_link(resample, encoder) &&
                output.tap->AddSink(GST_BIN(bin), encoder, EncoderKind::Audio)) {
                output.withSound = true;
                Log(LogArea::Record, LogLevel::Debug,
                    "output: sound encoder " + FactoryName(encoder));
                return;
            }
            // The chosen encoder cannot take this sound: record it uncompressed.
            Log(LogArea::Record, LogLevel::Warning,
                "output: sound encoder " +
                    (encoder != nullptr ? FactoryName(encoder)
                                        : std::to_string(request.audioCompressorIndex)) +
                    " cannot be used; the sound goes in uncompressed");
            audioFailed_ = true;
            RemoveFrom(bin, {encoder});
        }
    }
    if (output.tap->AddSink(GST_BIN(bin), resample, EncoderKind::Audio)) {
        output.withSound = true;
    } else {
        Log(LogArea::Record, LogLevel::Warning,
            "output: the muxer refuses the sound; the files stay silent");
        RemoveFrom(bin, {device, queue, convert, resample});
    }
}

bool CCaptureGraph::AttachEncoder(const RecordRequest& request, int secondsBefore) {
    lastError_.clear();
    failureCause_.clear();
    RemoveUnlinked(false);
    if (!pipeline_ || tee_ == nullptr) {
        lastError_ = "no camera graph";
        Log(LogArea::Record, LogLevel::Warning, "output: not linked: " + lastError_);
        return false;
    }
    if (output_ && EncodesAlike(output_->request, request)) {
        output_->tap->SetWindow(Window(secondsBefore));
        return true;
    }
    DetachEncoder();

    auto output = std::make_unique<Output>();
    output->graph = this;
    output->request = request;
    output->tap = std::make_unique<CArmedTap>(Window(secondsBefore));
    output->bin = Adopt(gst_bin_new("output"));
    const auto failed = [&](const char* why) {
        lastError_ = why;
        Log(LogArea::Record, LogLevel::Warning, "output: " + lastError_);
        return false;
    };
    if (!output->bin || !BuildVideoBranch(*output, request))
        return failed("the video compressor cannot be used");
    BuildAudioBranch(*output, request);

    GstElement* bin = output->bin.get();
    if (!gst_bin_add(GST_BIN(pipeline_->element()), bin))
        return failed("the output cannot be added");
    // Playing before it is linked: a pad not yet active would refuse the tee's frames
    // and stop the camera.
    if (!gst_element_sync_state_with_parent(bin)) {
        gst_element_set_state(bin, GST_STATE_NULL);
        gst_bin_remove(GST_BIN(pipeline_->element()), bin);
        return failed("the output did not start");
    }
    output->teePad.reset(gst_element_request_pad_simple(tee_, "src_%u"));
    if (output->teePad) {
        MarkReleased(&output->failed);  // the camera's thread reads the output from now on
        output->dropProbe =
            gst_pad_add_probe(output->teePad.get(),
                              static_cast<GstPadProbeType>(GST_PAD_PROBE_TYPE_BUFFER |
                                                           GST_PAD_PROBE_TYPE_BUFFER_LIST),
                              &DropAfterFailure, &output->failed, nullptr);
    }
    if (!output->teePad ||
        gst_pad_link(output->teePad.get(), output->binInput.get()) != GST_PAD_LINK_OK) {
        if (output->teePad)
            gst_element_release_request_pad(tee_, output->teePad.get());
        gst_element_set_state(bin, GST_STATE_NULL);
        gst_bin_remove(GST_BIN(pipeline_->element()), bin);
        return failed("the output cannot be linked to the camera");
    }
    // Every frame goes on to the encoder now, not only the requested ones.
    gate_->Open();
    {
        std::lock_guard guard(watchLock_);
        watched_ = output.get();
    }
    Log(LogArea::Record, LogLevel::Info,
        "output: linked to " + Quoted(sourceName_) + ", keeping " +
            std::to_string(std::clamp(secondsBefore, 0, kMostSecondsBefore)) + " s" +
            (output->withSound ? " with sound" : " without sound"));
    output_ = std::move(output);
    return true;
}

void CCaptureGraph::DetachEncoder() {
    if (!output_)
        return;
    FinishFile();
    Unlink(std::move(output_));
    RemoveUnlinked(false);
}

void CCaptureGraph::Unlink(std::unique_ptr<Output> output) {
    {
        std::lock_guard guard(watchLock_);
        if (watched_ == output.get())
            watched_ = nullptr;
    }
    output->tap->StopFile();
    UpdateGate();  // the output has left output_ already
    Output* raw = output.get();
    unlinked_.push_back(std::move(output));
    if (!raw->teePad) {
        raw->unlinked = true;
        return;
    }
    // The tee's pad is unlinked between two frames: at once when it is idle, else on
    // the camera's thread as the frame under way has gone through.
    const auto unlink = [](GstPad* pad, GstPadProbeInfo*, gpointer data) {
        auto* output = static_cast<Output*>(data);
        MarkAcquired(&output->failed);
        gst_pad_unlink(pad, output->binInput.get());
        MarkReleased(&output->failed);
        output->unlinked.store(true, std::memory_order_release);
        output->graph->Wake();
        return GST_PAD_PROBE_REMOVE;
    };
    MarkReleased(&raw->failed);
    gst_pad_add_probe(raw->teePad.get(), GST_PAD_PROBE_TYPE_IDLE, unlink, raw, nullptr);
}

void CCaptureGraph::RemoveUnlinked(bool all) {
    for (auto it = unlinked_.begin(); it != unlinked_.end();) {
        Output& output = **it;
        if (!all && !output.unlinked.load(std::memory_order_acquire)) {
            ++it;
            continue;
        }
        if (output.teePad) {
            if (output.dropProbe != 0)
                gst_pad_remove_probe(output.teePad.get(), output.dropProbe);
            if (tee_ != nullptr && pipeline_)
                gst_element_release_request_pad(tee_, output.teePad.get());
        }
        // To NULL joins the output's streaming threads: the tap can go after it.
        gst_element_set_state(output.bin.get(), GST_STATE_NULL);
        if (pipeline_)
            gst_bin_remove(GST_BIN(pipeline_->element()), output.bin.get());
        MarkAcquired(&output.failed);  // the probes are done with it
        it = unlinked_.erase(it);
    }
    taps_->RemoveUnlinked(all, pipeline_ ? pipeline_->element() : nullptr,
                          pipeline_ ? tee_ : nullptr);
}

RingFigures CCaptureGraph::ringFigures() const {
    return output_ ? output_->tap->figures() : RingFigures();
}

bool CCaptureGraph::IsCameraElement(GstObject* object) const {
    if (pipeline_ && object == GST_OBJECT_CAST(pipeline_->element()))
        return true;
    // A camera may be a bin of its own: its children's errors are the camera's.
    return std::any_of(cameraElements_.begin(), cameraElements_.end(), [&](GstElement* element) {
        return object == GST_OBJECT_CAST(element) ||
               gst_object_has_as_ancestor(object, GST_OBJECT_CAST(element));
    });
}

void CCaptureGraph::OnCameraMessage(GstMessage* message) {
    const GstMessageType type = GST_MESSAGE_TYPE(message);
    if (type == GST_MESSAGE_ERROR) {
        std::lock_guard guard(watchLock_);
        if (watched_ != nullptr &&
            gst_object_has_as_ancestor(GST_MESSAGE_SRC(message), GST_OBJECT(watched_->bin.get())))
            watched_->failed.store(true, std::memory_order_release);
    }
    if (type == GST_MESSAGE_ERROR || type == GST_MESSAGE_EOS)
        Wake();
}

// ---- files ----

bool CCaptureGraph::StartFile(const std::string& path, bool replaceExisting, IRecordingNames* names,
                              bool fromRing) {
    lastError_.clear();
    failureCause_.clear();
    if (!output_ || file_) {
        lastError_ = output_ ? "a file is being written already" : "no encoding output";
        Log(LogArea::Record, LogLevel::Warning, "record: no file started: " + lastError_);
        return false;
    }
    auto run = std::make_unique<FileRun>();
    run->writer = std::make_unique<CArmedWriter>();
    CArmedWriter& writer = *run->writer;
    if (!writer.Create(path)) {
        lastError_ = "the file cannot be created (" + SystemErrorText(writer.errorNumber()) + ")";
        failureCause_ = FileFailureText(writer.errorNumber());
        Log(LogArea::Record, LogLevel::Warning, "record: " + lastError_ + ": " + Quoted(path));
        return false;
    }
    if (!writer.Open(output_->withSound, [this] { Wake(); })) {
        lastError_ = "the file writer cannot be made (" + writer.error().text + ")";
        Log(LogArea::Record, LogLevel::Warning,
            "record: " + lastError_ + ": " + Quoted(path) + DebugSuffix(writer.error().debug));
        return false;
    }
    run->asked = path;
    run->replace = replaceExisting;
    run->names = names;
    run->startDeadline = FileRun::Clock::now() + kFileStartLimit;
    if (GstClockPtr clock{gst_element_get_clock(pipeline_->element())}) {
        run->startedAt =
            gst_clock_get_time(clock.get()) - gst_element_get_base_time(pipeline_->element());
    }
    output_->tap->StartFile(writer, fromRing);
    file_ = std::move(run);
    return true;
}

void CCaptureGraph::FinishFile() {
    if (!file_ || file_->finishing)
        return;
    if (output_)
        output_->tap->StopFile();
    file_->finishing = true;
    file_->finishDeadline = FileRun::Clock::now() + kStreamEosLimit;
}

void CCaptureGraph::FailFile(std::vector<GraphNews>& news, const std::string& why,
                             const std::string& cause) {
    CArmedWriter& writer = *file_->writer;
    if (output_)
        output_->tap->StopFile();
    writer.Stop();
    GraphNews failed;
    failed.kind = GraphNews::Kind::FileFailed;
    failed.path = writer.named() ? writer.path() : std::string();
    failed.cause = cause;
    failed.frames = writer.picturesWritten();
    failed.seconds = writer.secondsWritten();
    news.push_back(std::move(failed));
    lastError_ = why;
    failureCause_ = cause;
    Log(LogArea::Record, LogLevel::Warning,
        "record: the recording failed: " + why + ": " +
            Quoted(writer.named() ? writer.path() : file_->asked) +
            DebugSuffix(writer.error().debug));
    file_.reset();  // a file never named goes with its writer
}

void CCaptureGraph::CheckFile(std::vector<GraphNews>& news) {
    if (!file_)
        return;
    CArmedWriter& writer = *file_->writer;
    const auto now = FileRun::Clock::now();
    if (writer.DrainBus()) {
        const PipelineError& error = writer.error();
        FailFile(news, error.text,
                 writer.IsWriterError(error) ? WriterFailureText(error.noSpaceLeft, error.debug)
                                             : std::string());
        return;
    }
    if (!writer.named()) {
        if (writer.HasData()) {
            // Named only once data is on the disk: a writer that fails at once (a full
            // disk) or a camera that never delivers leaves no empty file behind.
            if (!writer.Commit(file_->replace, file_->names)) {
                FailFile(news,
                         "the file cannot be given its name (" +
                             SystemErrorText(writer.errorNumber()) + ")",
                         FileFailureText(writer.errorNumber()));
                return;
            }
            news.push_back({GraphNews::Kind::FileStarted, writer.path(), {}, 0, 0.0});
            Log(LogArea::Record, LogLevel::Info,
                "record: writing " + Quoted(writer.path()) +
                    FirstPictureText(writer.firstPicture(), file_->startedAt));
        } else if (writer.endOfStream() || now >= file_->startDeadline) {
            FailFile(news, "no data reached the file", {});
            return;
        }
    }
    if (!file_->finishing)
        return;
    if (writer.endOfStream()) {
        writer.Stop();
        GraphNews done;
        done.kind = GraphNews::Kind::FileFinished;
        done.path = writer.path();
        done.frames = writer.picturesWritten();
        done.seconds = writer.secondsWritten();
        Log(LogArea::Record, LogLevel::Info,
            "record: " + Quoted(done.path) + " finished, " + std::to_string(done.frames) +
                " pictures");
        news.push_back(std::move(done));
        file_.reset();
    } else if (now >= file_->finishDeadline) {
        if (file_->muxerEnded) {
            FailFile(news, "the file could not be finished", {});
            return;
        }
        // Something on the way to the muxer is stuck: end the muxer's inputs themselves,
        // so the file still gets its index.
        writer.EndMuxerInputs();
        file_->muxerEnded = true;
        file_->finishDeadline = now + kMuxerEosLimit;
    }
}

void CCaptureGraph::FinishFileNow() {
    if (!file_)
        return;
    FinishFile();
    CArmedWriter& writer = *file_->writer;
    const bool indexed = writer.Finish(false);
    if (!writer.named() && writer.HasData() && writer.Commit(file_->replace, file_->names))
        news_.push_back({GraphNews::Kind::FileStarted, writer.path(), {}, 0, 0.0});
    if (indexed && writer.named()) {
        news_.push_back({GraphNews::Kind::FileFinished,
                         writer.path(),
                         {},
                         writer.picturesWritten(),
                         writer.secondsWritten()});
        Log(LogArea::Record, LogLevel::Info,
            "record: " + Quoted(writer.path()) + " finished, " +
                std::to_string(writer.picturesWritten()) + " pictures");
    } else {
        FailFile(news_, "the file could not be finished", {});
    }
    file_.reset();
}

// ---- news ----

void CCaptureGraph::TakeCameraMessages(std::vector<GraphNews>& news) {
    if (!pipeline_)
        return;
    while (GstMessagePtr message = pipeline_->Pop()) {
        if (GST_MESSAGE_TYPE(message.get()) != GST_MESSAGE_ERROR)
            continue;
        const PipelineError error = ErrorOf(message.get());
        GstObject* from = GST_MESSAGE_SRC(message.get());
        if (IsCameraElement(from)) {
            // An error explains the silence that follows it: the camera's own, or another's.
            if (!deviceLost_) {
                cameraStopped_ = from == GST_OBJECT_CAST(source_) ||
                                 gst_object_has_as_ancestor(from, GST_OBJECT_CAST(source_));
                lastError_ = error.text;
                Log(LogArea::Capture, LogLevel::Warning,
                    "preview: the camera branch failed: " + error.text + DebugSuffix(error.debug));
            }
            deviceLost_ = true;
        } else if (taps_->TakeError(message.get())) {
            UpdateGate();  // that tap only: the camera and the output go on
        } else if (output_ && (output_->failed.load() ||
                               gst_object_has_as_ancestor(GST_MESSAGE_SRC(message.get()),
                                                          GST_OBJECT(output_->bin.get())))) {
            lastError_ = error.text;
            Log(LogArea::Record, LogLevel::Warning,
                "output: unlinked after an error: " + error.text + DebugSuffix(error.debug));
            // A file it wrote gets what it had, and its index.
            FinishFile();
            Unlink(std::move(output_));
            news.push_back({GraphNews::Kind::OutputFailed, {}, {}, 0, 0.0});
        }
        // Anything else is the echo of an output already unlinked.
    }
    taps_->TakeFailures();
    UpdateGate();
    RemoveUnlinked(false);
}

std::vector<GraphNews> CCaptureGraph::TakeNews() {
    std::vector<GraphNews> news = std::move(news_);
    news_.clear();
    TakeCameraMessages(news);
    CheckFile(news);
    return news;
}

}  // namespace tavelin
