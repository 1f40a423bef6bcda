#pragma once
// A program run by a test as a process of its own: arguments, environment
// changes, standard output and error captured into files, a signal, and a
// bounded wait for its exit. The destructor kills and reaps a child still
// running. The test's own thread only.

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <sys/types.h>

namespace sorvalind::test {

class ChildProcess {
public:
    // Starts `program` with `arguments`; `environment` sets (or, with an
    // empty value, removes) variables of this process's environment.
    // `scratch` holds the captured output. Throws std::runtime_error when the
    // program cannot be started.
    ChildProcess(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                 const std::vector<std::pair<std::string, std::string>>& environment,
                 const std::filesystem::path& scratch);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    pid_t pid() const noexcept { return pid_; }
    void signal(int number) const;
    // The exit status once it has exited within `bound`; none when it has
    // not (or ended by a signal: then -signal).
    std::optional<int> wait(std::chrono::milliseconds bound);
    bool running();

    std::string out() const;
    std::string err() const;

private:
    pid_t pid_ = -1;
    std::optional<int> status_;
    std::filesystem::path out_;
    std::filesystem::path err_;
};

} // namespace sorvalind::test
