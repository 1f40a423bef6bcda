#include "platform/motion_preference.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

#include <atomic>

namespace sorvalind {
namespace {

const QString kService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kInterface = QStringLiteral("org.freedesktop.portal.Settings");
const QString kAppearance = QStringLiteral("org.freedesktop.appearance");
const QString kReducedMotion = QStringLiteral("reduced-motion");
const QString kGnomeInterface = QStringLiteral("org.gnome.desktop.interface");
const QString kEnableAnimations = QStringLiteral("enable-animations");

std::atomic<bool> switchedOff = false;

// The deprecated Read wraps the value in a second variant; ReadOne and the
// change signal do not. Either way, the innermost value.
QVariant unwrapped(QVariant value) {
    while (value.canConvert<QDBusVariant>() && value.userType() == qMetaTypeId<QDBusVariant>())
        value = qvariant_cast<QDBusVariant>(value).variant();
    return value;
}

} // namespace

MotionPreference::MotionPreference(QObject* parent)
    : MotionPreference(QDBusConnection::sessionBus(), kPortalTimeout, parent) {}

MotionPreference::MotionPreference(QDBusConnection bus, std::chrono::milliseconds timeout, QObject* parent)
    : QObject(parent), bus_(std::move(bus)), environment_(environmentVerdict()) {
    if (environment_ || !bus_.isConnected()) return;
    bus_.connect(kService, kPath, kInterface, QStringLiteral("SettingChanged"), this,
                 SLOT(settingChanged(QString, QString, QDBusVariant)));
    read(kAppearance, kReducedMotion, timeout);
    read(kGnomeInterface, kEnableAnimations, timeout);
}

bool MotionPreference::reduceMotion() const noexcept {
    if (switchedOff.load(std::memory_order_relaxed)) return true;
    if (environment_) return *environment_;
    return portalReducedMotion_ || portalAnimationsDisabled_;
}

void MotionPreference::setAnimationSwitchedOff(bool off) noexcept {
    switchedOff.store(off, std::memory_order_relaxed);
}

std::optional<bool> MotionPreference::environmentVerdict() {
    const QString value = qEnvironmentVariable("SORVALIND_REDUCE_MOTION").trimmed().toLower();
    if (value == u"1" || value == u"true" || value == u"yes" || value == u"on") return true;
    if (value == u"0" || value == u"false" || value == u"no" || value == u"off") return false;
    return std::nullopt;
}

void MotionPreference::read(const QString& nameSpace, const QString& key, std::chrono::milliseconds timeout) {
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("Read"));
    call << nameSpace << key;
    auto* watcher =
        new QDBusPendingCallWatcher(bus_.asyncCall(call, static_cast<int>(timeout.count())), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, nameSpace, key](QDBusPendingCallWatcher* finished) {
                finished->deleteLater();
                const QDBusPendingReply<QDBusVariant> reply = *finished;
                // No portal, no such key, a timeout: the default stands.
                if (reply.isError()) return;
                apply(nameSpace, key, reply.value().variant());
            });
}

void MotionPreference::settingChanged(const QString& nameSpace, const QString& key,
                                      const QDBusVariant& value) {
    apply(nameSpace, key, value.variant());
}

void MotionPreference::apply(const QString& nameSpace, const QString& key, const QVariant& value) {
    const bool before = reduceMotion();
    const QVariant setting = unwrapped(value);
    if (nameSpace == kAppearance && key == kReducedMotion) {
        // Unknown values mean no preference.
        portalReducedMotion_ = setting.typeId() == QMetaType::UInt && setting.toUInt() == 1;
    } else if (nameSpace == kGnomeInterface && key == kEnableAnimations) {
        portalAnimationsDisabled_ = setting.typeId() == QMetaType::Bool && !setting.toBool();
    } else {
        return;
    }
    if (reduceMotion() != before) emit changed(reduceMotion());
}

} // namespace sorvalind
