#include "capture/ArmedWriter.h"

#include <gst/app/gstappsrc.h>

#include "capture/GraphParts.h"
#include "capture/RecordFile.h"
#include "capture/ThreadAnnotations.h"

namespace tavelin {

namespace {

// As for a recording by hand: EOS through the streams, then straight into the muxer.
constexpr std::chrono::milliseconds kStreamEosLimit{3000};
constexpr std::chrono::milliseconds kMuxerEosLimit{2000};

GstElement* MakeSource(CPipeline& pipeline, const char* name) {
    GstElement* source = pipeline.Add(MakeElement("appsrc", name));
    if (source == nullptr)
        return nullptr;
    // Pieces are queued as they come, never blocking the camera graph's threads and
    // never dropped; they stay queued only as long as the disk is slower than the camera.
    // The caps come with the first piece.
    g_object_set(source, "format", GST_FORMAT_TIME, "is-live", FALSE, "do-timestamp", FALSE,
                 "block", FALSE, "max-bytes", guint64{0}, nullptr);
    return source;
}

}  // namespace

CArmedWriter::CArmedWriter() = default;

CArmedWriter::~CArmedWriter() {
    // The pipeline writes through the file's descriptor: it stops first.
    pipeline_.reset();
    file_.reset();
}

bool CArmedWriter::Create(const std::string& path) {
    file_ = std::make_unique<CRecordFile>();
    if (!file_->Create(path)) {
        errorNumber_ = file_->errorNumber();
        return false;
    }
    return true;
}

bool CArmedWriter::Open(bool sound, std::function<void()> wake) {
    if (!file_)
        return false;
    wake_ = std::move(wake);
    pipeline_ = std::make_unique<CPipeline>("record", LogArea::Record);
    if (!pipeline_->valid())
        return false;
    const auto fail = [this](const char* why) {
        pipeline_->SetFailure(why);
        return false;
    };
    picture_ = MakeSource(*pipeline_, "file-picture");
    mux_ = pipeline_->Add(MakeElement("avimux", "file-mux"));
    sink_ = pipeline_->Add(MakeElement("fdsink", "file-writer"));
    if (picture_ == nullptr || mux_ == nullptr || sink_ == nullptr)
        return fail("no AVI writer");
    // Everything there is goes to the disk at once; nothing here waits for a clock.
    g_object_set(sink_, "fd", file_->fd(), "sync", FALSE, "enable-last-sample", FALSE, nullptr);
    // The picture is linked first, so it is the file's first stream.
    if (!gst_element_link(mux_, sink_) || !LinkToRequestPad(picture_, mux_, "video_%u"))
        return fail("the muxer refuses the picture");
    if (sound) {
        sound_ = MakeSource(*pipeline_, "file-sound");
        if (sound_ == nullptr || !LinkToRequestPad(sound_, mux_, "audio_%u"))
            return fail("the muxer refuses the sound");
    }
    pipeline_->WatchMessages([this](GstMessage* message) {
        const GstMessageType type = GST_MESSAGE_TYPE(message);
        if (type == GST_MESSAGE_ERROR || type == GST_MESSAGE_EOS)
            wake_();
    });
    // Each write until the file has its name: the main thread looks for the data.
    GstPadPtr written = GetInPin(sink_, 0);
    if (!written || gst_pad_add_probe(written.get(), GST_PAD_PROBE_TYPE_BUFFER,
                                      &CArmedWriter::OnWrite, this, nullptr) == 0)
        return fail("the file writer cannot be watched");
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

GstPadProbeReturn CArmedWriter::OnWrite(GstPad*, GstPadProbeInfo*, gpointer self) {
    auto* writer = static_cast<CArmedWriter*>(self);
    // The buffer is written just after this; the one before it already is.
    if (!writer->named_.load(std::memory_order_acquire) && writer->wake_)
        writer->wake_();
    return GST_PAD_PROBE_OK;
}

void CArmedWriter::SetCaps(EncoderKind kind, GstCaps* caps) {
    GstElement* source = kind == EncoderKind::Video ? picture_ : sound_;
    if (source != nullptr && caps != nullptr)
        gst_app_src_set_caps(GST_APP_SRC(source), caps);
}

void CArmedWriter::Push(GstElement* source, const EncodedPiece& piece) {
    // A copy of the buffer's description, sharing its bytes: the ring keeps the original
    // with its own times. Sound that began just before the first picture starts at 0.
    GstBuffer* out = gst_buffer_copy(piece.buffer.get());
    GST_BUFFER_PTS(out) = piece.start > base_ ? piece.start - base_ : 0;
    GST_BUFFER_DTS(out) = GST_CLOCK_TIME_NONE;
    MarkReleased(out);  // the muxer's thread reads the times
    // appsrc takes the buffer whatever it returns.
    (void)gst_app_src_push_buffer(GST_APP_SRC(source), out);
}

void CArmedWriter::PushPicture(const EncodedPiece& piece) {
    if (!GST_CLOCK_TIME_IS_VALID(base_)) {
        if (!piece.key)
            return;
        // With sound, not before it: see the top of the header.
        if (sound_ != nullptr &&
            (!GST_CLOCK_TIME_IS_VALID(soundStart_) || soundStart_ > piece.start + kSoundSlack))
            return;
        base_ = piece.start;
        firstPicture_.store(base_, std::memory_order_release);
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
    if (!GST_CLOCK_TIME_IS_VALID(soundStart_)) {
        soundStart_ = piece.start;
        keyFrameWish_ = !GST_CLOCK_TIME_IS_VALID(base_);
    }
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

bool CArmedWriter::TakeKeyFrameWish() {
    const bool wish = keyFrameWish_;
    keyFrameWish_ = false;
    return wish;
}

void CArmedWriter::ReleaseSound(GstClockTime until) {
    if (!GST_CLOCK_TIME_IS_VALID(base_))
        return;
    while (!heldSound_.empty()) {
        const EncodedPiece& piece = heldSound_.front();
        // A piece under way when the first picture began goes in whole.
        if (piece.end() > base_ || (piece.duration == 0 && piece.start >= base_)) {
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

double CArmedWriter::secondsWritten() const {
    if (!GST_CLOCK_TIME_IS_VALID(base_) || !GST_CLOCK_TIME_IS_VALID(lastPictureEnd_))
        return 0.0;
    return static_cast<double>(lastPictureEnd_ - base_) / GST_SECOND;
}

bool CArmedWriter::HasData() const {
    return file_ && file_->HasData();
}

bool CArmedWriter::Commit(bool replace, IRecordingNames* names) {
    if (!file_ || !file_->Commit(replace, names)) {
        errorNumber_ = file_ ? file_->errorNumber() : 0;
        return false;
    }
    named_.store(true, std::memory_order_release);
    return true;
}

std::string CArmedWriter::path() const {
    return file_ ? file_->path() : std::string();
}

void CArmedWriter::EndMuxerInputs() {
    if (pipeline_ && mux_ != nullptr)
        pipeline_->SendEosToInputs(mux_);
}

void CArmedWriter::Stop() {
    if (pipeline_)
        pipeline_->Stop();
    if (file_)
        file_->Flush();
}

bool CArmedWriter::Finish(bool afterWriteError) {
    if (!pipeline_)
        return false;
    const bool finished =
        pipeline_->endOfStream() ||
        pipeline_->FinishStream(
            {}, mux_, {mux_, sink_},
            afterWriteError ? std::chrono::milliseconds::zero() : kStreamEosLimit, kMuxerEosLimit);
    Stop();
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
