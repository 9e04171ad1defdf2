#include "capture/ArmedWriter.h"

#include <gst/app/gstappsrc.h>

#include <thread>

#include "capture/GraphParts.h"
#include "capture/RecordFile.h"
#include "capture/ThreadAnnotations.h"

namespace tavelin {

namespace {

// As for a recording by hand: EOS through the streams, then straight into the muxer.
constexpr std::chrono::milliseconds kStreamEosLimit{3000};
constexpr std::chrono::milliseconds kMuxerEosLimit{2000};

GstElement* MakeSource(CPipeline& pipeline, const char* name, GstCaps* caps) {
    GstElement* source = pipeline.Add(MakeElement("appsrc", name));
    if (source == nullptr)
        return nullptr;
    // Pieces are queued as they come, never blocking the armed graph's threads and
    // never dropped; they stay queued only as long as the disk is slower than the camera.
    g_object_set(source, "caps", caps, "format", GST_FORMAT_TIME, "is-live", FALSE, "do-timestamp",
                 FALSE, "block", FALSE, "max-bytes", guint64{0}, nullptr);
    return source;
}

}  // namespace

CArmedWriter::CArmedWriter() = default;

CArmedWriter::~CArmedWriter() {
    // The pipeline writes through the file's descriptor: it stops first.
    pipeline_.reset();
    file_.reset();
}

bool CArmedWriter::Open(const std::string& path, GstCaps* picture, GstCaps* sound) {
    file_ = std::make_unique<CRecordFile>();
    if (!file_->Create(path)) {
        errorNumber_ = file_->errorNumber();
        return false;
    }
    pipeline_ = std::make_unique<CPipeline>("motion-file", LogArea::Record);
    if (!pipeline_->valid())
        return false;
    const auto fail = [this](const char* why) {
        pipeline_->SetFailure(why);
        return false;
    };
    picture_ = MakeSource(*pipeline_, "file-picture", picture);
    mux_ = pipeline_->Add(MakeElement("avimux", "file-mux"));
    sink_ = pipeline_->Add(MakeElement("fdsink", "file-writer"));
    if (picture_ == nullptr || mux_ == nullptr || sink_ == nullptr)
        return fail("no AVI writer");
    // Everything there is goes to the disk at once; nothing here waits for a clock.
    g_object_set(sink_, "fd", file_->fd(), "sync", FALSE, "enable-last-sample", FALSE, nullptr);
    // The picture is linked first, so it is the file's first stream.
    if (!gst_element_link(mux_, sink_) || !LinkToRequestPad(picture_, mux_, "video_%u"))
        return fail("the muxer refuses the picture");
    if (sound != nullptr) {
        sound_ = MakeSource(*pipeline_, "file-sound", sound);
        if (sound_ == nullptr || !LinkToRequestPad(sound_, mux_, "audio_%u"))
            return fail("the muxer refuses the sound");
    }
    // Playing is reached once the first pieces are through; they are pushed after this.
    if (gst_element_set_state(pipeline_->element(), GST_STATE_PLAYING) ==
        GST_STATE_CHANGE_FAILURE) {
        pipeline_->DrainBus();
        if (pipeline_->lastError().empty())
            pipeline_->SetFailure("the file writer did not start");
        return false;
    }
    return true;
}

void CArmedWriter::Push(GstElement* source, const EncodedPiece& piece) {
    // A copy of the buffer's description, sharing its bytes: the ring keeps the original
    // with its own times.
    GstBuffer* out = gst_buffer_copy(piece.buffer.get());
    GST_BUFFER_PTS(out) = piece.start - base_;
    GST_BUFFER_DTS(out) = GST_CLOCK_TIME_NONE;
    MarkReleased(out);  // the muxer's thread reads the times
    // appsrc takes the buffer whatever it returns.
    (void)gst_app_src_push_buffer(GST_APP_SRC(source), out);
}

void CArmedWriter::PushPicture(const EncodedPiece& piece) {
    if (!GST_CLOCK_TIME_IS_VALID(base_)) {
        if (!piece.key)
            return;
        base_ = piece.start;
    }
    if (piece.start < base_)
        return;
    Push(picture_, piece);
    ++picturesWritten_;
    lastPictureEnd_ = piece.end();
    ReleaseSound(lastPictureEnd_ + kLead);
}

void CArmedWriter::PushSound(const EncodedPiece& piece) {
    if (sound_ == nullptr)
        return;
    if (heldSound_.size() >= kMostHeldSound)
        heldSound_.pop_front();
    EncodedPiece held;
    held.buffer.reset(gst_buffer_ref(piece.buffer.get()));
    held.start = piece.start;
    held.duration = piece.duration;
    held.bytes = piece.bytes;
    heldSound_.push_back(std::move(held));
    if (GST_CLOCK_TIME_IS_VALID(lastPictureEnd_))
        ReleaseSound(lastPictureEnd_ + kLead);
}

void CArmedWriter::ReleaseSound(GstClockTime until) {
    if (!GST_CLOCK_TIME_IS_VALID(base_))
        return;
    while (!heldSound_.empty()) {
        const EncodedPiece& piece = heldSound_.front();
        if (piece.start >= base_) {
            if (piece.start >= until)
                return;
            Push(sound_, piece);
        }
        heldSound_.pop_front();
    }
}

void CArmedWriter::EndInput() {
    if (GST_CLOCK_TIME_IS_VALID(lastPictureEnd_))
        ReleaseSound(lastPictureEnd_);
    heldSound_.clear();
    for (GstElement* source : {picture_, sound_}) {
        if (source != nullptr)
            gst_app_src_end_of_stream(GST_APP_SRC(source));
    }
}

bool CArmedWriter::WaitForData(std::chrono::milliseconds limit) {
    if (!pipeline_ || !file_)
        return false;
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!file_->HasData()) {
        if (pipeline_->DrainBus())
            return false;
        if (std::chrono::steady_clock::now() >= deadline) {
            pipeline_->SetFailure("no data reached the file");
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return !pipeline_->DrainBus();
}

bool CArmedWriter::Commit(bool replace, IRecordingNames* names) {
    if (!file_ || !file_->Commit(replace, names)) {
        errorNumber_ = file_ ? file_->errorNumber() : 0;
        return false;
    }
    return true;
}

std::string CArmedWriter::path() const {
    return file_ ? file_->path() : std::string();
}

bool CArmedWriter::Finish(bool afterWriteError) {
    if (!pipeline_)
        return false;
    const bool finished = pipeline_->FinishStream(
        {}, mux_, {mux_, sink_},
        afterWriteError ? std::chrono::milliseconds::zero() : kStreamEosLimit, kMuxerEosLimit);
    pipeline_->Stop();
    if (file_)
        file_->Flush();
    return finished;
}

bool CArmedWriter::DrainBus() {
    return pipeline_ && pipeline_->DrainBus();
}

const PipelineError& CArmedWriter::error() const {
    static const PipelineError none;
    return pipeline_ ? pipeline_->error() : none;
}

bool CArmedWriter::IsWriterError(const PipelineError& error) const {
    return sink_ != nullptr && error.from == GST_OBJECT_CAST(sink_);
}

}  // namespace tavelin
