#include "platform/mpris_service.h"

#include "platform/mpris_player_adaptor.h"
#include "platform/mpris_root_adaptor.h"
#include "platform/mpris_track_id.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QStringList>

#include <cmath>

namespace sorvalind {
namespace {

const QString kObjectPath = QStringLiteral("/org/mpris/MediaPlayer2");
const QString kRootInterface = QStringLiteral("org.mpris.MediaPlayer2");
const QString kPlayerInterface = QStringLiteral("org.mpris.MediaPlayer2.Player");

// A published position this far from where the last one would have run to
// is a jump (a seek, a restart), not the clock moving on.
constexpr double kSeekToleranceSeconds = 1.0;

qlonglong microseconds(double seconds) {
    return std::isfinite(seconds) ? static_cast<qlonglong>(std::llround(seconds * 1e6)) : 0;
}

} // namespace

MprisService::MprisService(QDBusConnection connection, QObject* parent)
    : QObject(parent), connection_(std::move(connection)) {
    // Adaptors belong to the object they serve (Qt parent ownership).
    new MprisRootAdaptor(this);
    new MprisPlayerAdaptor(this);
    sincePublish_.start();
}

MprisService::~MprisService() {
    if (registered_) {
        connection_.unregisterService(serviceName_);
        connection_.unregisterObject(kObjectPath);
    }
}

bool MprisService::start(const QString& serviceName) {
    if (registered_ || !connection_.isConnected()) return registered_;
    if (!connection_.registerObject(kObjectPath, this, QDBusConnection::ExportAdaptors)) return false;
    if (!connection_.registerService(serviceName)) {
        connection_.unregisterObject(kObjectPath);
        return false;
    }
    serviceName_ = serviceName;
    registered_ = true;
    announcedPlayer_ = playerProperties();
    announcedRoot_ = rootProperties();
    return true;
}

void MprisService::publish(const std::optional<NowPlayingInfo>& info) {
    const bool sameTrack = info && info_ && info->entryID == info_->entryID;
    const double expected = sameTrack ? currentElapsed() : 0;
    info_ = info;
    sincePublish_.restart();
    artUrl_ = artwork_.update(info ? info->artwork : nullptr);
    if (sameTrack && std::abs(info->elapsed - expected) > kSeekToleranceSeconds)
        emit seeked(microseconds(info->elapsed));
    scheduleAnnouncement();
}

RemoteCommandToken MprisService::addTarget(RemoteCommand command, RemoteCommandHandler handler) {
    RemoteCommandToken token = targets_.add(command, std::move(handler));
    scheduleAnnouncement();
    return token;
}

void MprisService::removeTarget(RemoteCommandToken token) {
    if (targets_.remove(token)) scheduleAnnouncement();
}

void MprisService::setEnabled(RemoteCommand command, bool enabled) {
    targets_.setEnabled(command, enabled);
    scheduleAnnouncement();
}

void MprisService::setRaiseHandler(std::function<void()> handler) {
    raise_ = std::move(handler);
    scheduleAnnouncement();
}

void MprisService::setQuitHandler(std::function<void()> handler) {
    quit_ = std::move(handler);
    scheduleAnnouncement();
}

QString MprisService::playbackStatus() const {
    if (!info_) return QStringLiteral("Stopped");
    return info_->playing ? QStringLiteral("Playing") : QStringLiteral("Paused");
}

QVariantMap MprisService::metadata() const {
    QVariantMap map;
    if (!info_) {
        map.insert(QStringLiteral("mpris:trackid"), QVariant::fromValue(QDBusObjectPath(mprisNoTrackPath())));
        return map;
    }
    map.insert(QStringLiteral("mpris:trackid"),
               QVariant::fromValue(QDBusObjectPath(mprisTrackPath(info_->entryID))));
    map.insert(QStringLiteral("xesam:title"), QString::fromStdString(info_->title));
    map.insert(QStringLiteral("xesam:artist"), QStringList{QString::fromStdString(info_->artist)});
    map.insert(QStringLiteral("xesam:album"), QString::fromStdString(info_->album));
    if (info_->duration > 0) map.insert(QStringLiteral("mpris:length"), microseconds(info_->duration));
    if (!artUrl_.isEmpty()) map.insert(QStringLiteral("mpris:artUrl"), artUrl_);
    return map;
}

double MprisService::currentElapsed() const {
    if (!info_) return 0;
    double elapsed = info_->elapsed;
    if (info_->playing) elapsed += static_cast<double>(sincePublish_.elapsed()) / 1000.0;
    if (info_->duration > 0) elapsed = std::min(elapsed, info_->duration);
    return elapsed;
}

qlonglong MprisService::positionMicroseconds() const {
    return microseconds(currentElapsed());
}

bool MprisService::canGoNext() const {
    return info_ && targets_.isAvailable(RemoteCommand::nextTrack);
}

bool MprisService::canGoPrevious() const {
    return info_ && targets_.isAvailable(RemoteCommand::previousTrack);
}

bool MprisService::canPlay() const {
    return info_ && (targets_.isAvailable(RemoteCommand::play) ||
                     targets_.isAvailable(RemoteCommand::togglePlayPause));
}

bool MprisService::canPause() const {
    return info_ && (targets_.isAvailable(RemoteCommand::pause) ||
                     targets_.isAvailable(RemoteCommand::togglePlayPause));
}

bool MprisService::canSeek() const {
    return info_ && info_->duration > 0 && targets_.isAvailable(RemoteCommand::changePlaybackPosition);
}

void MprisService::next() {
    if (canGoNext()) send(RemoteCommand::nextTrack);
}

void MprisService::previous() {
    if (canGoPrevious()) send(RemoteCommand::previousTrack);
}

void MprisService::seekBy(qlonglong offsetMicroseconds) {
    if (!canSeek()) return;
    const double target = std::max(0.0, currentElapsed() + static_cast<double>(offsetMicroseconds) / 1e6);
    // Seeking past the end is a move to the next track.
    if (target > info_->duration) {
        next();
        return;
    }
    send(RemoteCommand::changePlaybackPosition, target);
}

void MprisService::setPosition(const QString& trackPath, qlonglong positionMicroseconds) {
    // A request meant for a track that is no longer current is stale.
    if (!canSeek() || trackPath != mprisTrackPath(info_->entryID)) return;
    const double target = static_cast<double>(positionMicroseconds) / 1e6;
    if (target < 0 || target > info_->duration) return;
    send(RemoteCommand::changePlaybackPosition, target);
}

void MprisService::raise() {
    if (raise_) raise_();
}

void MprisService::quit() {
    if (quit_) quit_();
}

void MprisService::send(RemoteCommand command, std::optional<double> positionTime) {
    targets_.dispatch({command, positionTime});
}

QVariantMap MprisService::playerProperties() const {
    return {
        {QStringLiteral("PlaybackStatus"), playbackStatus()},
        {QStringLiteral("Metadata"), metadata()},
        {QStringLiteral("CanGoNext"), canGoNext()},
        {QStringLiteral("CanGoPrevious"), canGoPrevious()},
        {QStringLiteral("CanPlay"), canPlay()},
        {QStringLiteral("CanPause"), canPause()},
        {QStringLiteral("CanSeek"), canSeek()},
    };
}

QVariantMap MprisService::rootProperties() const {
    return {{QStringLiteral("CanRaise"), canRaise()}, {QStringLiteral("CanQuit"), canQuit()}};
}

void MprisService::scheduleAnnouncement() {
    if (!registered_ || announcementPending_) return;
    announcementPending_ = true;
    QMetaObject::invokeMethod(this, &MprisService::announce, Qt::QueuedConnection);
}

void MprisService::announce() {
    announcementPending_ = false;
    if (!registered_) return;
    auto emitChanges = [this](const QString& interface, const QVariantMap& now, QVariantMap& announced) {
        QVariantMap changed;
        for (auto it = now.cbegin(); it != now.cend(); ++it)
            if (announced.value(it.key()) != it.value()) changed.insert(it.key(), it.value());
        if (changed.isEmpty()) return;
        announced = now;
        QDBusMessage signal =
            QDBusMessage::createSignal(kObjectPath, QStringLiteral("org.freedesktop.DBus.Properties"),
                                       QStringLiteral("PropertiesChanged"));
        signal << interface << changed << QStringList();
        connection_.send(signal);
    };
    emitChanges(kPlayerInterface, playerProperties(), announcedPlayer_);
    emitChanges(kRootInterface, rootProperties(), announcedRoot_);
}

} // namespace sorvalind
