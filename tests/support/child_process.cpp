#include "support/child_process.h"

#include "support/paths.h"

#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <stdexcept>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace sorvalind::test {

ChildProcess::ChildProcess(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                           const std::vector<std::pair<std::string, std::string>>& environment,
                           const std::filesystem::path& scratch) {
    static int counter = 0;
    const std::string stem = std::to_string(::getpid()) + "-" + std::to_string(++counter);
    out_ = scratch / ("out-" + stem);
    err_ = scratch / ("err-" + stem);
    std::vector<std::string> variables;
    for (char** entry = environ; *entry; ++entry) {
        const std::string_view text(*entry);
        bool replaced = false;
        for (const auto& [name, value] : environment)
            replaced = replaced || text.rfind(name + "=", 0) == 0;
        if (!replaced) variables.emplace_back(text);
    }
    for (const auto& [name, value] : environment)
        if (!value.empty()) variables.push_back(name + "=" + value);
    std::vector<std::string> argv{program.string()};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    std::vector<char*> rawArgs;
    for (auto& argument : argv)
        rawArgs.push_back(argument.data());
    rawArgs.push_back(nullptr);
    std::vector<char*> rawEnvironment;
    for (auto& variable : variables)
        rawEnvironment.push_back(variable.data());
    rawEnvironment.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, out_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, err_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int failed =
        posix_spawn(&pid_, argv[0].c_str(), &actions, nullptr, rawArgs.data(), rawEnvironment.data());
    posix_spawn_file_actions_destroy(&actions);
    if (failed != 0) throw std::runtime_error("cannot start " + program.string());
}

ChildProcess::~ChildProcess() {
    if (!status_ && pid_ > 0) {
        ::kill(pid_, SIGKILL);
        int status = 0;
        ::waitpid(pid_, &status, 0);
    }
}

void ChildProcess::signal(int number) const {
    ::kill(pid_, number);
}

std::optional<int> ChildProcess::wait(std::chrono::milliseconds bound) {
    const auto deadline = std::chrono::steady_clock::now() + bound;
    while (!status_) {
        int status = 0;
        const pid_t done = ::waitpid(pid_, &status, WNOHANG);
        if (done == pid_) {
            status_ = WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
            break;
        }
        if (std::chrono::steady_clock::now() >= deadline) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return status_;
}

bool ChildProcess::running() {
    return !wait(std::chrono::milliseconds(0));
}

std::string ChildProcess::out() const {
    return readFile(out_);
}

std::string ChildProcess::err() const {
    return readFile(err_);
}

} // namespace sorvalind::test
