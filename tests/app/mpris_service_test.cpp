#include "platform/mpris_service.h"
#include "platform/mpris_track_id.h"
#include "private_bus.h"
#include "signal_recorder.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QDeadlineTimer>
#include <QFile>
#include <QImage>
#include <QUrl>

#include <gtest/gtest.h>

#include <memory>
#include <optional>

namespace sorvalind {
namespace {

const QString kService = QStringLiteral("org.mpris.MediaPlayer2.sorvalind");
const QString kPath = QStringLiteral("/org/mpris/MediaPlayer2");
const QString kPlayer = QStringLiteral("org.mpris.MediaPlayer2.Player");
const QString kRoot = QStringLiteral("org.mpris.MediaPlayer2");
const std::string kEntry = "0F8FAD5B-D9CB-469F-A165-70867728950E";

// The application object of this test program: made before the first test
// and gone before the program exits, while Qt's globals still exist.
std::unique_ptr<QCoreApplication> makeApplication() {
    static int argc = 1;
    static char name[] = "test_app";
    static char* argv[] = {name, nullptr};
    if (QCoreApplication::instance()) return nullptr;
    return std::make_unique<QCoreApplication>(argc, argv);
}

// Runs the event loop until `done` holds; the bound only keeps a broken
// service from hanging the run.
template <class Done> bool spinUntil(Done done) {
    QDeadlineTimer bound(30000);
    while (!done() && !bound.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

ArtworkBytes pngBytes(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return std::make_shared<const std::vector<std::uint8_t>>(data.begin(), data.end());
}

NowPlayingInfo song(double elapsed, bool playing, ArtworkBytes artwork = nullptr) {
    NowPlayingInfo info;
    info.entryID = kEntry;
    info.title = "Blue in Green";
    info.artist = "Miles Davis, Bill Evans";
    info.album = "Kind of Blue";
    info.duration = 337.5;
    info.elapsed = elapsed;
    info.playing = playing;
    info.artwork = std::move(artwork);
    return info;
}

struct Call {
    RemoteCommand command;
    std::optional<double> position;
    bool operator==(const Call&) const = default;
};

class MprisServiceTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        application = makeApplication();
        bus = std::make_unique<PrivateBus>();
    }
    static void TearDownTestSuite() {
        bus.reset();
        application.reset();
    }

    void SetUp() override {
        ASSERT_TRUE(bus->isRunning()) << "dbus-daemon did not start";
        const QString suffix = QString::number(++connections);
        serverConnection.emplace(bus->connect(QStringLiteral("server") + suffix));
        clientConnection.emplace(bus->connect(QStringLiteral("client") + suffix));
        ASSERT_TRUE(serverConnection->isConnected());
        service = std::make_unique<MprisService>(*serverConnection);
        ASSERT_TRUE(service->start());
        for (RemoteCommand command : {RemoteCommand::togglePlayPause, RemoteCommand::play,
                                      RemoteCommand::pause, RemoteCommand::stop, RemoteCommand::nextTrack,
                                      RemoteCommand::previousTrack, RemoteCommand::changePlaybackPosition}) {
            tokens.push_back(service->addTarget(command, [this](const RemoteCommandEvent& event) {
                calls.push_back({event.command, event.positionTime});
                return RemoteCommandStatus::success;
            }));
        }
    }

    void TearDown() override {
        service.reset();
        QDBusConnection::disconnectFromBus(serverConnection->name());
        QDBusConnection::disconnectFromBus(clientConnection->name());
    }

    QDBusMessage call(const QString& interface, const QString& method, const QVariantList& arguments = {}) {
        QDBusMessage message = QDBusMessage::createMethodCall(kService, kPath, interface, method);
        message.setArguments(arguments);
        // BlockWithGui runs the event loop meanwhile, so the service (in
        // this same thread) can answer.
        QDBusMessage reply = clientConnection->call(message, QDBus::BlockWithGui);
        EXPECT_EQ(reply.type(), QDBusMessage::ReplyMessage)
            << method.toStdString() << ": " << reply.errorMessage().toStdString();
        return reply;
    }

    QVariant property(const QString& interface, const QString& name) {
        QDBusMessage reply =
            call(QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"), {interface, name});
        if (reply.arguments().isEmpty()) return {};
        return reply.arguments().first().value<QDBusVariant>().variant();
    }

    QVariantMap metadata() { return qdbus_cast<QVariantMap>(property(kPlayer, QStringLiteral("Metadata"))); }
    QString status() { return property(kPlayer, QStringLiteral("PlaybackStatus")).toString(); }
    bool flag(const QString& interface, const char* name) {
        return property(interface, QString::fromLatin1(name)).toBool();
    }

    static inline std::unique_ptr<QCoreApplication> application;
    static inline std::unique_ptr<PrivateBus> bus;
    static inline int connections = 0;
    std::optional<QDBusConnection> serverConnection;
    std::optional<QDBusConnection> clientConnection;
    std::unique_ptr<MprisService> service;
    std::vector<RemoteCommandToken> tokens;
    std::vector<Call> calls;
};

TEST_F(MprisServiceTest, PublishesMetadataAndStatus) {
    EXPECT_EQ(status(), "Stopped");
    EXPECT_EQ(metadata().value("mpris:trackid").value<QDBusObjectPath>().path(), mprisNoTrackPath());

    ArtworkBytes art = pngBytes(40, 30);
    service->publish(song(10, true, art));
    const QVariantMap shown = metadata();
    EXPECT_EQ(shown.value("mpris:trackid").value<QDBusObjectPath>().path(), mprisTrackPath(kEntry));
    EXPECT_EQ(shown.value("xesam:title").toString(), "Blue in Green");
    EXPECT_EQ(shown.value("xesam:artist").toStringList(), QStringList{"Miles Davis, Bill Evans"});
    EXPECT_EQ(shown.value("xesam:album").toString(), "Kind of Blue");
    EXPECT_EQ(shown.value("mpris:length").toLongLong(), 337500000);
    EXPECT_EQ(status(), "Playing");
    EXPECT_GE(property(kPlayer, "Position").toLongLong(), 10000000);

    // The art is a file of this user's alone, holding the bytes as given.
    const QString artPath = QUrl(shown.value("mpris:artUrl").toString()).toLocalFile();
    ASSERT_FALSE(artPath.isEmpty());
    QFile file(artPath);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray written = file.readAll();
    EXPECT_EQ(std::vector<std::uint8_t>(written.begin(), written.end()), *art);
    EXPECT_EQ(file.permissions() & (QFileDevice::ReadGroup | QFileDevice::ReadOther |
                                    QFileDevice::WriteGroup | QFileDevice::WriteOther),
              QFileDevice::Permissions());

    // Buffering shows as paused, though the player means to play.
    service->publish(song(10, false, art));
    EXPECT_EQ(status(), "Paused");
    EXPECT_EQ(property(kPlayer, "Position").toLongLong(), 10000000);

    NowPlayingInfo unknown = song(0, false);
    unknown.album.clear();
    unknown.duration = 0;
    service->publish(unknown);
    EXPECT_FALSE(metadata().contains("mpris:length"));
    EXPECT_FALSE(metadata().contains("mpris:artUrl"));
    EXPECT_EQ(metadata().value("xesam:album").toString(), "");
    EXPECT_FALSE(QFile::exists(artPath));
    EXPECT_FALSE(flag(kPlayer, "CanSeek"));

    service->publish(std::nullopt);
    EXPECT_EQ(status(), "Stopped");
    EXPECT_EQ(metadata().value("mpris:trackid").value<QDBusObjectPath>().path(), mprisNoTrackPath());
    EXPECT_FALSE(flag(kPlayer, "CanGoNext"));

    // One player per bus name: a second one cannot take it.
    {
        QDBusConnection other = bus->connect(QStringLiteral("other"));
        MprisService second(other);
        EXPECT_FALSE(second.start());
    }
    QDBusConnection::disconnectFromBus(QStringLiteral("other"));
}

TEST_F(MprisServiceTest, CommandsReachTheRegisteredHandlers) {
    service->publish(song(10, false));
    EXPECT_TRUE(flag(kPlayer, "CanGoNext"));
    EXPECT_TRUE(flag(kPlayer, "CanSeek"));
    EXPECT_TRUE(flag(kPlayer, "CanControl"));

    call(kPlayer, "PlayPause");
    call(kPlayer, "Next");
    call(kPlayer, "Previous");
    call(kPlayer, "Play");
    call(kPlayer, "Pause");
    call(kPlayer, "Stop");
    const QVariant otherTrack = QVariant::fromValue(QDBusObjectPath(mprisTrackPath("another-entry")));
    const QVariant thisTrack = QVariant::fromValue(QDBusObjectPath(mprisTrackPath(kEntry)));
    call(kPlayer, "SetPosition", {otherTrack, qlonglong(42000000)}); // stale: ignored
    call(kPlayer, "SetPosition", {thisTrack, qlonglong(400000000)}); // past the end: ignored
    call(kPlayer, "SetPosition", {thisTrack, qlonglong(42000000)});
    call(kPlayer, "Seek", {qlonglong(5000000)});   // paused at 10 s: to 15 s
    call(kPlayer, "Seek", {qlonglong(-60000000)}); // not before the start
    call(kPlayer, "Seek", {qlonglong(900000000)}); // past the end: the next track

    const std::vector<Call> expected{
        {RemoteCommand::togglePlayPause, std::nullopt}, {RemoteCommand::nextTrack, std::nullopt},
        {RemoteCommand::previousTrack, std::nullopt},   {RemoteCommand::play, std::nullopt},
        {RemoteCommand::pause, std::nullopt},           {RemoteCommand::stop, std::nullopt},
        {RemoteCommand::changePlaybackPosition, 42.0},  {RemoteCommand::changePlaybackPosition, 15.0},
        {RemoteCommand::changePlaybackPosition, 0.0},   {RemoteCommand::nextTrack, std::nullopt},
    };
    EXPECT_EQ(calls, expected);

    // A disabled next-track command is neither offered nor run.
    calls.clear();
    service->setEnabled(RemoteCommand::nextTrack, false);
    EXPECT_FALSE(flag(kPlayer, "CanGoNext"));
    call(kPlayer, "Next");
    EXPECT_TRUE(calls.empty());

    // The controller shuts down: its handlers go, the service stays.
    for (RemoteCommandToken token : tokens)
        service->removeTarget(token);
    EXPECT_FALSE(flag(kPlayer, "CanPlay"));
    EXPECT_FALSE(flag(kPlayer, "CanGoPrevious"));
    call(kPlayer, "PlayPause");
    call(kPlayer, "Previous");
    EXPECT_TRUE(calls.empty());
}

TEST_F(MprisServiceTest, AnnouncesEachChangeOnceAndSeeksInMicroseconds) {
    SignalRecorder changes;
    SignalRecorder seeks;
    ASSERT_TRUE(clientConnection->connect(kService, kPath, QStringLiteral("org.freedesktop.DBus.Properties"),
                                          QStringLiteral("PropertiesChanged"), &changes,
                                          SLOT(record(QDBusMessage))));
    ASSERT_TRUE(clientConnection->connect(kService, kPath, kPlayer, QStringLiteral("Seeked"), &seeks,
                                          SLOT(record(QDBusMessage))));
    // The match rules reach the daemon before anything is announced.
    EXPECT_EQ(status(), "Stopped");

    // A publish and the enabling that goes with it: one signal.
    service->publish(song(10, false));
    service->setEnabled(RemoteCommand::nextTrack, false);
    ASSERT_TRUE(spinUntil([&] { return !changes.received.isEmpty(); }));
    EXPECT_EQ(status(), "Paused"); // a round trip: anything else sent by now has arrived
    ASSERT_EQ(changes.received.size(), 1);
    const QList<QVariant> arguments = changes.received.first().arguments();
    EXPECT_EQ(arguments.value(0).toString(), kPlayer);
    const QVariantMap changed = qdbus_cast<QVariantMap>(arguments.value(1));
    EXPECT_EQ(changed.value("PlaybackStatus").toString(), "Paused");
    EXPECT_TRUE(changed.contains("Metadata"));
    EXPECT_TRUE(changed.contains("CanSeek"));
    EXPECT_FALSE(changed.contains("CanGoNext")); // false before and after
    EXPECT_FALSE(changed.contains("Position"));  // never announced: clients extrapolate
    EXPECT_TRUE(seeks.received.isEmpty());

    // A jump within the song is a seek; the same position again is nothing.
    service->publish(song(42, false));
    service->publish(song(42, false));
    ASSERT_TRUE(spinUntil([&] { return !seeks.received.isEmpty(); }));
    EXPECT_EQ(status(), "Paused");
    ASSERT_EQ(seeks.received.size(), 1);
    EXPECT_EQ(seeks.received.first().arguments().value(0).toLongLong(), 42000000);
    EXPECT_EQ(changes.received.size(), 1); // nothing announced changed

    // Raise and Quit are offered once the application wires them.
    EXPECT_FALSE(flag(kRoot, "CanRaise"));
    int raised = 0;
    service->setRaiseHandler([&] { ++raised; });
    ASSERT_TRUE(spinUntil([&] { return changes.received.size() == 2; }));
    EXPECT_EQ(changes.received.last().arguments().value(0).toString(), kRoot);
    EXPECT_TRUE(flag(kRoot, "CanRaise"));
    EXPECT_FALSE(flag(kRoot, "CanQuit"));
    call(kRoot, "Raise");
    call(kRoot, "Quit"); // not wired: nothing happens
    EXPECT_EQ(raised, 1);
}

// The CRC-32 that PNG chunks carry.
quint32 crc32(const QByteArray& bytes) {
    quint32 crc = 0xFFFFFFFFu;
    for (char c : bytes) {
        crc ^= static_cast<quint8>(c);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

TEST_F(MprisServiceTest, RefusesArtworkThatIsNoPictureOrTooLarge) {
    // A PNG whose header claims 100000 x 100000 pixels (40 GB decoded).
    ArtworkBytes small = pngBytes(2, 2);
    QByteArray huge(reinterpret_cast<const char*>(small->data()), static_cast<qsizetype>(small->size()));
    const QByteArray side = QByteArray::fromHex("000186A0");
    huge.replace(16, 4, side);
    huge.replace(20, 4, side);
    const quint32 crc = crc32(huge.mid(12, 17));
    const char crcBytes[] = {char(crc >> 24), char(crc >> 16), char(crc >> 8), char(crc)};
    huge.replace(29, 4, QByteArray(crcBytes, 4));

    const std::string text = "<html>not a picture</html>";
    for (const ArtworkBytes& bytes :
         {std::make_shared<const std::vector<std::uint8_t>>(text.begin(), text.end()),
          std::make_shared<const std::vector<std::uint8_t>>(huge.begin(), huge.end()),
          std::make_shared<const std::vector<std::uint8_t>>()}) {
        service->publish(song(0, true, bytes));
        EXPECT_FALSE(metadata().contains("mpris:artUrl"));
        EXPECT_EQ(metadata().value("xesam:title").toString(), "Blue in Green");
    }
    service->publish(song(0, true, small));
    EXPECT_TRUE(metadata().contains("mpris:artUrl"));
}

TEST(MprisTrackId, IsAValidObjectPathPerEntry) {
    const QString path = mprisTrackPath(kEntry);
    EXPECT_EQ(path, "/nl/pwelkin/sorvalind/track/0F8FAD5B_2DD9CB_2D469F_2DA165_2D70867728950E");
    EXPECT_EQ(QDBusObjectPath(path).path(), path);
    // Only letters, digits and "_" survive, and "_" is encoded too, so no two
    // identifiers meet.
    EXPECT_NE(mprisTrackPath("a-b"), mprisTrackPath("a_b"));
    EXPECT_EQ(mprisTrackPath("a_b/ü"), "/nl/pwelkin/sorvalind/track/a_5Fb_2F_C3_BC");
    EXPECT_EQ(QDBusObjectPath(mprisTrackPath("")).path(), mprisTrackPath(""));
}

} // namespace
} // namespace sorvalind
