// The desktop backends of the model's services: the main actor on the event
// loop, settings files, XDG folders, reachability, clipboard and workspace.

#include "platform/qt_main_actor.h"
#include "platform/qt_pasteboard.h"
#include "platform/qt_path_monitor.h"
#include "platform/qt_preferences.h"
#include "platform/qt_workspace.h"
#include "platform/xdg_app_paths.h"
#include "support/paths.h"

#include <gtest/gtest.h>

#include <QClipboard>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QGuiApplication>
#include <QStandardPaths>

#include <thread>

namespace sorvalind::test {
namespace {

using namespace std::chrono_literals;

// Runs the event loop until `done` or a generous bound (a hang guard, not a timing check).
bool spin(const std::function<bool()>& done) {
    QDeadlineTimer bound(10s);
    while (!done()) {
        if (bound.hasExpired()) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

TEST(QtMainActor, RunsTasksInOrderOnTheGuiThread) {
    QtMainActor actor;
    std::vector<int> order;
    bool onOwnThread = true;
    for (int i = 0; i < 3; ++i)
        actor.post([&, i] { order.push_back(i); });
    std::thread([&] {
        EXPECT_FALSE(actor.isCurrent());
        actor.post([&] {
            onOwnThread = actor.isCurrent();
            order.push_back(3);
        });
    }).join();
    // Timers fire in time order, a later one after an earlier one.
    const auto now = actor.clock().now();
    actor.postAt(now + 30ms, [&] { order.push_back(5); });
    actor.postAt(now + 10ms, [&] { order.push_back(4); });
    ASSERT_TRUE(spin([&] { return order.size() == 6; }));
    EXPECT_EQ(order, (std::vector<int>{0, 1, 2, 3, 4, 5}));
    EXPECT_TRUE(onOwnThread);
    EXPECT_GE(actor.clock().now(), now + 30ms);
}

TEST(QtMainActor, DropsWhatIsStillQueuedWhenItGoes) {
    bool ran = false;
    {
        QtMainActor actor;
        actor.post([&] { ran = true; });
        actor.postAfter(1ms, [&] { ran = true; });
    }
    QCoreApplication::processEvents();
    std::this_thread::sleep_for(5ms);
    QCoreApplication::processEvents();
    EXPECT_FALSE(ran);
}

TEST(QtPreferences, KeepsEachValueItsTypeAcrossInstances) {
    TempDir dir;
    std::vector<std::string> changes;
    {
        QtPreferences preferences(dir.path(), "nl.pwelkin.sorvalind");
        auto watching =
            preferences.changes().subscribe([&](const std::string& key) { changes.push_back(key); });
        preferences.setBool("forceOfflineMode", true);
        preferences.setString("downloadQuality", "mp3_320");
        preferences.setString("looksBoolean", "true");
        preferences.setData("server", {0x7b, 0x00, 0x7d});
    }
    EXPECT_EQ(changes,
              (std::vector<std::string>{"forceOfflineMode", "downloadQuality", "looksBoolean", "server"}));
    EXPECT_TRUE(std::filesystem::exists(dir.path() / "nl.pwelkin.sorvalind.ini"));

    QtPreferences reread(dir.path(), "nl.pwelkin.sorvalind");
    EXPECT_EQ(reread.boolValue("forceOfflineMode"), true);
    EXPECT_EQ(reread.stringValue("forceOfflineMode"), std::nullopt);
    EXPECT_EQ(reread.stringValue("downloadQuality"), "mp3_320");
    EXPECT_EQ(reread.stringValue("looksBoolean"), "true");
    EXPECT_EQ(reread.boolValue("looksBoolean"), std::nullopt);
    EXPECT_EQ(reread.dataValue("server"), (PreferenceData{0x7b, 0x00, 0x7d}));
    EXPECT_FALSE(reread.contains("missing"));

    // Another type replaces the value; removing a key removes every type.
    reread.setString("forceOfflineMode", "no");
    EXPECT_EQ(reread.boolValue("forceOfflineMode"), std::nullopt);
    reread.remove("forceOfflineMode");
    EXPECT_FALSE(reread.contains("forceOfflineMode"));

    // The legacy domain is a file of its own; removing a domain deletes its file.
    QtPreferences legacy(dir.path(), "app.sorvalind.player");
    legacy.setString("server", "{}");
    EXPECT_EQ(reread.stringValue("server"), std::nullopt);
    legacy.removeAll();
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "app.sorvalind.player.ini"));
    EXPECT_TRUE(std::filesystem::exists(dir.path() / "nl.pwelkin.sorvalind.ini"));
}

TEST(XdgAppPaths, NeverAnswersARelativeFolder) {
    const QByteArray data = qgetenv("XDG_DATA_HOME");
    const QByteArray cache = qgetenv("XDG_CACHE_HOME");
    TempDir dir;
    qputenv("XDG_DATA_HOME", QByteArray::fromStdString((dir.path() / "data").string()));
    qputenv("XDG_CACHE_HOME", QByteArray::fromStdString((dir.path() / "cache").string()));
    XdgAppPaths paths;
    EXPECT_EQ(paths.applicationSupport(), dir.path() / "data");
    EXPECT_EQ(paths.caches(), dir.path() / "cache");

    qputenv("XDG_DATA_HOME", "relative/data");
    qputenv("XDG_CACHE_HOME", "relative/cache");
    for (const auto& path : {paths.applicationSupport(), paths.caches()})
        EXPECT_TRUE(path.empty() || path.is_absolute()) << path;

    qputenv("XDG_DATA_HOME", data);
    qputenv("XDG_CACHE_HOME", cache);
}

TEST(QtPathMonitor, ReportsOnceAtStartOrCountsAsAlwaysAvailable) {
    QtPathMonitor monitor;
    std::vector<bool> reports;
    monitor.start([&](bool available) { reports.push_back(available); });
    QCoreApplication::processEvents();
    EXPECT_EQ(reports.size(), monitor.hasBackend() ? 1u : 0u);
}

TEST(QtPasteboard, PutsTheTextOnTheClipboard) {
    QtPasteboard pasteboard;
    pasteboard.setString("https://music.example.com/share/abc");
    EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(), "https://music.example.com/share/abc");
}

TEST(QtWorkspace, OpensOnlyExistingFoldersAndWebAddresses) {
    std::vector<QUrl> opened;
    QtWorkspace workspace([&](const QUrl& url) {
        opened.push_back(url);
        return true;
    });
    TempDir dir;
    EXPECT_TRUE(workspace.openFolder(dir.path()));
    EXPECT_FALSE(workspace.openFolder("relative"));
    EXPECT_FALSE(workspace.openFolder(dir.path() / "missing"));
    EXPECT_TRUE(workspace.openURL("https://example.com/privacy"));
    for (const char* refused : {"file:///etc/passwd", "javascript:alert(1)", "https://", "not a url"})
        EXPECT_FALSE(workspace.openURL(refused)) << refused;
    ASSERT_EQ(opened.size(), 2u);
    EXPECT_EQ(opened[0], QUrl::fromLocalFile(QString::fromStdString(dir.path().string())));
    EXPECT_EQ(opened[1].host(), "example.com");
}

} // namespace
} // namespace sorvalind::test
