// The motion preference: the environment variable's table, a private session
// bus without a portal, and a stand-in portal that answers and then changes.

#include "platform/motion_preference.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QDeadlineTimer>
#include <QProcess>

#include <functional>
#include <map>
#include <optional>

namespace sorvalind {
namespace {

const QString kPortalService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kPortalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kPortalInterface = QStringLiteral("org.freedesktop.portal.Settings");

bool pumpUntil(const std::function<bool()>& done, int milliseconds = 3000) {
    const QDeadlineTimer deadline(milliseconds);
    while (!done()) {
        if (deadline.hasExpired()) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

// Sets SORVALIND_REDUCE_MOTION for one test.
class ReduceMotionVariable {
public:
    explicit ReduceMotionVariable(std::optional<QByteArray> value) {
        if (value)
            qputenv(kName, *value);
        else
            qunsetenv(kName);
    }
    ~ReduceMotionVariable() { qunsetenv(kName); }

private:
    static constexpr const char* kName = "SORVALIND_REDUCE_MOTION";
};

// A private dbus-daemon for one test.
class PrivateBus {
public:
    PrivateBus() {
        daemon_.start(QStringLiteral("dbus-daemon"), {QStringLiteral("--session"), QStringLiteral("--nofork"),
                                                      QStringLiteral("--print-address=1")});
        if (!daemon_.waitForStarted(3000) || !daemon_.waitForReadyRead(3000)) return;
        address_ = QString::fromUtf8(daemon_.readLine()).trimmed();
    }
    ~PrivateBus() {
        for (const QString& name : names_)
            QDBusConnection::disconnectFromBus(name);
        daemon_.kill();
        daemon_.waitForFinished(3000);
    }
    bool running() const { return !address_.isEmpty(); }
    QDBusConnection connect(const QString& name) {
        names_.push_back(name);
        return QDBusConnection::connectToBus(address_, name);
    }

private:
    QProcess daemon_;
    QString address_;
    std::vector<QString> names_;
};

// The settings portal's Read, from a table of values, and its change signal.
class FakePortal final : public QDBusVirtualObject {
public:
    std::map<std::pair<QString, QString>, QVariant> values;

    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
        if (message.interface() != kPortalInterface || message.member() != u"Read") return false;
        const auto arguments = message.arguments();
        const auto found = values.find({arguments.value(0).toString(), arguments.value(1).toString()});
        if (found == values.end()) {
            connection.send(message.createErrorReply(QStringLiteral("org.freedesktop.portal.Error.NotFound"),
                                                     QStringLiteral("Requested setting not found")));
        } else {
            // Read answers a variant inside a variant.
            connection.send(message.createReply(
                QVariant::fromValue(QDBusVariant(QVariant::fromValue(QDBusVariant(found->second))))));
        }
        return true;
    }
    QString introspect(const QString&) const override { return {}; }
};

void announce(QDBusConnection& portal, const QString& nameSpace, const QString& key, const QVariant& value) {
    QDBusMessage signal =
        QDBusMessage::createSignal(kPortalPath, kPortalInterface, QStringLiteral("SettingChanged"));
    signal << nameSpace << key << QVariant::fromValue(QDBusVariant(value));
    portal.send(signal);
}

TEST(MotionPreference, TheEnvironmentVariableDecidesWhenItNamesATruthValue) {
    struct Case {
        std::optional<QByteArray> value;
        std::optional<bool> verdict;
    };
    const Case cases[] = {
        {"1", true},        {"true", true},          {"YES", true},       {" on ", true},
        {"0", false},       {"false", false},        {"No", false},       {"off", false},
        {"", std::nullopt}, {"maybe", std::nullopt}, {"2", std::nullopt}, {std::nullopt, std::nullopt},
    };
    const QDBusConnection noBus(QStringLiteral("motion-no-bus"));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value.value_or("(unset)").toStdString());
        ReduceMotionVariable variable(c.value);
        EXPECT_EQ(MotionPreference::environmentVerdict(), c.verdict);
        const MotionPreference preference(noBus, MotionPreference::kPortalTimeout);
        EXPECT_EQ(preference.reduceMotion(), c.verdict.value_or(false));
    }
}

TEST(MotionPreference, WithoutAPortalMotionIsAllowed) {
    PrivateBus bus;
    if (!bus.running()) GTEST_SKIP() << "no dbus-daemon";
    ReduceMotionVariable variable(std::nullopt);
    MotionPreference preference(bus.connect(QStringLiteral("motion-client")),
                                MotionPreference::kPortalTimeout);
    int changes = 0;
    QObject::connect(&preference, &MotionPreference::changed, [&] { ++changes; });
    // Long enough for both reads to fail.
    pumpUntil([] { return false; }, 300);
    EXPECT_FALSE(preference.reduceMotion());
    EXPECT_EQ(changes, 0);
}

TEST(MotionPreference, FollowsThePortalUnlessTheEnvironmentDecides) {
    PrivateBus bus;
    if (!bus.running()) GTEST_SKIP() << "no dbus-daemon";
    FakePortal portal;
    const QString gnome = QStringLiteral("org.gnome.desktop.interface");
    const QString appearance = QStringLiteral("org.freedesktop.appearance");
    portal.values[{gnome, QStringLiteral("enable-animations")}] = false;
    QDBusConnection portalBus = bus.connect(QStringLiteral("motion-portal"));
    ASSERT_TRUE(portalBus.registerVirtualObject(kPortalPath, &portal));
    ASSERT_TRUE(portalBus.registerService(kPortalService));

    ReduceMotionVariable unset(std::nullopt);
    MotionPreference preference(bus.connect(QStringLiteral("motion-client")),
                                MotionPreference::kPortalTimeout);
    std::vector<bool> changes;
    QObject::connect(&preference, &MotionPreference::changed,
                     [&](bool reduce) { changes.push_back(reduce); });
    EXPECT_FALSE(preference.reduceMotion()); // until the portal answers
    ASSERT_TRUE(pumpUntil([&] { return preference.reduceMotion(); }));

    // Followed: animations back on, then the appearance key asks for less
    // motion; a value outside the key's range means no preference.
    announce(portalBus, gnome, QStringLiteral("enable-animations"), true);
    ASSERT_TRUE(pumpUntil([&] { return !preference.reduceMotion(); }));
    announce(portalBus, appearance, QStringLiteral("reduced-motion"), 1u);
    ASSERT_TRUE(pumpUntil([&] { return preference.reduceMotion(); }));
    announce(portalBus, appearance, QStringLiteral("reduced-motion"), 7u);
    ASSERT_TRUE(pumpUntil([&] { return !preference.reduceMotion(); }));
    EXPECT_EQ(changes, (std::vector<bool>{true, false, true, false}));

    // The environment's word stands against the portal's.
    ReduceMotionVariable allowed("0");
    MotionPreference decided(bus.connect(QStringLiteral("motion-decided")), MotionPreference::kPortalTimeout);
    announce(portalBus, gnome, QStringLiteral("enable-animations"), false);
    ASSERT_TRUE(pumpUntil([&] { return preference.reduceMotion(); }));
    EXPECT_FALSE(decided.reduceMotion());

    portalBus.unregisterObject(kPortalPath);
}

TEST(MotionPreference, TheTestSwitchTurnsAnimationOff) {
    ReduceMotionVariable allowed("0");
    const MotionPreference preference(QDBusConnection(QStringLiteral("motion-no-bus")),
                                      MotionPreference::kPortalTimeout);
    EXPECT_FALSE(preference.reduceMotion());
    MotionPreference::setAnimationSwitchedOff(true);
    EXPECT_TRUE(preference.reduceMotion());
    MotionPreference::setAnimationSwitchedOff(false);
    EXPECT_FALSE(preference.reduceMotion());
}

} // namespace
} // namespace sorvalind
