#include "app/WebSharing.h"

#include <QTimerEvent>
#include <chrono>
#include <vector>

#include "capture/CaptureGraph.h"
#include "core/CameraSession.h"
#include "core/Log.h"
#include "web/PictureTap.h"
#include "web/RtspShare.h"
#include "web/WebServer.h"

namespace tavelin {

namespace {

// Whether a running server must start again for `wanted`: the user and password are
// taken over by the credential check without that.
bool SameListening(WebSettings a, WebSettings b) {
    a.user = b.user;
    a.passwordHash = b.passwordHash;
    return a == b;
}

}  // namespace

CWebSharing::CWebSharing(CCameraSession& session, CCaptureGraph& capture, IAlertSource& source,
                         INoticeSink& notices)
    : session_(session), capture_(capture), source_(source), notices_(notices) {
    eventsId_ = source_.events().Subscribe([this](const SessionEvent& event) {
        board_.AddEvent(event, std::chrono::system_clock::now());
        RefreshBoard();
    });
}

CWebSharing::~CWebSharing() {
    Stop();
    source_.events().Unsubscribe(eventsId_);
}

void CWebSharing::Apply(const WebSettings& web, const RtspSettings& rtsp) {
    credentials_.Set(web.user, web.passwordHash);
    const bool webOn = web.enabled && !web.passwordHash.empty();
    if (web.enabled && web.passwordHash.empty())
        Log(LogArea::Web, LogLevel::Warning, "web: not served: no password is set");
    if (!webOn) {
        StopWeb();
    } else if (!web_ || !web_->running() || !SameListening(web, webRunning_)) {
        StopWeb();
        const int generation = ++webGeneration_;
        CWebServer::Hooks hooks;
        hooks.setRecordOnMotion = [this, generation](bool on) {
            QMetaObject::invokeMethod(
                this,
                [this, generation, on] {
                    if (generation == webGeneration_)
                        source_.SetRecordOnMotion(on);
                },
                Qt::QueuedConnection);
        };
        hooks.watchingChanged = [this, generation](bool watching) {
            QMetaObject::invokeMethod(
                this,
                [this, generation, watching] {
                    if (generation == webGeneration_)
                        SetWatching(watching);
                },
                Qt::QueuedConnection);
        };
        web_ = std::make_unique<CWebServer>(board_, credentials_, std::move(hooks));
        std::string why;
        if (!web_->Start(web, why)) {
            web_.reset();
            notices_.ShowNotice("The camera cannot be shown on the web page: " + why,
                                NoticeStyle::Warning);
        } else {
            Log(LogArea::Web, LogLevel::Info,
                "web: serving on port " + std::to_string(web_->port()) +
                    (web.allowOthers ? " to every address" : " to this computer only"));
        }
    }
    webRunning_ = web;

    // The share asks for the same password; it cannot run without one either.
    const bool rtspOn = rtsp.enabled && !web.passwordHash.empty();
    if (rtsp.enabled && web.passwordHash.empty())
        Log(LogArea::Web, LogLevel::Warning, "rtsp: not shared: no password is set");
    if (!rtspOn) {
        StopRtsp();
    } else if (!rtsp_ || !rtsp_->running() || !(rtsp == rtspRunning_) ||
               web.allowOthers != webRunning_.allowOthers) {
        StopRtsp();
        const int generation = ++rtspGeneration_;
        rtsp_ = std::make_unique<CRtspShare>(credentials_, [this, generation](bool wanted) {
            QMetaObject::invokeMethod(
                this,
                [this, generation, wanted] {
                    if (generation == rtspGeneration_)
                        SetRtspWanted(wanted);
                },
                Qt::QueuedConnection);
        });
        std::string why;
        if (!rtsp_->Start(rtsp, web.allowOthers, why)) {
            rtsp_.reset();
            notices_.ShowNotice("The camera cannot be shared over RTSP: " + why,
                                NoticeStyle::Warning);
        } else {
            Log(LogArea::Web, LogLevel::Info,
                "rtsp: sharing rtsp://...:" + std::to_string(rtsp_->port()) + "/live");
        }
    }
    rtspRunning_ = rtsp;

    if (web_)
        boardTimer_.start(kBoardPeriodMs, this);
    else
        boardTimer_.stop();
    RefreshBoard();
}

void CWebSharing::Stop() {
    StopWeb();
    StopRtsp();
    boardTimer_.stop();
}

void CWebSharing::StopWeb() {
    // The output first: once RemoveFrameTap returns nothing publishes into the server.
    SetWatching(false);
    web_.reset();
    ++webGeneration_;
}

void CWebSharing::StopRtsp() {
    SetRtspWanted(false);
    rtsp_.reset();
    ++rtspGeneration_;
}

void CWebSharing::SetWatching(bool watching) {
    if (watching && web_ && jpegTap_ == 0) {
        jpegTap_ = capture_.AddFrameTap(kPictureTapChain, PublishInto(web_->picture()));
        Log(LogArea::Web, LogLevel::Info,
            jpegTap_ != 0 ? "web: someone watches; the JPEG output is linked"
                          : "web: the JPEG output cannot be made");
    } else if (!watching && jpegTap_ != 0) {
        capture_.RemoveFrameTap(jpegTap_);
        jpegTap_ = 0;
        // A picture published between the server's clearing and the unlinking would be
        // the next viewer's first, however old by then.
        if (web_)
            web_->picture().Clear();
        Log(LogArea::Web, LogLevel::Info, "web: nobody watches; the JPEG output is unlinked");
    }
}

void CWebSharing::SetRtspWanted(bool wanted) {
    if (wanted && rtsp_ && h264Tap_ == 0) {
        const std::string chain = CRtspShare::TapChain(rtspRunning_.encoder);
        if (chain.empty()) {
            Log(LogArea::Web, LogLevel::Warning,
                "rtsp: no H.264 encoder can be made; nothing is shared");
            return;
        }
        CRtspShare* share = rtsp_.get();
        h264Tap_ = capture_.AddFrameTap(chain, [share](GstSample* sample, std::int64_t captureNs) {
            share->Push(sample, captureNs);
        });
        Log(LogArea::Web, LogLevel::Info,
            h264Tap_ != 0 ? "rtsp: a client plays; the H.264 output is linked"
                          : "rtsp: the H.264 output cannot be made");
    } else if (!wanted && h264Tap_ != 0) {
        capture_.RemoveFrameTap(h264Tap_);
        h264Tap_ = 0;
        Log(LogArea::Web, LogLevel::Info, "rtsp: no client plays; the H.264 output is unlinked");
    }
}

void CWebSharing::RefreshBoard() {
    WebState state;
    state.monitor = session_.tick().monitor().monitorOn;
    state.recording = session_.recording();
    state.armed = session_.motionArmed();
    state.recordOnMotion = source_.recordOnMotion();
    state.camera = capture_.cameraName();
    state.recordingFolder = source_.recordingFolder();
    board_.SetState(state);
}

void CWebSharing::timerEvent(QTimerEvent* event) {
    if (event->timerId() == boardTimer_.timerId())
        RefreshBoard();
    else
        QObject::timerEvent(event);
}

int CWebSharing::webPort() const {
    return web_ ? web_->port() : 0;
}

int CWebSharing::rtspPort() const {
    return rtsp_ ? rtsp_->port() : 0;
}

int CWebSharing::viewers() const {
    return web_ ? web_->viewers() : 0;
}

int CWebSharing::rtspClients() const {
    return rtsp_ ? rtsp_->clients() : 0;
}

}  // namespace tavelin
