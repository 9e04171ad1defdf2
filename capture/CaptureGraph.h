#pragma once
// The capture object: finds the camera, builds and runs the preview or the
// recording pipeline, and hands single frames to the main thread on request.
//
// Threads: every member function runs on the main thread. GStreamer's streaming
// thread only copies a requested frame into the frame buffer (CGrabberCallback).
// Teardown stops the pipeline, joining its streaming threads, before the frame
// buffer is freed.

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "capture/ArmedTap.h"
#include "capture/CameraControls.h"
#include "capture/DeviceEnumerator.h"
#include "capture/GrabberCallback.h"
#include "capture/GstPtr.h"
#include "core/ArmedGraph.h"
#include "core/CameraChoice.h"
#include "core/FrameSource.h"
#include "core/Log.h"
#include "core/NoticeSink.h"
#include "core/RecordGraph.h"
#include "core/RecordRequest.h"

namespace tavelin {

class CArmedWriter;
class CFrameGate;
class CGrabberProbe;
class CPipeline;
class CRecordFile;
class CSoundCutter;
struct PipelineError;

class CCaptureGraph final : public IFrameSource, public IRecordGraph, public IArmedGraph {
public:
    // How long a frame wait lasts before the camera counts as lost.
    static constexpr std::chrono::milliseconds kFrameWaitLimit{1500};

    CCaptureGraph();
    ~CCaptureGraph() override;
    CCaptureGraph(const CCaptureGraph&) = delete;
    CCaptureGraph& operator=(const CCaptureGraph&) = delete;

    // Where the list lookups of a recording build report failures; null: silent.
    void SetNoticeSink(INoticeSink* notices) { notices_ = notices; }

    // camera -> (JPEG decoder) -> convert -> scale -> BGR width x height -> grabber
    // -> fakesink, playing; a YUY2 camera skips the convert and its grabber takes
    // YUY2, converting the frames it copies. Frames come at the requested size whatever sizes the
    // camera offers; frames nobody asked for are dropped where they leave the camera.
    // A graph still running is torn down first. False after a full teardown on any
    // failure (no camera, a camera that cannot start, an error on the way).
    bool BuildPreviewGraph(int width, int height) override;

    // camera -> BGR (or YUY2) width x height -> grabber -> queue -> rate -> BGR ->
    // convert -> video encoder -> avimux -> file, and, with audio on, audio device -> queue ->
    // convert
    // -> resample -> (audio encoder) -> avimux. Video is linked first, so it is the
    // file's first stream. The file gets its name once data has reached it, replacing
    // an existing file only when the request allows it; a name found taken then moves
    // on to the one request.names gives, when it gives one. False after a full teardown,
    // with no file left behind, when the camera, the video encoder, the file or the
    // start fails (failureCause() says why when it was the file). Audio problems never
    // fail it: an audio encoder that cannot be used sets audioFailed() and the sound
    // goes in uncompressed; an audio device that cannot be used leaves the file silent.
    bool BuildRecordGraph(const RecordRequest& request) override;

    // Recording on motion (see core/ArmedGraph.h). The armed graph is the recording
    // graph with the muxer replaced by the ring (CArmedTap): camera -> BGR -> grabber
    // -> queue -> rate -> convert -> video encoder -> ring, and the sound branch into the
    // ring too; each file is written by a pipeline of its own (CArmedWriter) while the
    // camera runs on. Build failures are as for BuildRecordGraph, without a file. While
    // armed, an error on the graph sets deviceLost(), as while recording. A write error
    // while a file is written ends the file at the next WaitForNewFrame():
    // writingArmedFile() turns false, failureCause() names the cause and the graph stays
    // armed.
    bool BuildArmedGraph(const RecordRequest& request, int secondsBefore) override;
    bool armed() const override { return armedTap_ != nullptr; }
    bool StartArmedFile(const std::string& path, bool replaceExisting,
                        IRecordingNames* names) override;
    bool FinishArmedFile() override;
    bool writingArmedFile() const override { return armedWriter_ != nullptr; }
    // What the ring holds now and held at most, for measurements.
    RingFigures armedRingFigures() const;

    // Stops and releases the graph (a recording is finished with EOS first so the
    // file gets its index, a file on motion likewise), then frees the frame buffer and
    // clears every flag.
    // Safe at any time, also twice and before any build.
    void Teardown() override;

    // Asks for the next frame and waits up to kFrameWaitLimit; true when it gave up,
    // which also sets deviceLost(). Also empties the graph's message bus; an error on
    // a recording graph sets deviceLost() too, so the recording ends at once, and
    // failureCause() when the file was the cause.
    bool WaitForNewFrame() override;

    // The frame buffer: bottom-up BGR rows, packed. Between waits it is the caller's.
    std::uint8_t* frame() override { return callback_.frame(); }
    const std::uint8_t* frame() const { return callback_.frame(); }
    std::int32_t frameCapacity() const override { return callback_.frameCapacity(); }
    std::int32_t sampleBytes() const override { return callback_.sampleBytes(); }
    int width() const override { return width_; }
    int height() const override { return height_; }
    bool deviceLost() const override { return deviceLost_; }
    bool cameraStopped() const override { return cameraStopped_; }
    bool audioFailed() const override { return audioFailed_; }
    void ClearAudioFailed() override { audioFailed_ = false; }
    std::string failureCause() const override { return failureCause_; }
    bool hasGraph() const { return pipeline_ != nullptr; }
    bool recording() const { return recording_; }
    // Why the last build failed, for diagnostics; empty after a success.
    const std::string& lastError() const { return lastError_; }

    // The engine half of the camera settings dialog: the running camera's V4L2
    // controls, and changing one. None without a graph, or for a camera without a
    // V4L2 device node (the synthetic one).
    std::vector<CameraControl> ListSourceControls() const;
    bool SetSourceControl(std::uint32_t id, std::int32_t value);
    const std::string& sourceNodePath() const { return sourceNodePath_; }

    // The camera the wish chooses among the video sources (see core/CameraChoice.h). When
    // its element cannot be made the search ends without one.
    struct CaptureDevice {
        GstElementPtr element;
        std::string name;
        std::string nodePath;  // V4L2 device node, empty when none
        CameraChoice::Reason reason = CameraChoice::Reason::NoSources;
    };
    static CaptureDevice FindCaptureDevice(const CameraWish& wish = {});

    // The camera the graphs are built from from now on (see FindCaptureDevice).
    void SetCameraWish(CameraWish wish) { cameraWish_ = std::move(wish); }
    const CameraWish& cameraWish() const { return cameraWish_; }
    // The name of the camera the running graph uses; empty without a graph.
    const std::string& cameraName() const { return sourceName_; }

    // Every video source by name, in the order the camera search walks them; false when
    // they cannot be listed at all.
    static bool ListVideoSources(std::vector<std::string>& list) {
        return CDeviceEnumerator::ListVideoSources(list);
    }

    // The compressor and device lists and their lookups (see DeviceEnumerator.h).
    static void ListVideoCompressors(std::vector<std::string>& list,
                                     INoticeSink* notices = nullptr) {
        CDeviceEnumerator::ListVideoCompressors(list, notices);
    }
    static bool ListAudioCompressors(std::vector<std::string>& list,
                                     INoticeSink* notices = nullptr) {
        return CDeviceEnumerator::ListAudioCompressors(list, notices);
    }
    static bool ListAudioDevices(std::vector<std::string>& list, INoticeSink* notices = nullptr) {
        return CDeviceEnumerator::ListAudioDevices(list, notices);
    }
    static GstElementPtr GetVideoCompressor(std::int32_t n, INoticeSink* notices = nullptr) {
        return CDeviceEnumerator::GetVideoCompressor(n, notices);
    }
    static AudioEncoderChoice GetAudioCompressor(std::int32_t n, INoticeSink* notices = nullptr) {
        return CDeviceEnumerator::GetAudioCompressor(n, notices);
    }
    static GstElementPtr GetAudioDevice(std::int32_t n, INoticeSink* notices = nullptr) {
        return CDeviceEnumerator::GetAudioDevice(n, notices);
    }

private:
    // Camera -> BGR (or the camera's YUY2) caps with the grabber on their output;
    // returns that caps filter.
    GstElement* BuildCameraBranch(int width, int height);
    // The encoder branch of a recording up to the muxer's first input (the ring's when
    // armed: `mux` null).
    bool BuildVideoRecordBranch(GstElement* bgr, const RecordRequest& request, GstElement* mux);
    // The audio branch; sets audioFailed_ when the chosen encoder cannot be used.
    void BuildAudioBranch(const RecordRequest& request, GstElement* mux);
    // from -> a new input of the muxer, or of the ring when `mux` is null.
    bool LinkToMuxer(GstElement* from, GstElement* mux, const char* padTemplate);
    // While a file on motion is written: a write error ends it (WaitForNewFrame).
    void CheckArmedFile();
    // Records why the build failed in lastError(), logs it and tears the graph down.
    bool Fail(const char* why);
    // A failure of the program's own call on the file, with its errno. `path` is a copy:
    // the teardown may take the file object that holds it.
    bool FailWithFile(const char* why, int error, std::string path);
    // "preview", "record" or "armed", for the graph being built or running.
    const char* graphName() const {
        return armedTap_ ? "armed" : area_ == LogArea::Record ? "record" : "preview";
    }
    bool IsWriterError(const PipelineError& error) const;

    CGrabberCallback callback_;
    std::unique_ptr<CGrabberProbe> probe_;
    std::unique_ptr<CFrameGate> gate_;  // preview only
    std::unique_ptr<CPipeline> pipeline_;
    std::unique_ptr<CRecordFile> recordFile_;
    std::unique_ptr<CSoundCutter> cutter_;
    std::unique_ptr<CArmedTap> armedTap_;        // armed only
    std::unique_ptr<CArmedWriter> armedWriter_;  // while a file on motion is written
    INoticeSink* notices_ = nullptr;
    LogArea area_ = LogArea::Capture;
    GstElement* source_ = nullptr;     // not owning: the pipeline holds it
    GstElement* videoHead_ = nullptr;  // first queue of each recorded branch, not owning
    GstElement* audioHead_ = nullptr;
    GstElement* mux_ = nullptr;       // not owning
    GstElement* fileSink_ = nullptr;  // not owning
    CameraWish cameraWish_;
    std::string announcedCamera_;  // the camera last used, so a fallback is said once
    std::string sourceName_;
    std::string sourceNodePath_;
    std::string lastError_;
    std::string failureCause_;
    int width_ = 0;
    int height_ = 0;
    bool deviceLost_ = false;
    bool cameraStopped_ = false;  // the loss was the camera's: silence or its own error
    bool audioFailed_ = false;
    bool recording_ = false;
    bool writerFailed_ = false;  // the file writer reported an error while recording
};

}  // namespace tavelin
