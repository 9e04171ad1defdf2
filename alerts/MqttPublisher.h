#pragma once
// The session told to an MQTT broker: availability, motion, recording and record on motion
// as retained ON / OFF states, every event as JSON, the picture motion started on (and one
// asked for) as a retained JPEG, and, when asked, the Home Assistant discovery
// configurations. Two commands are heard: record on motion ON / OFF, and a snapshot.
//
// Nothing here waits for the broker: the link (CMqttConnection) does the network work on
// threads of its own and reports back on this object's thread. While there is no
// connection, or the broker is behind with its acknowledgements, messages wait in a
// bounded box.

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "alerts/MqttConnection.h"
#include "core/AlertSettings.h"
#include "core/AlertSource.h"
#include "core/MqttMessages.h"
#include "core/MqttOutbox.h"

namespace tavelin {

class CMqttPublisher : public QObject {
    Q_OBJECT

public:
    enum class State {
        Off,         // no broker set
        Connecting,  // the first try is under way
        Connected,
        Failing,  // the last try failed or the connection was lost; the link tries again
    };

    static constexpr std::size_t kOutboxCapacity = 100;
    // Messages handed to the library and not yet acknowledged; more wait in the box.
    static constexpr std::size_t kMaxUnacknowledged = 20;
    static constexpr int kPictureQuality = 80;
    static constexpr int kPictureWaitMs = 5000;     // for the picture a snapshot asked for
    static constexpr int kPictureSpacingMs = 1000;  // between two snapshots asked for
    static constexpr int kTestWaitMs = 10000;
    // How long the destructor lets the links finish cleanly.
    static constexpr int kEndWaitMs = 1000;

    CMqttPublisher(IAlertSource& source, MqttSettings settings, QObject* parent = nullptr);
    // Ends the connection cleanly ("offline" first), waiting at most kEndWaitMs.
    ~CMqttPublisher() override;

    // New settings: when they differ, the connection ends and a new one starts with them;
    // without a host none does.
    void Apply(const MqttSettings& settings);
    // Publishes a test message to <topic>/test and reports on testFinished: the broker
    // has it, or why not (the library's words). A connection that is failing is tried again
    // at once.
    void SendTest();

    State state() const { return state_; }
    // A line for the settings dialog: "Connected to broker:1883", "broker:1883: Connection
    // Refused: not authorised.", ...
    QString stateText() const;
    const MqttTopics& topics() const { return topics_; }

signals:
    void stateChanged();
    void testFinished(bool ok, const QString& text);

private:
    void StartConnection();
    void EndConnection();
    void SetState(State state, std::string detail = {});
    std::string Where() const;

    void OnEvent(const SessionEvent& event);
    void TakeNews();
    void OnConnected();
    void OnCommand(const MqttNews& news);

    // Hands the message over, or keeps it in the box.
    void Send(MqttMessage message);
    // Hands over what the box holds, as far as the broker keeps up.
    void Flush();
    // True when the message needs no more handling: handed over or refused for good.
    bool HandOver(const MqttMessage& message);
    void SendState(const std::string& topic, bool on);
    void SendRecordOnMotion();
    void SendPicture(const FramePicture& picture);

    void PollPicture();
    void PublishTest();
    void FinishTest(bool ok, const std::string& text);

    IAlertSource& source_;
    MqttSettings settings_;
    std::string hostName_;
    MqttTopics topics_;
    int subscription_ = 0;

    std::unique_ptr<CMqttConnection> connection_;
    std::vector<std::unique_ptr<CMqttConnection>> ending_;  // ended, finishing on their threads
    State state_ = State::Off;
    std::string detail_;  // why the last try failed

    CMqttOutbox outbox_{kOutboxCapacity};
    std::size_t dropped_ = 0;  // since the box was last full
    std::set<int> unacknowledged_;

    bool motion_ = false;
    bool recordOnMotionSent_ = false;
    QTimer stateTimer_;  // record on motion is switched in the window too: looked at every second

    QTimer pictureTimer_;
    bool pictureWanted_ = false;
    bool pictureAsked_ = false;
    QElapsedTimer pictureAskedAt_;
    QElapsedTimer pictureTakenAt_;

    bool testPending_ = false;
    int testMid_ = -1;
    QTimer testTimer_;
};

}  // namespace tavelin
