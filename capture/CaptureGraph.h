#pragma once
// The capture object: finds the camera and runs one graph for it at one size, which
// always feeds the preview's frame hand-off, and to which an encoding output is linked
// and unlinked while it plays; files are written from that output.
//
//   camera -> (jpegdec) -> (convert) -> scale -> BGR or YUY2 w x h [grabber] -> tee
//     tee -> fakesink                                       (the preview, always)
//     tee -> queue -> rate -> BGR -> convert -> encoder -> ring   (the output, in a bin)
//     tee -> queue (leaky) -> chain -> appsink              (each frame tap, in a bin)
//            microphone -> queue -> convert -> resample -> (encoder) -> ring
//   ring -> appsrc(s) -> avimux -> fdsink                    (a file, a pipeline of its own)
//
// Threads: every member function runs on the main thread and none of them waits, except
// Teardown (a file is finished so it gets its index), a camera build, and the
// WaitForNewFrame convenience. GStreamer's streaming threads copy a requested frame into
// the frame buffer (CGrabberCallback), hand encoded pieces to the ring and the file, and
// call the wake function when news is waiting. Teardown stops the pipelines, joining
// their streaming threads, before the frame buffer is freed.

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "capture/ArmedTap.h"
#include "capture/CameraControls.h"
#include "capture/DeviceEnumerator.h"
#include "capture/GrabberCallback.h"
#include "capture/GstPtr.h"
#include "core/CameraChoice.h"
#include "core/CameraGraph.h"
#include "core/Log.h"
#include "core/NoticeSink.h"
#include "core/RecordRequest.h"

namespace tavelin {

class CArmedWriter;
class CFrameGate;
class CFrameTaps;
class CGrabberProbe;
class CPipeline;
struct PipelineError;

class CCaptureGraph final : public ICameraGraph {
public:
    // No frame this long after the request: the camera counts as lost.
    static constexpr std::chrono::milliseconds kFrameWaitLimit{1500};
    // A file that has no data on the disk this long after StartFile has failed.
    static constexpr std::chrono::milliseconds kFileStartLimit{5000};
    // Finishing a file: EOS through its streams, then straight into its muxer.
    static constexpr std::chrono::milliseconds kStreamEosLimit{3000};
    static constexpr std::chrono::milliseconds kMuxerEosLimit{2000};
    // More seconds before than anyone asks for would only hold memory.
    static constexpr int kMostSecondsBefore = 60;

    CCaptureGraph();
    ~CCaptureGraph() override;
    CCaptureGraph(const CCaptureGraph&) = delete;
    CCaptureGraph& operator=(const CCaptureGraph&) = delete;

    // Where the list lookups of an output build report failures; null: silent.
    void SetNoticeSink(INoticeSink* notices) { notices_ = notices; }
    // Called, from any thread, whenever TakeNews() has something to report or an error
    // waits on a bus: the owner then calls TakeNews() on the main thread (a queued call).
    // It may also be called on the main thread within DetachEncoder, RemoveFrameTap,
    // TakeNews or Teardown, so it must not call back into the graph itself.
    void SetWake(std::function<void()> wake);

    // The camera branch with the preview, playing (see the top). A graph already running
    // the wished camera at this size, not lost, is kept (true). Otherwise whatever runs is
    // torn down (a file finished first) and the camera branch is built; the encoding
    // output is not linked again by itself. Frames come at the requested size whatever
    // sizes the camera offers; while no output is linked, frames nobody asked for are
    // dropped where they leave the camera. A frame is asked for as the build ends. False
    // after a full teardown on any failure (no camera, a camera that cannot start, an
    // error on the way).
    bool BuildPreviewGraph(int width, int height) override;

    // The output (see ICameraGraph). Its video branch is linked to the running tee; its
    // sound branch starts with it. While linked, every camera frame goes on to it. An
    // output with the same encoders and sound device is kept, keeping `secondsBefore`
    // from now on, so a file by hand can follow one on motion without a new output.
    // The graph runs on the system clock whatever request.masterStream says: a sound
    // device linked later must not change the clock under the running camera.
    bool AttachEncoder(const RecordRequest& request, int secondsBefore) override;
    void DetachEncoder() override;
    bool encoderAttached() const override { return output_ != nullptr; }

    bool StartFile(const std::string& path, bool replaceExisting, IRecordingNames* names,
                   bool fromRing) override;
    void FinishFile() override;
    bool writingFile() const override { return file_ != nullptr; }
    // Also checks a file's time limits (kFileStartLimit, then kStreamEosLimit and
    // kMuxerEosLimit as it finishes), which wake nobody: call it with every frame step
    // as well as on a wake.
    std::vector<GraphNews> TakeNews() override;

    // Stops and releases the graph (a file is finished, waiting a bounded time, so it
    // gets its index; its news stays for TakeNews), then frees the frame buffer and
    // clears every flag. Safe at any time, also twice and before any build.
    void Teardown() override;

    // Further outputs on the tee, for whoever needs the live pictures elsewhere (the web
    // page's JPEG, the RTSP share's H.264): leaky queue (the newest frame kept, the camera
    // never waits) -> `chain` (gst-launch syntax; empty: the raw frames) -> appsink.
    // `deliver` runs on the tap's streaming thread for each sample the chain puts out,
    // with the CLOCK_MONOTONIC time (ns) the camera took the frame; once RemoveFrameTap
    // has returned it is not called again. A tap stays across camera rebuilds (linked to
    // each new graph) and while no graph runs. An error inside its chain unlinks that tap
    // only (logged; the camera and the other outputs go on). While a tap is linked every
    // camera frame goes on, as with the encoding output. Returns the tap's id; 0 when the
    // chain cannot be parsed.
    using FrameTapFn = std::function<void(GstSample* sample, std::int64_t captureNs)>;
    int AddFrameTap(const std::string& chain, FrameTapFn deliver);
    void RemoveFrameTap(int id);
    // The taps linked to the running graph now.
    int linkedFrameTaps() const;

    bool TakeNewFrame() override;
    void RequestNewFrame() override;
    // For tests and benchmarks: asks for a frame and waits for it up to kFrameWaitLimit;
    // true when it gave up (deviceLost() then holds).
    bool WaitForNewFrame();

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
    // Why the last build or start failed, for diagnostics; empty after a success.
    const std::string& lastError() const { return lastError_; }
    // How often the camera branch was built, for measurements and tests.
    int cameraBuilds() const { return cameraBuilds_; }
    // What the ring holds now and held at most, for measurements.
    RingFigures ringFigures() const;

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
    struct Output;
    struct FileRun;

    // Camera -> BGR (or the camera's YUY2) caps with the grabber on their output;
    // returns that caps filter.
    GstElement* BuildCameraBranch(int width, int height);
    // The output's branches into `output`'s bin and tap; false when the video one fails.
    bool BuildVideoBranch(Output& output, const RecordRequest& request);
    void BuildAudioBranch(Output& output, const RecordRequest& request);
    // Moves the output to those being unlinked; they go once their tee pad is idle.
    void Unlink(std::unique_ptr<Output> output);
    // Every frame goes on while the output or a tap is linked; else only requested ones.
    void UpdateGate();
    void RemoveUnlinked(bool all);
    // Runs on the posting thread: notes an output's failure before it reaches the camera
    // through the tee, and wakes the owner.
    void OnCameraMessage(GstMessage* message);
    void Wake();
    void TakeCameraMessages(std::vector<GraphNews>& news);
    void CheckFile(std::vector<GraphNews>& news);
    // Ends the file with a FileFailed; `error` names the writer's failure when it has one.
    void FailFile(std::vector<GraphNews>& news, const std::string& why, const std::string& cause);
    // Finishes a file waiting, bounded: for the end of the graph. Its news goes to news_.
    void FinishFileNow();
    // Records why the build failed in lastError(), logs it and tears the graph down.
    bool Fail(const char* why);
    bool IsCameraElement(GstObject* object) const;

    CGrabberCallback callback_;
    std::unique_ptr<CGrabberProbe> probe_;
    std::unique_ptr<CFrameGate> gate_;
    std::unique_ptr<CPipeline> pipeline_;
    std::unique_ptr<Output> output_;
    std::vector<std::unique_ptr<Output>> unlinked_;  // waiting for their tee pad
    std::unique_ptr<CFrameTaps> taps_;
    std::unique_ptr<FileRun> file_;
    std::vector<GraphNews> news_;  // news from calls, before the next TakeNews
    INoticeSink* notices_ = nullptr;
    GstElement* source_ = nullptr;  // not owning: the pipeline holds them
    GstElement* tee_ = nullptr;
    // Camera to tee and the preview's sink: set before the graph plays, then only read.
    std::vector<GstElement*> cameraElements_;
    mutable std::mutex watchLock_;  // guards watched_ and wake_ against the bus watch
    Output* watched_ = nullptr;     // the linked output, for the bus watch
    std::function<void()> wake_;
    CameraWish cameraWish_;
    CameraWish builtWish_;
    std::string announcedCamera_;  // the camera last used, so a fallback is said once
    std::string sourceName_;
    std::string sourceNodePath_;
    std::string lastError_;
    std::string failureCause_;
    std::chrono::steady_clock::time_point requestedAt_;
    int width_ = 0;
    int height_ = 0;
    int cameraBuilds_ = 0;
    bool requestPending_ = false;
    bool deviceLost_ = false;
    bool cameraStopped_ = false;  // the loss was the camera's: silence or its own error
    bool audioFailed_ = false;
};

}  // namespace tavelin
