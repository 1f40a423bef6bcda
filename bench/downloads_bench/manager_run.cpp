#include "downloads_bench/manager_run.h"

#include "downloads/download_manager.h"
#include "http/network_security.h"
#include "runtime/thread_executor.h"

#include <future>
#include <memory>
#include <stdexcept>

namespace sorvalind::bench {

namespace {

// Runs `work` on the main actor and waits for its result.
template <class Work> auto onMain(Executor& mainActor, Work work) {
    std::packaged_task<decltype(work())()> task(std::move(work));
    auto result = task.get_future();
    mainActor.post([&task] { task(); });
    return result.get();
}

} // namespace

void downloadThroughManager(const std::string& serverUrl, const std::vector<Song>& songs,
                            const std::filesystem::path& folder) {
    SerialQueue mainActor("bench-main");
    LibraryRepository repository((folder / "Library.sqlite").string(), mainActor);
    auto api = std::make_shared<APIClient>(ServerConfiguration(serverUrl, "alice", true), "sesame", mainActor,
                                           NetworkSecurity::session());
    std::unique_ptr<DownloadManager> manager;
    Subscription watch;
    std::promise<std::string> finished; // empty: every song recorded; else a failure's text
    bool ended = false;

    onMain(mainActor, [&] {
        manager =
            std::make_unique<DownloadManager>(repository, mainActor, folder / "Audio", folder / "Transfers");
        watch = manager->jobs().subscribe([&](const std::vector<DownloadJob>& jobs) {
            if (ended) return;
            for (const auto& job : jobs) {
                if (job.status != DownloadJob::failed) continue;
                ended = true;
                finished.set_value(job.id() + ": " + job.error.value_or("failed"));
                return;
            }
            if (jobs.empty() && manager->records().value().size() == songs.size()) {
                ended = true;
                finished.set_value({});
            }
        });
        manager->configure(api);
        manager->enqueue(songs, DownloadQuality::original);
    });
    const std::string failure = finished.get_future().get();

    std::promise<void> stopped;
    onMain(mainActor, [&] {
        manager->shutdown().whenFinished(mainActor, [&](const Outcome<void>&) { stopped.set_value(); });
    });
    stopped.get_future().get();
    onMain(mainActor, [&] {
        watch = {};
        manager.reset();
    });
    if (!failure.empty()) throw std::runtime_error("a download failed: " + failure);
}

} // namespace sorvalind::bench
