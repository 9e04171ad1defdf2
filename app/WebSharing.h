#pragma once
// Watching from another device, as the running program offers it: the web server and the
// RTSP share built from the stored settings, the state and events they show, and the live
// graph's outputs that feed them, linked only while someone watches. Everything here runs
// on the main thread; the servers' requests reach it as queued calls.

#include <QBasicTimer>
#include <QObject>
#include <memory>
#include <string>

#include "core/AlertSource.h"
#include "core/NoticeSink.h"
#include "core/WebPassword.h"
#include "core/WebSettings.h"
#include "web/WebBoard.h"

namespace tavelin {

class CCameraSession;
class CCaptureGraph;
class CRtspShare;
class CWebServer;

class CWebSharing : public QObject {
    Q_OBJECT

public:
    static constexpr int kBoardPeriodMs = 1000;

    CWebSharing(CCameraSession& session, CCaptureGraph& capture, IAlertSource& source,
                INoticeSink& notices);
    ~CWebSharing() override;  // the graph's outputs go before the servers
    CWebSharing(const CWebSharing&) = delete;
    CWebSharing& operator=(const CWebSharing&) = delete;

    // Starts, restarts or stops each server as `web` and `rtsp` say; a server that cannot
    // start is reported to the user with the reason and left off.
    void Apply(const WebSettings& web, const RtspSettings& rtsp);
    // Everything off (the program ends).
    void Stop();

    int webPort() const;
    int rtspPort() const;
    int viewers() const;
    int rtspClients() const;
    bool jpegLinked() const { return jpegTap_ != 0; }
    bool h264Linked() const { return h264Tap_ != 0; }

protected:
    void timerEvent(QTimerEvent* event) override;

private:
    void RefreshBoard();
    void SetWatching(bool watching);
    void SetRtspWanted(bool wanted);
    void StopWeb();
    void StopRtsp();

    CCameraSession& session_;
    CCaptureGraph& capture_;
    IAlertSource& source_;
    INoticeSink& notices_;
    CWebBoard board_;
    CCredentialCheck credentials_;
    std::unique_ptr<CWebServer> web_;
    std::unique_ptr<CRtspShare> rtsp_;
    WebSettings webRunning_;    // what the web server was started with
    RtspSettings rtspRunning_;  // likewise the share
    QBasicTimer boardTimer_;
    int eventsId_ = 0;
    // A server's queued calls name the server they came from: one stopped meanwhile is
    // not heard.
    int webGeneration_ = 0;
    int rtspGeneration_ = 0;
    int jpegTap_ = 0;
    int h264Tap_ = 0;
};

}  // namespace tavelin
