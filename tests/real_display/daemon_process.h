#pragma once
// A service a test runs for its programs (the X server, the session bus, the
// keyring, the sound server): a child process that dies with the test even
// when the test itself is killed (the kernel signals it when its parent
// ends), and that is ended and reaped when the object goes. A daemon may
// report one line when it is ready (a display number, a bus address) on a
// pipe given to it as a file descriptor or as its standard output.
//
// The test's own thread only.

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <sys/types.h>

namespace sorvalind::test {

class DaemonProcess {
public:
    struct Options {
        std::vector<std::string> arguments;
        // Set (or, with an empty value, removed) on top of this process's.
        std::vector<std::pair<std::string, std::string>> environment;
        // The number the ready line's pipe gets in the child: 1 for standard
        // output, or any other; none when the daemon reports nothing.
        std::optional<int> readyFd;
        // Written to the daemon's standard input, which is then closed.
        std::optional<std::string> input;
        // Where standard error (and output, when not the ready line) go.
        std::filesystem::path log;
    };

    // Throws std::runtime_error when the program cannot be started.
    DaemonProcess(const std::string& program, const Options& options);
    ~DaemonProcess();
    DaemonProcess(const DaemonProcess&) = delete;
    DaemonProcess& operator=(const DaemonProcess&) = delete;

    // The first line the daemon reported, without its line feed; none when
    // it ended or said nothing within `bound`.
    std::optional<std::string> readyLine(std::chrono::milliseconds bound);
    bool running();
    pid_t pid() const noexcept { return pid_; }

private:
    pid_t pid_ = -1;
    int ready_ = -1;
    bool reaped_ = false;
};

} // namespace sorvalind::test
