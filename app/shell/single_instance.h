#pragma once
// One running application per user and profile. The first launch holds an
// flock on a file under $XDG_RUNTIME_DIR (named for the profile's settings
// and data folders) and, once its QApplication exists, listens on a local
// socket beside it. A later launch, before it builds anything, finds the
// lock taken and asks the first over that socket to bring its main window
// forward: answered, it exits 0; unanswered within 2 seconds it prints
// "Sorvalind is already running." and exits 1.
//
// claim() and askRunningInstance() on the main thread before QApplication;
// listen() on the GUI thread after it.

#include <QObject>

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

class QLocalServer;

namespace sorvalind {

class SingleInstance final : public QObject {
public:
    static constexpr const char* alreadyRunningLine = "Sorvalind is already running.";
    static constexpr std::chrono::milliseconds answerTimeout{2000};

    // Takes the lock for this user and profile; null when another process
    // holds it.
    static std::unique_ptr<SingleInstance> claim();
    // Asks the holder of the lock to raise "main"; true when it answered in time.
    static bool askRunningInstance(std::chrono::milliseconds timeout = answerTimeout);

    // The lock file and the socket of this user and profile.
    static std::filesystem::path lockFile();
    static std::filesystem::path socketFile();

    ~SingleInstance() override;

    // Serves raise requests, calling `raise` for each; false when the socket
    // cannot be made (later launches then report that one is running).
    bool listen(std::function<void()> raise);

private:
    explicit SingleInstance(int lock) noexcept;
    int lock_ = -1;
    std::unique_ptr<QLocalServer> server_;
    std::function<void()> raise_;
};

} // namespace sorvalind
