#include "real_display/daemon_process.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace sorvalind::test {

namespace {

void closeBoth(int pipe[2]) {
    for (int i = 0; i < 2; ++i)
        if (pipe[i] >= 0) ::close(pipe[i]);
}

} // namespace

DaemonProcess::DaemonProcess(const std::string& program, const Options& options) {
    // Everything the child needs is prepared here: after fork it may only
    // call async-signal-safe functions.
    std::vector<std::string> argv{program};
    argv.insert(argv.end(), options.arguments.begin(), options.arguments.end());
    std::vector<char*> rawArgs;
    for (auto& argument : argv)
        rawArgs.push_back(argument.data());
    rawArgs.push_back(nullptr);
    std::vector<std::string> variables;
    for (char** entry = environ; *entry; ++entry) {
        const std::string_view text(*entry);
        bool replaced = false;
        for (const auto& [name, value] : options.environment)
            replaced = replaced || text.rfind(name + "=", 0) == 0;
        if (!replaced) variables.emplace_back(text);
    }
    for (const auto& [name, value] : options.environment)
        if (!value.empty()) variables.push_back(name + "=" + value);
    std::vector<char*> rawEnvironment;
    for (auto& variable : variables)
        rawEnvironment.push_back(variable.data());
    rawEnvironment.push_back(nullptr);

    int readyPipe[2] = {-1, -1};
    int inputPipe[2] = {-1, -1};
    if ((options.readyFd && ::pipe2(readyPipe, O_CLOEXEC) != 0) ||
        (options.input && ::pipe2(inputPipe, O_CLOEXEC) != 0)) {
        closeBoth(readyPipe);
        throw std::runtime_error("cannot make a pipe for " + program);
    }
    const int log = ::open(options.log.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    const pid_t parent = ::getpid();
    pid_ = ::fork();
    if (pid_ == 0) {
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        // The parent may have ended before the line above ran.
        if (::getppid() != parent) ::_exit(127);
        ::setpgid(0, 0);
        const int null = ::open("/dev/null", O_RDWR);
        ::dup2(inputPipe[0] >= 0 ? inputPipe[0] : null, 0);
        ::dup2(log >= 0 ? log : null, 1);
        ::dup2(log >= 0 ? log : null, 2);
        if (readyPipe[1] >= 0) ::dup2(readyPipe[1], *options.readyFd);
        ::execve(argv[0].c_str(), rawArgs.data(), rawEnvironment.data());
        ::execvpe(argv[0].c_str(), rawArgs.data(), rawEnvironment.data());
        ::_exit(127);
    }
    if (log >= 0) ::close(log);
    if (readyPipe[1] >= 0) ::close(readyPipe[1]);
    if (inputPipe[0] >= 0) ::close(inputPipe[0]);
    ready_ = readyPipe[0];
    if (pid_ < 0) {
        if (ready_ >= 0) ::close(ready_);
        if (inputPipe[1] >= 0) ::close(inputPipe[1]);
        throw std::runtime_error("cannot start " + program);
    }
    if (options.input) {
        [[maybe_unused]] const ssize_t written =
            ::write(inputPipe[1], options.input->data(), options.input->size());
        ::close(inputPipe[1]);
    }
}

DaemonProcess::~DaemonProcess() {
    if (ready_ >= 0) ::close(ready_);
    if (reaped_ || pid_ <= 0) return;
    ::kill(pid_, SIGTERM);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!reaped_ && std::chrono::steady_clock::now() < deadline) {
        if (::waitpid(pid_, nullptr, WNOHANG) == pid_)
            reaped_ = true;
        else
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (!reaped_) {
        // Its whole group: whatever it started itself goes too.
        ::kill(-pid_, SIGKILL);
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
    }
}

std::optional<std::string> DaemonProcess::readyLine(std::chrono::milliseconds bound) {
    if (ready_ < 0) return std::nullopt;
    const auto deadline = std::chrono::steady_clock::now() + bound;
    std::string line;
    while (true) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return std::nullopt;
        pollfd wait{ready_, POLLIN, 0};
        const int ready = ::poll(&wait, 1, static_cast<int>(left.count()));
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) return std::nullopt;
        char c = 0;
        const ssize_t got = ::read(ready_, &c, 1);
        if (got <= 0) return std::nullopt;
        if (c == '\n') return line;
        line.push_back(c);
    }
}

bool DaemonProcess::running() {
    if (reaped_) return false;
    if (::waitpid(pid_, nullptr, WNOHANG) == pid_) reaped_ = true;
    return !reaped_;
}

} // namespace sorvalind::test
