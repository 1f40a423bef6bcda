// The desktop backends of the model's services: the main actor on the event
// loop, settings files, XDG folders, reachability, clipboard and workspace.

#include "model/app_reset_storage.h"
#include "platform/qt_main_actor.h"
#include "platform/qt_pasteboard.h"
#include "platform/qt_path_monitor.h"
#include "platform/qt_preference_domains.h"
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

TEST(QtPreferenceDomains, ADomainIsItsFileAndGoesWithIt) {
    TempDir dir;
    QtPreferenceDomains domains(dir.path());
    EXPECT_FALSE(domains.hasPersistentDomain("nl.pwelkin.sorvalind"));
    Preferences& own = domains.domain("nl.pwelkin.sorvalind");
    EXPECT_EQ(&own, &domains.domain("nl.pwelkin.sorvalind"));
    own.setString("downloadQuality", "mp3_256");
    EXPECT_TRUE(domains.hasPersistentDomain("nl.pwelkin.sorvalind"));

    // A domain written by an earlier run, never opened in this one.
    QtPreferences(dir.path(), "app.sorvalind.player").setString("streamingQuality", "mp3_192");
    EXPECT_TRUE(domains.hasPersistentDomain("app.sorvalind.player"));
    domains.removePersistentDomain("app.sorvalind.player");
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "app.sorvalind.player.ini"));

    // Removing the open domain empties the object too, so nothing is written back.
    domains.removePersistentDomain("nl.pwelkin.sorvalind");
    EXPECT_FALSE(domains.hasPersistentDomain("nl.pwelkin.sorvalind"));
    EXPECT_FALSE(own.contains("downloadQuality"));
    domains.removePersistentDomain("never.written");

    // Without a settings folder nothing lands in the working directory.
    const auto cwd = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());
    QtPreferenceDomains nowhere{std::filesystem::path()};
    nowhere.domain("nl.pwelkin.sorvalind").setBool("forceOfflineMode", true);
    EXPECT_FALSE(nowhere.hasPersistentDomain("nl.pwelkin.sorvalind"));
    std::filesystem::current_path(cwd);
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "nl.pwelkin.sorvalind.ini"));
}

TEST(ResetStorage, ClearsTheXdgFoldersAndTheSettingsFiles) {
    const std::vector<QByteArray> names = {"XDG_DATA_HOME", "XDG_CACHE_HOME", "TMPDIR"};
    std::vector<QByteArray> saved;
    for (const auto& name : names)
        saved.push_back(qgetenv(name.constData()));
    TempDir dir;
    qputenv("XDG_DATA_HOME", QByteArray::fromStdString((dir.path() / "data").string()));
    qputenv("XDG_CACHE_HOME", QByteArray::fromStdString((dir.path() / "cache").string()));
    qputenv("TMPDIR", QByteArray::fromStdString((dir.path() / "tmp").string()));
    std::filesystem::create_directories(dir.path() / "tmp");
    XdgAppPaths paths;
    QtPreferenceDomains domains(dir.path() / "config");
    const auto storage = AppResetStorage::live(paths, domains, "nl.pwelkin.sorvalind");
    const std::vector<std::filesystem::path> expected = {
        dir.path() / "data" / "Sorvalind", dir.path() / "cache" / "Sorvalind",
        dir.path() / "cache" / "nl.pwelkin.sorvalind", dir.path() / "tmp" / "Sorvalind",
        dir.path() / "cache" / "app.sorvalind.player"};
    EXPECT_EQ(storage.directories, expected);

    for (const auto& folder : expected)
        std::filesystem::create_directories(folder / "inside");
    // A link among them goes, what it points to stays.
    std::filesystem::create_directories(dir.path() / "elsewhere");
    std::filesystem::remove_all(expected[3]);
    std::filesystem::create_directory_symlink(dir.path() / "elsewhere", expected[3]);
    std::filesystem::create_directories(dir.path() / "data" / "other-application");
    domains.domain("nl.pwelkin.sorvalind").setString("downloadQuality", "mp3_320");
    QtPreferences(dir.path() / "config", "app.sorvalind.player").setString("downloadQuality", "mp3_192");
    QtPreferences(dir.path() / "config", "other.application").setString("kept", "yes");

    storage.clear();
    for (const auto& folder : expected)
        EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(folder))) << folder;
    EXPECT_TRUE(std::filesystem::exists(dir.path() / "elsewhere"));
    EXPECT_TRUE(std::filesystem::exists(dir.path() / "data" / "other-application"));
    EXPECT_FALSE(domains.hasPersistentDomain("nl.pwelkin.sorvalind"));
    EXPECT_FALSE(domains.hasPersistentDomain("app.sorvalind.player"));
    EXPECT_TRUE(domains.hasPersistentDomain("other.application"));

    for (std::size_t i = 0; i < names.size(); ++i) {
        if (saved[i].isNull()) {
            qunsetenv(names[i].constData());
        } else {
            qputenv(names[i].constData(), saved[i]);
        }
    }
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
