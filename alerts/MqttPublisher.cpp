#include "alerts/MqttPublisher.h"

#include <QSysInfo>
#include <algorithm>

#include "alerts/EventTime.h"
#include "core/JpegBuffer.h"
#include "core/JsonText.h"
#include "core/Log.h"

namespace tavelin {
namespace {

constexpr int kPicturePollMs = 50;
constexpr int kStatePollMs = 1000;

void LogMqtt(LogLevel level, const std::string& text) {
    Log(LogArea::Ui, level, "MQTT: " + text);
}

}  // namespace

CMqttPublisher::CMqttPublisher(IAlertSource& source, MqttSettings settings, QObject* parent)
    : QObject(parent),
      source_(source),
      settings_(std::move(settings)),
      hostName_(QSysInfo::machineHostName().toStdString()),
      topics_(MqttBaseTopic(settings_.topic, hostName_)) {
    subscription_ =
        source_.events().Subscribe([this](const SessionEvent& event) { OnEvent(event); });
    stateTimer_.setInterval(kStatePollMs);
    connect(&stateTimer_, &QTimer::timeout, this, [this] {
        if (state_ == State::Connected && source_.recordOnMotion() != recordOnMotionSent_)
            SendRecordOnMotion();
    });
    pictureTimer_.setInterval(kPicturePollMs);
    connect(&pictureTimer_, &QTimer::timeout, this, &CMqttPublisher::PollPicture);
    testTimer_.setSingleShot(true);
    connect(&testTimer_, &QTimer::timeout, this, [this] {
        FinishTest(false, "No answer from " + Where() + " within " +
                              std::to_string(kTestWaitMs / 1000) + " s" +
                              (detail_.empty() ? std::string() : " (" + detail_ + ")"));
    });
    if (!settings_.host.empty())
        StartConnection();
}

CMqttPublisher::~CMqttPublisher() {
    source_.events().Unsubscribe(subscription_);
    EndConnection();
    QElapsedTimer waited;
    waited.start();
    for (const auto& link : ending_)
        link->WaitEnded(static_cast<int>(std::max<qint64>(0, kEndWaitMs - waited.elapsed())));
}

void CMqttPublisher::Apply(const MqttSettings& settings) {
    if (settings == settings_)
        return;
    FinishTest(false, "The broker settings changed before the test ended.");
    EndConnection();
    settings_ = settings;
    topics_ = MqttTopics(MqttBaseTopic(settings_.topic, hostName_));
    outbox_.Clear();
    dropped_ = 0;
    if (settings_.host.empty())
        SetState(State::Off);
    else
        StartConnection();
}

void CMqttPublisher::StartConnection() {
    unacknowledged_.clear();
    if (settings_.port < 1 || settings_.port > 65535) {
        SetState(State::Failing, "The port must be 1 to 65535.");
        return;
    }
    MqttLinkOptions options;
    options.settings = settings_;
    // One id per topic: a program started again takes the place of what is left of its
    // last connection at once, rather than meeting its will later.
    options.clientId = "tavelin-" + topics_.nodeId;
    options.availabilityTopic = topics_.availability;
    options.commandTopics = {topics_.setRecordOnMotion, topics_.setSnapshot};
    connection_ = std::make_unique<CMqttConnection>(std::move(options), [this] {
        QMetaObject::invokeMethod(this, &CMqttPublisher::TakeNews, Qt::QueuedConnection);
    });
    stateTimer_.start();
    SetState(State::Connecting);
}

void CMqttPublisher::EndConnection() {
    stateTimer_.stop();
    if (connection_) {
        connection_->End();
        ending_.push_back(std::move(connection_));
    }
    std::erase_if(ending_, [](const auto& link) { return link->WaitEnded(0); });
}

void CMqttPublisher::SetState(State state, std::string detail) {
    const bool changed = state != state_ || detail != detail_;
    state_ = state;
    detail_ = std::move(detail);
    if (changed)
        emit stateChanged();
}

std::string CMqttPublisher::Where() const {
    const std::string host = settings_.host.find(':') != std::string::npos
                                 ? "[" + settings_.host + "]"  // an IPv6 address
                                 : settings_.host;
    return host + ":" + std::to_string(settings_.port);
}

QString CMqttPublisher::stateText() const {
    switch (state_) {
        case State::Off:
            return QStringLiteral("No broker set.");
        case State::Connecting:
            return QString::fromStdString("Connecting to " + Where() + "...");
        case State::Connected:
            return QString::fromStdString("Connected to " + Where() + ".");
        case State::Failing:
            break;
    }
    return QString::fromStdString(Where() + ": " + detail_);
}

// ---- what the session tells ----

void CMqttPublisher::OnEvent(const SessionEvent& event) {
    switch (event.kind) {
        case SessionEventKind::MotionStarted:
        case SessionEventKind::MotionEnded:
            motion_ = event.kind == SessionEventKind::MotionStarted;
            SendState(topics_.motion, motion_);
            break;
        case SessionEventKind::RecordingStarted:
            SendState(topics_.recording, true);
            break;
        case SessionEventKind::RecordingFinished:
            SendState(topics_.recording, false);
            Send({topics_.lastRecording, event.path, true});
            break;
        case SessionEventKind::RecordingFailed:
            SendState(topics_.recording, source_.recording());
            break;
        default:
            break;
    }
    Send({topics_.event, EventJson(event, EventTimeNow()), false});
    if (event.kind == SessionEventKind::MotionStarted)
        SendPicture(source_.motionPicture());
}

void CMqttPublisher::SendState(const std::string& topic, bool on) {
    Send({topic, on ? kMqttOn : kMqttOff, true});
}

void CMqttPublisher::SendRecordOnMotion() {
    recordOnMotionSent_ = source_.recordOnMotion();
    SendState(topics_.recordOnMotion, recordOnMotionSent_);
}

void CMqttPublisher::SendPicture(const FramePicture& picture) {
    if (!connection_ || picture.empty())
        return;
    std::vector<std::uint8_t> jpeg;
    if (!EncodeJpeg(picture, kPictureQuality, jpeg)) {
        LogMqtt(LogLevel::Warning, "a picture of " + std::to_string(picture.width) + " x " +
                                       std::to_string(picture.height) + " could not be compressed");
        return;
    }
    Send({topics_.snapshot, std::string(jpeg.begin(), jpeg.end()), true});
}

// ---- handing messages over ----

void CMqttPublisher::Send(MqttMessage message) {
    if (!connection_)
        return;
    if (outbox_.empty() && HandOver(message))
        return;
    if (!outbox_.Push(std::move(message)) && dropped_++ == 0) {
        LogMqtt(LogLevel::Warning, "more than " + std::to_string(kOutboxCapacity) +
                                       " messages wait for " + Where() + "; the oldest go");
    }
}

bool CMqttPublisher::HandOver(const MqttMessage& message) {
    if (state_ != State::Connected || unacknowledged_.size() >= kMaxUnacknowledged)
        return false;
    int mid = 0;
    switch (connection_->Publish(message, mid)) {
        case MqttHandOver::Sent:
            unacknowledged_.insert(mid);
            return true;
        case MqttHandOver::Refused:
            return true;  // it would never go
        case MqttHandOver::Later:
            break;
    }
    return false;
}

void CMqttPublisher::Flush() {
    while (!outbox_.empty() && HandOver(outbox_.front()))
        outbox_.PopFront();
}

// ---- what the link reports ----

void CMqttPublisher::TakeNews() {
    CMqttConnection* const link = connection_.get();
    if (link == nullptr)
        return;
    for (const MqttNews& news : link->TakeNews()) {
        switch (news.kind) {
            case MqttNews::Kind::Connected:
                OnConnected();
                break;
            case MqttNews::Kind::Refused:
            case MqttNews::Kind::Failed:
            case MqttNews::Kind::Lost: {
                const std::string text =
                    news.kind == MqttNews::Kind::Lost ? "Connection lost: " + news.text : news.text;
                if (text != detail_)
                    LogMqtt(LogLevel::Warning, Where() + ": " + text);
                // An error the library logs on a connection that goes on changes nothing.
                if (news.kind != MqttNews::Kind::Failed || state_ != State::Connected)
                    SetState(State::Failing, text);
                FinishTest(false, text);
                break;
            }
            case MqttNews::Kind::Acknowledged:
                unacknowledged_.erase(news.mid);
                if (testPending_ && news.mid == testMid_) {
                    FinishTest(true, "Connected to " + Where() +
                                         "; the broker has the test message on " + topics_.test +
                                         ".");
                }
                break;
            case MqttNews::Kind::Command:
                OnCommand(news);
                break;
        }
        if (connection_.get() != link)
            return;  // a test's listener applied other settings: the rest is about the old link
    }
    Flush();
}

void CMqttPublisher::OnConnected() {
    unacknowledged_.clear();
    SetState(State::Connected);
    LogMqtt(LogLevel::Info, "connected to " + Where() + " as " + topics_.base);
    if (dropped_ > 0) {
        LogMqtt(LogLevel::Warning,
                std::to_string(dropped_) + " messages went while the broker was away");
        dropped_ = 0;
    }
    // Availability and the entities first, then what waited, then the states as they are.
    HandOver({topics_.availability, kMqttOnline, true});
    for (const MqttMessage& config : DiscoveryMessages(topics_, hostName_, settings_.discovery))
        HandOver(config);
    Flush();
    SendState(topics_.motion, motion_);
    SendState(topics_.recording, source_.recording());
    SendRecordOnMotion();
    if (testPending_ && testMid_ < 0)
        PublishTest();
}

void CMqttPublisher::OnCommand(const MqttNews& news) {
    if (news.retained) {
        LogMqtt(LogLevel::Warning, "ignored a retained message on " + news.topic +
                                       ": a command counts only when it is sent");
        return;
    }
    if (news.topic == topics_.setSnapshot) {
        pictureWanted_ = true;
        pictureTimer_.start();
        PollPicture();
        return;
    }
    if (news.topic != topics_.setRecordOnMotion)
        return;
    const bool whole = news.bytes == news.payload.size();
    if (whole && (news.payload == kMqttOn || news.payload == kMqttOff)) {
        // Switching stores the choice: only a change is passed on.
        const bool on = news.payload == kMqttOn;
        if (source_.recordOnMotion() != on)
            source_.SetRecordOnMotion(on);
        SendRecordOnMotion();
        return;
    }
    LogMqtt(LogLevel::Warning, "ignored " + JsonString(news.payload) + (whole ? "" : "...") + " (" +
                                   std::to_string(news.bytes) + " bytes) on " + news.topic +
                                   ": ON or OFF expected");
}

// ---- a snapshot asked for ----

void CMqttPublisher::PollPicture() {
    if (pictureAsked_) {
        FramePicture picture;
        if (source_.TakePicture(picture)) {
            pictureAsked_ = false;
            pictureTakenAt_.start();
            SendPicture(picture);
        } else if (pictureAskedAt_.hasExpired(kPictureWaitMs)) {
            pictureAsked_ = false;
            LogMqtt(LogLevel::Warning, "no picture was shown for the snapshot asked for");
        }
    }
    // Snapshots asked for in quick succession make one a second.
    if (!pictureAsked_ && pictureWanted_ &&
        (!pictureTakenAt_.isValid() || pictureTakenAt_.hasExpired(kPictureSpacingMs))) {
        pictureWanted_ = false;
        pictureAsked_ = true;
        pictureAskedAt_.start();
        source_.RequestPicture();
    }
    if (!pictureAsked_ && !pictureWanted_)
        pictureTimer_.stop();
}

// ---- the settings dialog's test ----

void CMqttPublisher::SendTest() {
    if (testPending_)
        return;
    if (!connection_) {
        const std::string why = settings_.host.empty() ? "No broker is set." : detail_;
        QMetaObject::invokeMethod(
            this, [this, why] { emit testFinished(false, QString::fromStdString(why)); },
            Qt::QueuedConnection);
        return;
    }
    testPending_ = true;
    testMid_ = -1;
    testTimer_.start(kTestWaitMs);
    if (state_ == State::Connected) {
        PublishTest();
    } else if (state_ == State::Failing) {
        // A try now, rather than at the end of the library's pause.
        EndConnection();
        StartConnection();
    }
}

void CMqttPublisher::PublishTest() {
    const MqttMessage message{
        topics_.test,
        CJsonObject().AddString("type", "test").AddString("time", EventTimeNow()).Text(), false};
    int mid = 0;
    switch (connection_->Publish(message, mid)) {
        case MqttHandOver::Sent:
            testMid_ = mid;
            unacknowledged_.insert(mid);
            break;
        case MqttHandOver::Refused:
            FinishTest(false, "The MQTT library refused the test message.");
            break;
        case MqttHandOver::Later:
            break;  // the next connection sends it
    }
}

void CMqttPublisher::FinishTest(bool ok, const std::string& text) {
    if (!testPending_)
        return;
    testPending_ = false;
    testMid_ = -1;
    testTimer_.stop();
    emit testFinished(ok, QString::fromStdString(text));
}

}  // namespace tavelin
