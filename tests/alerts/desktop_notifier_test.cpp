// The desktop notifier against a small notification service on a private session bus.
#include "alerts/DesktopNotifier.h"

#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QRegularExpression>
#include <QSize>
#include <QTest>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "core/Messages.h"
#include "tests/support/LogLines.h"
#include "tests/support/NotificationServer.h"
#include "tests/support/PrivateSessionBus.h"

inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

namespace tavelin {
namespace {

using testing::NotificationServer;
using Kind = SessionEventKind;
using Way = NotifyOutcome::Way;
using Texts = std::vector<QString>;

constexpr int kWaitMs = 15000;
const QString kCaption = QString::fromUtf8(msg::kCaption);
constexpr Kind kMotion = Kind::RecordingStarted;  // on motion, in these tests

// Every table row has a name, for the test's name and its failure messages.
template <class Row>
requires requires(Row row) {
    row.name;
}
void PrintTo(const Row& row, std::ostream* os) {
    *os << row.name;
}
constexpr auto kRowName = [](const auto& info) { return std::string(info.param.name); };

// The bus starts first: its address is in the environment before Qt could look for one.
const testing::PrivateSessionBus& Bus() {
    static testing::PrivateSessionBus bus;
    static int argc = 1;
    static char name[] = "desktop_notifier_test";
    static char* argv[] = {name, nullptr};
    static QCoreApplication* app = new QCoreApplication(argc, argv);
    (void)app;
    return bus;
}
QString Address() {
    return QString::fromStdString(Bus().address());
}

class Session : public IAlertSource {
public:
    CEventStream& events() override { return events_; }
    const FramePicture& motionPicture() const override { return picture; }
    void RequestPicture() override {}
    bool TakePicture(FramePicture&) override { return false; }
    bool recordOnMotion() const override { return true; }
    void SetRecordOnMotion(bool) override {}
    bool recording() const override { return false; }
    std::string recordingFolder() const override { return "/home/user/Tavelin Videos"; }

    void Happen(Kind kind, std::string path = {}, std::string message = {}) {
        events_.Publish({kind, std::move(path), std::move(message), kind == kMotion});
        events_.Deliver();
    }

    FramePicture picture;

private:
    CEventStream events_;
};

class DesktopNotifierTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(Bus().address().empty()) << Bus().error();
        static int clients = 0;
        clientName_ = QStringLiteral("notifier-client-%1").arg(++clients);
        client_.emplace(QDBusConnection::connectToBus(Address(), clientName_));
        ASSERT_TRUE(client_->isConnected());
    }
    void TearDown() override {
        notifier_.reset();
        server_.reset();
        QDBusConnection::disconnectFromBus(clientName_);
    }

    NotificationServer& StartServer(const QString& failWith = {}) {
        server_ = std::make_unique<NotificationServer>(Bus().address(), failWith);
        EXPECT_TRUE(server_->started());
        return *server_;
    }
    CDesktopNotifier& StartNotifier(NotificationSettings settings = {}, bool tray = true) {
        auto balloon = [this, tray](const QString& title, const QString& text) {
            balloons_.push_back(title);
            lastBalloon_ = text;
            return tray;
        };
        notifier_ = std::make_unique<CDesktopNotifier>(session_, settings, balloon, *client_);
        notifier_->SetClock([this] { return now_; });
        notifier_->SetUrlOpener([this](const QUrl& url) {
            opened_.push_back(url);
            return true;
        });
        return *notifier_;
    }
    // Where the test notification went. Notifications go their ways in order, so all
    // before it have gone theirs by then.
    NotifyOutcome SendTestNotification() {
        std::optional<NotifyOutcome> outcome;
        notifier_->SendTest([&outcome](const NotifyOutcome& o) { outcome = o; });
        EXPECT_TRUE(QTest::qWaitFor([&] { return outcome.has_value(); }, kWaitMs));
        return outcome.value_or(NotifyOutcome{});
    }
    bool WaitForReceived(std::size_t count) {
        return QTest::qWaitFor([&] { return server_->received().size() >= count; }, kWaitMs);
    }

    Session session_;
    QString clientName_;
    std::optional<QDBusConnection> client_;
    std::unique_ptr<NotificationServer> server_;
    std::unique_ptr<CDesktopNotifier> notifier_;
    std::int64_t now_ = 1000;
    Texts balloons_;  // asked for, shown or not
    QString lastBalloon_;
    std::vector<QUrl> opened_;
};

// Where a notification goes: the service, else the tray, else only the log. The test
// notification goes the same way whatever the settings say.
enum class Service { None, Working, Failing };
struct Route {
    const char* name;
    Service service;
    bool desktop;
    bool tray;
    Way way;
    Texts atService;
    Texts balloons;
};
class RouteTest : public DesktopNotifierTest, public ::testing::WithParamInterface<Route> {};

TEST_P(RouteTest, GoesWhereItCan) {
    const Route& route = GetParam();
    testing::LogLines log;
    if (route.service != Service::None)
        StartServer(route.service == Service::Failing ? "org.example.Error.Refused" : "");
    StartNotifier({route.desktop, 60}, route.tray);

    session_.Happen(Kind::CameraLost);
    const NotifyOutcome outcome = SendTestNotification();

    EXPECT_EQ(outcome.way, route.way);
    EXPECT_EQ(outcome.error.contains("org.example.Error.Refused"),
              route.service == Service::Failing);
    EXPECT_EQ(server_ ? server_->summaries() : Texts{}, route.atService);
    EXPECT_EQ(balloons_, route.balloons);
    if (route.way == Way::Desktop) {
        EXPECT_EQ(outcome.id, server_->received().back().id);
        EXPECT_EQ(server_->received().back().body, "Notifications work.");
    }
    if (route.way == Way::Tray) {
        EXPECT_EQ(lastBalloon_, "Notifications work.");
    }
    if (route.way == Way::Log) {
        EXPECT_TRUE(
            testing::LogLines::Has(LogArea::Ui, LogLevel::Info, {"nor a tray", "Camera lost"}));
    }
}

const Texts kBoth = {"Camera lost", kCaption};  // the event, then the test notification

INSTANTIATE_TEST_SUITE_P(
    Ways, RouteTest,
    ::testing::Values(
        Route{"Service", Service::Working, true, true, Way::Desktop, kBoth, {}},
        Route{"DesktopOff", Service::Working, false, true, Way::Desktop, {kCaption}, {}},
        Route{"NoServiceTray", Service::None, true, true, Way::Tray, {}, kBoth},
        Route{"NoServiceNoTray", Service::None, true, false, Way::Log, {}, kBoth},
        Route{"FailingService", Service::Failing, true, true, Way::Tray, kBoth, kBoth}),
    kRowName);

// Bottom-up BGR; each pixel tells where it is: blue its column, green its row from the
// bottom, red 255 minus its column.
FramePicture Picture(QSize size) {
    FramePicture picture{size.width(), size.height(), {}};
    for (int row = 0; row < size.height(); ++row) {
        for (int x = 0; x < size.width(); ++x) {
            const auto b = static_cast<std::uint8_t>(x);
            picture.bgr.insert(picture.bgr.end(), {b, static_cast<std::uint8_t>(row),
                                                   static_cast<std::uint8_t>(255 - b)});
        }
    }
    return picture;
}

// What each event says, and the picture motion started on as the image-data hint (RGB
// top-down, made smaller when large). The events the desktop is not told of go first:
// none may arrive.
struct Told {
    const char* name;
    Kind kind;
    std::string path;
    std::string message;
    QString summary;
    QString bodyEnd;
    QSize picture;  // the motion picture of the session
    QSize sent;     // empty: no picture goes
};
class ToldTest : public DesktopNotifierTest, public ::testing::WithParamInterface<Told> {};

TEST_P(ToldTest, SaysWhatHappened) {
    const Told& told = GetParam();
    StartServer();
    StartNotifier();
    session_.picture = Picture(told.picture);
    for (Kind silent :
         {Kind::MotionStarted, Kind::RecordingFinished, Kind::MotionEnded, Kind::StillSaved,
          Kind::SnapshotSaved, Kind::FileRemoved, Kind::StorageBack})
        session_.Happen(silent, "/rec/video_0001.avi");
    session_.events().Publish({kMotion, "/rec/video_0002.avi", {}, /*onMotion=*/false});
    session_.Happen(told.kind, told.path, told.message);
    SendTestNotification();

    ASSERT_EQ(server_->summaries(), (Texts{told.summary, kCaption}));
    const NotificationServer::Notification n = server_->received().front();
    EXPECT_TRUE(n.body.contains(QRegularExpression("^\\d\\d:\\d\\d:\\d\\d, ")))
        << n.body.toStdString();
    EXPECT_TRUE(n.body.endsWith(told.bodyEnd)) << n.body.toStdString();
    EXPECT_EQ(n.actions,
              (QStringList{"open-folder", "Open folder", "quiet", "Quiet for 30 minutes"}));

    const std::optional<NotificationServer::Image>& image = n.image;
    ASSERT_EQ(image.has_value(), !told.sent.isEmpty());
    if (!image)
        return;
    EXPECT_EQ(image->signature, "(iiibiiay)");
    EXPECT_EQ(QSize(image->width, image->height), told.sent);
    EXPECT_FALSE(image->hasAlpha);
    EXPECT_EQ(image->bitsPerSample, 8);
    EXPECT_EQ(image->channels, 3);
    ASSERT_GE(image->rowstride, image->width * 3);
    ASSERT_GE(image->data.size(), image->rowstride * (image->height - 1) + image->width * 3);
    for (int y = 0; told.sent == told.picture && y < image->height; ++y) {
        for (int x = 0; x < image->width; ++x) {
            const auto* rgb = reinterpret_cast<const std::uint8_t*>(image->data.constData()) +
                              y * image->rowstride + x * 3;
            ASSERT_EQ((std::vector<int>{rgb[0], rgb[1], rgb[2]}),
                      (std::vector<int>{255 - x, image->height - 1 - y, x}))
                << "at " << x << "," << y;
        }
    }
}

const std::string kFile = "/rec/video_0007.avi";
const QString kRecording = "recording video_0007.avi";

INSTANTIATE_TEST_SUITE_P(
    Events, ToldTest,
    ::testing::Values(
        Told{"Motion", kMotion, kFile, "", "Motion", kRecording, {10, 6}, {10, 6}},
        Told{"MotionVga", kMotion, kFile, "", "Motion", kRecording, {640, 480}, {320, 240}},
        Told{"MotionWide", kMotion, kFile, "", "Motion", kRecording, {1000, 100}, {320, 32}},
        Told{"MotionTall", kMotion, kFile, "", "Motion", kRecording, {90, 900}, {32, 320}},
        Told{"MotionNoPicture", kMotion, kFile, "", "Motion", kRecording, {}, {}},
        Told{"CameraLost",
             Kind::CameraLost,
             "",
             "",
             "Camera lost",
             "the camera stopped; trying to get it back.",
             {640, 480},
             {}},
        Told{"CameraBack",
             Kind::CameraBack,
             "",
             "",
             "Camera back",
             "the camera works again.",
             {640, 480},
             {}},
        Told{"RecordingFailed",
             Kind::RecordingFailed,
             "/rec/video_0003.avi",
             "Failed to capture AVI file.Stopping capture!\r\n\r\nThe disk is full.\r\n",
             "Recording failed",
             "video_0003.avi: Failed to capture AVI file.Stopping capture! The disk is full.",
             {640, 480},
             {}},
        Told{"StorageFull",
             Kind::StorageFull,
             "/rec",
             "Not enough space to go on recording: 2 GB must stay free.\r\n",
             "Storage full",
             "Not enough space to go on recording: 2 GB must stay free.",
             {640, 480},
             {}}),
    kRowName);

// At most one notification of a kind within the quiet time, on the notifier's clock.
struct Step {
    int atSeconds;
    Kind kind;
    int applyQuietSeconds = -1;  // set: these settings applied instead of an event
};
struct QuietCase {
    const char* name;
    int quietSeconds;
    std::vector<Step> steps;
    Texts arrived;
};
class QuietTimeTest : public DesktopNotifierTest,
                      public ::testing::WithParamInterface<QuietCase> {};

TEST_P(QuietTimeTest, KeepsOneOfAKind) {
    const QuietCase& c = GetParam();
    StartServer();
    CDesktopNotifier& notifier = StartNotifier({true, c.quietSeconds});
    const std::int64_t start = now_;
    for (const Step& step : c.steps) {
        now_ = start + std::int64_t{1000} * step.atSeconds;
        if (step.applyQuietSeconds >= 0)
            notifier.Apply({true, step.applyQuietSeconds});
        else
            session_.Happen(step.kind);
    }
    SendTestNotification();
    Texts arrived = c.arrived;
    arrived.push_back(kCaption);
    EXPECT_EQ(server_->summaries(), arrived);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, QuietTimeTest,
    ::testing::Values(
        QuietCase{"WithinQuietTime", 60, {{0, kMotion}, {59, kMotion}}, {"Motion"}},
        QuietCase{"AfterQuietTime", 60, {{0, kMotion}, {60, kMotion}}, {"Motion", "Motion"}},
        QuietCase{"FromTheLastSent",
                  60,
                  {{0, kMotion}, {50, kMotion}, {70, kMotion}, {100, kMotion}},
                  {"Motion", "Motion"}},
        QuietCase{"KindsApart",
                  60,
                  {{0, kMotion},
                   {1, Kind::CameraLost},
                   {2, Kind::CameraBack},
                   {3, kMotion},
                   {4, Kind::CameraLost}},
                  {"Motion", "Camera lost", "Camera back"}},
        QuietCase{"NoQuietTime", 0, {{0, kMotion}, {0, kMotion}}, {"Motion", "Motion"}},
        QuietCase{"ShorterQuietTimeApplied",
                  60,
                  {{0, kMotion}, {10, kMotion, 5}, {10, kMotion}},
                  {"Motion", "Motion"}}),
    kRowName);

// The buttons: only the service that showed a notification of ours is heard, and only
// for the two keys sent with it.
TEST_F(DesktopNotifierTest, ButtonsOpenTheFolderAndKeepQuiet) {
    NotificationServer& server = StartServer();
    CDesktopNotifier& notifier = StartNotifier();
    session_.Happen(kMotion, "/rec/video_0007.avi");
    ASSERT_TRUE(WaitForReceived(1));
    const quint32 id = server.received().front().id;

    // Another program on the bus saying the same, then an id and a key not sent from here.
    const QString intruderName = clientName_ + QStringLiteral("-intruder");
    {
        QDBusConnection intruder = QDBusConnection::connectToBus(Address(), intruderName);
        QDBusMessage fake = QDBusMessage::createSignal(
            NotificationServer::kPath, NotificationServer::kName, QStringLiteral("ActionInvoked"));
        fake << id << QStringLiteral("quiet");
        ASSERT_TRUE(intruder.send(fake));
        // A round trip: the bus has passed the signal on before it answers.
        intruder.interface()->isServiceRegistered(NotificationServer::kName);
    }
    QDBusConnection::disconnectFromBus(intruderName);
    server.InvokeAction(id + 1000, QStringLiteral("quiet"));
    server.InvokeAction(id, QStringLiteral("rm -rf /"));
    server.InvokeAction(id, QStringLiteral("open-folder"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !opened_.empty(); }, kWaitMs));
    EXPECT_EQ(opened_, (std::vector<QUrl>{QUrl::fromLocalFile("/home/user/Tavelin Videos")}));
    EXPECT_FALSE(notifier.quiet());

    server.InvokeAction(id, QStringLiteral("quiet"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return notifier.quiet(); }, kWaitMs));
    now_ += 29 * 60 * 1000;
    session_.Happen(kMotion, "/rec/video_0008.avi");
    session_.Happen(Kind::CameraLost);
    SendTestNotification();
    EXPECT_EQ(server.summaries(), (Texts{"Motion", kCaption}));

    now_ += 60 * 1000;
    EXPECT_FALSE(notifier.quiet());
    session_.Happen(Kind::CameraLost);
    ASSERT_TRUE(WaitForReceived(3));
    EXPECT_EQ(server.summaries().back(), "Camera lost");
}

}  // namespace
}  // namespace tavelin
