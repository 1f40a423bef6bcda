#pragma once
// Whether the user wants motion reduced: animations off, slideshows still.
//
// SORVALIND_REDUCE_MOTION decides when it names a truth value ("1", "true",
// "yes", "on" reduce; "0", "false", "no", "off" allow). Otherwise the
// desktop portal's settings are read once, asynchronously and with a short
// timeout, and then followed through its change signal: motion is reduced
// when "org.freedesktop.appearance" "reduced-motion" is 1 or
// "org.gnome.desktop.interface" "enable-animations" is false. Until the
// portal answers, and without one, motion is allowed.
//
// Main actor (GUI thread) only; changed() is emitted there.

#include <QDBusConnection>
#include <QDBusVariant>
#include <QObject>
#include <QString>

#include <chrono>
#include <optional>

namespace sorvalind {

class MotionPreference final : public QObject {
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds kPortalTimeout{500};

    // Follows the session bus's portal.
    explicit MotionPreference(QObject* parent = nullptr);
    // Follows the portal on `bus`.
    MotionPreference(QDBusConnection bus, std::chrono::milliseconds timeout, QObject* parent = nullptr);

    bool reduceMotion() const noexcept;

    // Turns animation off for every preference of the process, whatever the
    // environment and the desktop say: widget tests want still pictures.
    static void setAnimationSwitchedOff(bool off) noexcept;

    // The environment variable's verdict, none when it is unset or names no
    // truth value.
    static std::optional<bool> environmentVerdict();

signals:
    // The effective value changed (the test switch aside).
    void changed(bool reduceMotion);

private slots:
    void settingChanged(const QString& nameSpace, const QString& key, const QDBusVariant& value);

private:
    void read(const QString& nameSpace, const QString& key, std::chrono::milliseconds timeout);
    void apply(const QString& nameSpace, const QString& key, const QVariant& value);

    QDBusConnection bus_;
    std::optional<bool> environment_;
    bool portalReducedMotion_ = false;
    bool portalAnimationsDisabled_ = false;
};

} // namespace sorvalind
