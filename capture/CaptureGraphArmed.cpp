// CCaptureGraph's recording on motion: the armed graph, and the files written from it
// while the camera runs on.

#include <algorithm>

#include "capture/ArmedTap.h"
#include "capture/ArmedWriter.h"
#include "capture/CaptureGraph.h"
#include "capture/GstRuntime.h"
#include "capture/Pipeline.h"
#include "core/RecordFailure.h"
#include "core/SiblingFile.h"

namespace tavelin {

namespace {

// As for the other graphs: a start that takes longer has failed.
constexpr std::chrono::milliseconds kArmedStartLimit{5000};
// More seconds before than anyone asks for would only hold memory.
constexpr int kMostSecondsBefore = 60;

std::string Quoted(const std::string& text) {
    return "\"" + text + "\"";
}

}  // namespace

bool CCaptureGraph::BuildArmedGraph(const RecordRequest& request, int secondsBefore) {
    lastError_.clear();
    failureCause_.clear();
    if (hasGraph())
        Teardown();
    area_ = LogArea::Record;
    const int seconds = std::clamp(secondsBefore, 0, kMostSecondsBefore);
    armedTap_ = std::make_unique<CArmedTap>(GST_SECOND * static_cast<GstClockTime>(seconds));
    if (request.width <= 0 || request.height <= 0)
        return Fail("invalid frame size");
    if (!EnsureGstreamer())
        return Fail("GStreamer is not available");
    pipeline_ = std::make_unique<CPipeline>("armed", area_);
    if (!pipeline_->valid())
        return Fail("no pipeline");

    // The recording graph, with the ring where the muxer would be.
    GstElement* bgr = BuildCameraBranch(request.width, request.height);
    if (bgr == nullptr)
        return Fail("no usable camera");
    if (!BuildVideoRecordBranch(bgr, request, nullptr))
        return Fail("the video compressor cannot be used");
    BuildAudioBranch(request, nullptr);
    if (request.audioEnabled && request.masterStream == 2) {
        GstClockPtr system(gst_system_clock_obtain());
        gst_pipeline_use_clock(GST_PIPELINE(pipeline_->element()), system.get());
    }
    if (!pipeline_->Play(kArmedStartLimit))
        return Fail("the armed graph did not start");

    width_ = request.width;
    height_ = request.height;
    Log(area_, LogLevel::Info,
        "armed: " + Quoted(sourceName_) + " at " + std::to_string(width_) + "x" +
            std::to_string(height_) + ", keeping " + std::to_string(seconds) + " s" +
            (audioHead_ != nullptr ? " with sound" : " without sound"));
    return true;
}

bool CCaptureGraph::StartArmedFile(const std::string& path, bool replaceExisting,
                                   IRecordingNames* names) {
    lastError_.clear();
    failureCause_.clear();
    if (!armedTap_ || armedWriter_) {
        lastError_ = armedTap_ ? "a file is being written already" : "the graph is not armed";
        Log(area_, LogLevel::Warning, "armed: no file started: " + lastError_);
        return false;
    }
    const GstCapsPtr picture = armedTap_->caps(EncoderKind::Video);
    const GstCapsPtr sound = armedTap_->caps(EncoderKind::Audio);
    if (!picture) {
        lastError_ = "no picture has been encoded yet";
        Log(area_, LogLevel::Warning, "armed: no file started: " + lastError_);
        return false;
    }

    auto writer = std::make_unique<CArmedWriter>();
    // Whatever went wrong, the writer goes (its hidden file with it) and the armed graph
    // runs on.
    const auto failed = [&](const char* why) {
        armedTap_->StopFile();
        const PipelineError& error = writer->error();
        lastError_ = why;
        if (writer->errorNumber() != 0) {
            lastError_ += " (" + SystemErrorText(writer->errorNumber()) + ")";
            failureCause_ = FileFailureText(writer->errorNumber());
        } else if (!error.text.empty()) {
            lastError_ += " (" + error.text + ")";
            if (writer->IsWriterError(error))
                failureCause_ = WriterFailureText(error.noSpaceLeft, error.debug);
        }
        Log(area_, LogLevel::Warning,
            "armed: " + lastError_ + ": " + Quoted(path) + DebugSuffix(error.debug));
        return false;
    };
    if (!writer->Open(path, picture.get(), sound.get()))
        return failed(writer->errorNumber() != 0 ? "the file cannot be created"
                                                 : "the file writer cannot be made");
    armedTap_->StartFile(*writer);
    // Named only once data is on the disk, as a recording by hand.
    if (!writer->WaitForData(kArmedStartLimit))
        return failed("the file did not start");
    if (!writer->Commit(replaceExisting, names))
        return failed("the file cannot be given its name");

    armedWriter_ = std::move(writer);
    const RingFigures ring = armedTap_->figures();
    Log(area_, LogLevel::Info,
        "armed: writing " + Quoted(armedWriter_->path()) + ", starting " +
            std::to_string(ring.pictureSpan / GST_MSECOND) + " ms back (" +
            std::to_string(ring.pictures) + " pictures)" +
            (sound ? " with sound" : " without sound"));
    return true;
}

bool CCaptureGraph::FinishArmedFile() {
    if (!armedWriter_)
        return false;
    armedTap_->StopFile();
    const bool finished = armedWriter_->Finish(false);
    const std::size_t pictures = armedWriter_->picturesWritten();
    if (finished) {
        Log(area_, LogLevel::Info,
            "armed: file finished, " + std::to_string(pictures) + " pictures");
    } else {
        Log(area_, LogLevel::Warning,
            "armed: the file could not be finished: " + armedWriter_->error().text);
    }
    armedWriter_.reset();
    return finished;
}

void CCaptureGraph::CheckArmedFile() {
    if (!armedWriter_ || !armedWriter_->DrainBus())
        return;
    const PipelineError& error = armedWriter_->error();
    lastError_ = error.text;
    failureCause_ = armedWriter_->IsWriterError(error)
                        ? WriterFailureText(error.noSpaceLeft, error.debug)
                        : std::string();
    Log(area_, LogLevel::Warning, "armed: the file ends: " + lastError_ + DebugSuffix(error.debug));
    armedTap_->StopFile();
    armedWriter_->Finish(true);
    armedWriter_.reset();
}

RingFigures CCaptureGraph::armedRingFigures() const {
    return armedTap_ ? armedTap_->figures() : RingFigures();
}

}  // namespace tavelin
