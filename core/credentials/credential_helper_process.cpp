#include "credentials/credential_helper_process.h"

#include "errors/credential_error.h"

#include <cerrno>
#include <csignal>
#include <ctime>

#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <sys/wait.h>
#include <unistd.h>

#if __has_include(<linux/close_range.h>)
#include <linux/close_range.h>
#endif

namespace sorvalind {
namespace {

using Clock = std::chrono::steady_clock;

class UniqueFd {
public:
    explicit UniqueFd(int fd = -1) noexcept : fd_(fd) {}
    ~UniqueFd() { reset(); }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    int get() const noexcept { return fd_; }
    void reset() noexcept {
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
    }

private:
    int fd_;
};

struct Pipe {
    UniqueFd read, write;
};

Pipe makePipe() {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) throw CredentialError::verification();
    return {UniqueFd(fds[0]), UniqueFd(fds[1])};
}

// Kills and reaps a child that is still ours when the run ends early.
class ChildGuard {
public:
    explicit ChildGuard(pid_t pid) noexcept : pid_(pid) {}
    ~ChildGuard() {
        if (pid_ <= 0) return;
        ::kill(pid_, SIGKILL);
        int status = 0;
        while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
        }
    }
    ChildGuard(const ChildGuard&) = delete;
    ChildGuard& operator=(const ChildGuard&) = delete;
    // True once reaped, with its wait status.
    bool tryReap(int& status) noexcept {
        pid_t done = ::waitpid(pid_, &status, WNOHANG);
        if (done == 0 || (done < 0 && errno == EINTR)) return false;
        if (done < 0) status = -1; // not ours to reap: counts as a failed run
        pid_ = -1;
        return true;
    }

private:
    pid_t pid_;
};

// Writes with SIGPIPE blocked on this thread; a SIGPIPE that the write itself
// raised is taken off the pending set before the mask is restored.
ssize_t writeWithoutSigpipe(int fd, const char* data, std::size_t size) noexcept {
    sigset_t pipeSignal, previous, pending;
    sigemptyset(&pipeSignal);
    sigaddset(&pipeSignal, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipeSignal, &previous);
    sigpending(&pending);
    bool alreadyPending = sigismember(&pending, SIGPIPE) == 1;
    ssize_t written = ::write(fd, data, size);
    int error = errno;
    if (written < 0 && error == EPIPE && !alreadyPending) {
        timespec zero{};
        while (sigtimedwait(&pipeSignal, nullptr, &zero) < 0 && errno == EINTR) {
        }
    }
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    errno = error;
    return written;
}

int millisecondsUntil(Clock::time_point deadline) noexcept {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) return 0;
    return left > 60'000 ? 60'000 : static_cast<int>(left);
}

// Only async-signal-safe calls between fork and exec.
[[noreturn]] void startChild(int executableFd, int input, int output, char* const* argv,
                             char* const* envp) noexcept {
    sigset_t none;
    sigemptyset(&none);
    pthread_sigmask(SIG_SETMASK, &none, nullptr);
    struct sigaction defaults {};
    defaults.sa_handler = SIG_DFL;
    sigaction(SIGPIPE, &defaults, nullptr);
    int null = ::open("/dev/null", O_WRONLY);
    if (null < 0 || ::dup2(input, 0) < 0 || ::dup2(output, 1) < 0 || ::dup2(null, 2) < 0) ::_exit(127);
        // Nothing of this process but the three standard streams reaches the
        // helper; the executable stays open until the exec itself.
#ifdef CLOSE_RANGE_CLOEXEC
    ::close_range(3, ~0U, CLOSE_RANGE_CLOEXEC);
#endif
    ::fexecve(executableFd, argv, envp);
    ::_exit(127);
}

} // namespace

HelperProcessResult runHelperProcess(int executableFd, const std::vector<std::string>& arguments,
                                     const std::vector<std::string>& environment, std::string_view input,
                                     const HelperProcessLimits& limits) {
    const Clock::time_point deadline = Clock::now() + limits.timeout;
    Pipe toChild = makePipe();
    Pipe fromChild = makePipe();

    std::vector<char*> argv;
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (const std::string& entry : environment)
        envp.push_back(const_cast<char*>(entry.c_str()));
    envp.push_back(nullptr);

    pid_t pid = ::fork();
    if (pid < 0) throw CredentialError::verification();
    if (pid == 0)
        startChild(executableFd, toChild.read.get(), fromChild.write.get(), argv.data(), envp.data());
    ChildGuard child(pid);
    toChild.read.reset();
    fromChild.write.reset();
    ::fcntl(toChild.write.get(), F_SETFL, O_NONBLOCK);
    ::fcntl(fromChild.read.get(), F_SETFL, O_NONBLOCK);

    HelperProcessResult result;
    std::size_t sent = 0;
    if (input.empty()) toChild.write.reset();
    char buffer[16384];
    bool outputOpen = true;
    while (outputOpen) {
        pollfd fds[2] = {{fromChild.read.get(), POLLIN, 0}, {toChild.write.get(), POLLOUT, 0}};
        nfds_t count = toChild.write.get() >= 0 ? 2 : 1;
        int timeout = millisecondsUntil(deadline);
        if (timeout == 0) throw CredentialError::verification();
        int ready = ::poll(fds, count, timeout);
        if (ready < 0 && errno != EINTR) throw CredentialError::verification();
        if (ready <= 0) continue;
        if (count == 2 && fds[1].revents) {
            ssize_t written =
                writeWithoutSigpipe(toChild.write.get(), input.data() + sent, input.size() - sent);
            if (written > 0) sent += static_cast<std::size_t>(written);
            // A helper that stopped reading (it refused its parent, or took
            // what it accepts) has answered or will: stop writing, read on.
            if ((written < 0 && errno != EAGAIN && errno != EINTR) || sent == input.size())
                toChild.write.reset();
        }
        if (fds[0].revents) {
            // Never read more than one byte past the limit.
            std::size_t room = limits.outputLimit + 1 - result.output.size();
            ssize_t got = ::read(fromChild.read.get(), buffer, room < sizeof buffer ? room : sizeof buffer);
            if (got > 0) {
                result.output.append(buffer, static_cast<std::size_t>(got));
                if (result.output.size() > limits.outputLimit) throw CredentialError::verification();
            } else if (got == 0) {
                outputOpen = false;
            } else if (errno != EAGAIN && errno != EINTR) {
                throw CredentialError::verification();
            }
        }
    }
    toChild.write.reset();

    int status = 0;
    while (!child.tryReap(status)) {
        int timeout = millisecondsUntil(deadline);
        if (timeout == 0) throw CredentialError::verification();
        timespec pause{0, 2'000'000};
        ::nanosleep(&pause, nullptr);
    }
    result.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

} // namespace sorvalind
