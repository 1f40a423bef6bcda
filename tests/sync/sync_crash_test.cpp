#include "support/library_contents.h"
#include "sync_fixture.h"

#include "platform/sqlite/database.h"

#include <sqlite3.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <random>
#include <thread>

namespace sorvalind::test {
namespace {

using namespace std::chrono_literals;

// What the parent tells the child process, through its environment.
constexpr const char* storeVariable = "SORVALIND_CRASH_STORE";
constexpr const char* serverVariable = "SORVALIND_CRASH_SERVER";
constexpr const char* pageVariable = "SORVALIND_CRASH_PAGE";
constexpr const char* delayVariable = "SORVALIND_CRASH_DELAY_US";

// Kills its own process, as kill -9 from outside would, when the engine asks
// for page `killAt` of the run, after `delay`: the page before is then being
// written (the engine asks for the next page while it writes one).
class KillingAPI final : public LibraryAPI {
public:
    KillingAPI(LibraryAPI& inner, int killAt, std::chrono::microseconds delay)
        : inner_(inner), killAt_(killAt), delay_(delay) {}
    SearchPage page(int artists, int albums, int songs, int count, std::stop_token stop) override {
        if (++calls_ == killAt_) {
            std::this_thread::sleep_for(delay_);
            ::kill(::getpid(), SIGKILL);
        }
        return inner_.page(artists, albums, songs, count, stop);
    }
    std::vector<Playlist> playlists(std::stop_token stop) override { return inner_.playlists(stop); }
    Playlist playlist(const std::string& id, std::stop_token stop) override {
        return inner_.playlist(id, stop);
    }

private:
    LibraryAPI& inner_;
    int killAt_;
    std::chrono::microseconds delay_;
    std::atomic<int> calls_ = 0;
};

// The child's side: a run into the store the parent named, against its
// server, killed at the page it named. Only the crash test starts it.
TEST(SyncCrashChild, RunsUntilKilled) {
    const char* store = std::getenv(storeVariable);
    if (!store) GTEST_SKIP() << "runs only in the process the crash test starts";
    SerialQueue mainActor("child-main");
    APIClient client(ServerConfiguration(std::getenv(serverVariable), "alice", true), "sesame", mainActor);
    LibraryRepository repository(store, mainActor);
    SyncEngine engine(repository, mainActor, systemWallClock(), "en_US");
    KillingAPI killing(client, std::atoi(std::getenv(pageVariable)),
                       std::chrono::microseconds(std::atoi(std::getenv(delayVariable))));
    engine.refresh(killing, {});
}

using SyncCrashTest = SyncTest;

// Runs the child on `store`, killed at `page` after `delay`; waits at most a
// minute. True when it was killed, false when its run ended first.
bool runKilledChild(const std::string& store, const std::string& server, int page, int delay) {
    // Everything the child needs is built before the fork: after it, the
    // child only calls execve.
    std::vector<std::string> environment;
    for (char** entry = environ; *entry; ++entry)
        environment.emplace_back(*entry);
    environment.push_back(std::string(storeVariable) + "=" + store);
    environment.push_back(std::string(serverVariable) + "=" + server);
    environment.push_back(std::string(pageVariable) + "=" + std::to_string(page));
    environment.push_back(std::string(delayVariable) + "=" + std::to_string(delay));
    std::vector<char*> envp;
    for (auto& entry : environment)
        envp.push_back(entry.data());
    envp.push_back(nullptr);
    std::string program = "/proc/self/exe";
    std::string filter = "--gtest_filter=SyncCrashChild.RunsUntilKilled";
    char* argv[] = {program.data(), filter.data(), nullptr};

    const pid_t child = ::fork();
    if (child == 0) {
        ::execve(program.c_str(), argv, envp.data());
        ::_exit(127);
    }
    if (child < 0) {
        ADD_FAILURE() << "fork failed";
        return false;
    }
    int status = 0;
    const auto deadline = std::chrono::steady_clock::now() + 60s;
    while (::waitpid(child, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(child, SIGKILL);
            ::waitpid(child, &status, 0);
            ADD_FAILURE() << "the child's run did not end within a minute";
            return false;
        }
        std::this_thread::sleep_for(10ms);
    }
    if (WIFSIGNALED(status)) {
        EXPECT_EQ(WTERMSIG(status), SIGKILL);
        return true;
    }
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
    return false;
}

// A run killed at random pages, again and again (the later runs resume what
// the earlier ones left): the next whole run leaves a consistent store equal
// to the server's library, as a run that was never interrupted does.
TEST_F(SyncCrashTest, AKillAtAnyPageLeavesAStoreTheNextRunCompletes) {
    startServer(libraryOf(10, 10, 30)); // 3,000 songs: six pages and the empty one
    const std::string store = (folder.path() / "Crashed.sqlite").string();
    const unsigned seed = std::random_device{}();
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 random(seed);
    int kills = 0;
    for (int round = 0; round < 4; ++round) {
        const int page = std::uniform_int_distribution(1, 7)(random);
        const int delay = std::uniform_int_distribution(0, 40'000)(random);
        if (runKilledChild(store, server->baseUrl(), page, delay)) ++kills;
    }
    EXPECT_GT(kills, 0);

    wall.set(systemWallClock().now());
    sync();
    LibraryRepository crashed(store, mainActor, wall);
    {
        SyncEngine again(crashed, mainActor, wall, "en_US");
        again.refresh(*client, {});
    }
    EXPECT_EQ(crashed.state("syncCheckpoint"), std::nullopt);
    EXPECT_EQ(crashed.songCount(), 3000);
    EXPECT_EQ(libraryContents(crashed), libraryContents(*repository));
    crashed.close();

    Database database(store, SQLITE_OPEN_READWRITE);
    auto check = database.prepare("PRAGMA integrity_check");
    ASSERT_TRUE(check.step());
    EXPECT_EQ(check.columnText(0), "ok");
    for (const char* table : {"song_fts", "album_fts", "artist_fts"})
        EXPECT_NO_THROW(database.execute(std::string("INSERT INTO ") + table + "(" + table +
                                         ") VALUES('integrity-check')"))
            << table;
}

} // namespace
} // namespace sorvalind::test
