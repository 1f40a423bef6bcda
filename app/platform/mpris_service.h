#pragma once
// The one MPRIS 2 player of this process (org.mpris.MediaPlayer2.sorvalind):
// the desktop's now-playing display and media keys over D-Bus. It outlives
// the application models: each playback controller registers its command
// handlers here when it is made and removes them when it shuts down, and
// publishes what plays. It serves org.mpris.MediaPlayer2 and
// org.mpris.MediaPlayer2.Player at /org/mpris/MediaPlayer2.
//
// Property changes are gathered and announced in one PropertiesChanged
// signal per interface once control returns to the event loop, so a publish
// and the enabling of a command made together arrive as one change. A jump of
// the position within the same track is announced with Seeked.
//
// Main thread only (the thread of its connection's event dispatch): the
// D-Bus calls it serves arrive there and call the command handlers there.
// Nothing here throws but memory exhaustion; without a bus it serves nobody.

#include "platform/artwork_file.h"
#include "services/now_playing_center.h"
#include "services/remote_command_center.h"
#include "services/remote_command_targets.h"

#include <QDBusConnection>
#include <QElapsedTimer>
#include <QObject>
#include <QVariantMap>

#include <functional>
#include <optional>

namespace sorvalind {

class MprisService final : public QObject, public NowPlayingCenter, public RemoteCommandCenter {
    Q_OBJECT

public:
    explicit MprisService(QDBusConnection connection = QDBusConnection::sessionBus(),
                          QObject* parent = nullptr);
    ~MprisService() override;

    // Exports the object and takes the bus name; false when the bus is not
    // there or the name is taken (the player then has no desktop controls).
    bool start(const QString& serviceName = QStringLiteral("org.mpris.MediaPlayer2.sorvalind"));

    // NowPlayingCenter
    void publish(const std::optional<NowPlayingInfo>& info) override;

    // RemoteCommandCenter
    RemoteCommandToken addTarget(RemoteCommand command, RemoteCommandHandler handler) override;
    void removeTarget(RemoteCommandToken token) override;
    void setEnabled(RemoteCommand command, bool enabled) override;

    // What the desktop's Raise and Quit do; CanRaise and CanQuit are true
    // while one is set. Empty functions unset them.
    void setRaiseHandler(std::function<void()> handler);
    void setQuitHandler(std::function<void()> handler);

    // Served by the adaptors.
    QString playbackStatus() const;
    QVariantMap metadata() const;
    qlonglong positionMicroseconds() const;
    bool canGoNext() const;
    bool canGoPrevious() const;
    bool canPlay() const;
    bool canPause() const;
    bool canSeek() const;
    bool canRaise() const { return static_cast<bool>(raise_); }
    bool canQuit() const { return static_cast<bool>(quit_); }

    void play() { send(RemoteCommand::play); }
    void pause() { send(RemoteCommand::pause); }
    void playPause() { send(RemoteCommand::togglePlayPause); }
    void stop() { send(RemoteCommand::stop); }
    void next();
    void previous();
    void seekBy(qlonglong offsetMicroseconds);
    void setPosition(const QString& trackPath, qlonglong positionMicroseconds);
    void raise();
    void quit();

signals:
    void seeked(qlonglong positionMicroseconds);

private:
    void send(RemoteCommand command, std::optional<double> positionTime = std::nullopt);
    double currentElapsed() const;
    QVariantMap playerProperties() const;
    QVariantMap rootProperties() const;
    void scheduleAnnouncement();
    void announce();

    QDBusConnection connection_;
    QString serviceName_;
    bool registered_ = false;
    std::optional<NowPlayingInfo> info_;
    QElapsedTimer sincePublish_;
    QString artUrl_;
    ArtworkFile artwork_;
    RemoteCommandTargets targets_;
    std::function<void()> raise_;
    std::function<void()> quit_;
    QVariantMap announcedPlayer_;
    QVariantMap announcedRoot_;
    bool announcementPending_ = false;
};

} // namespace sorvalind
