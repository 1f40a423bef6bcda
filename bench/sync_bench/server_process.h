#pragma once
// A benchmark's fake server process: started with its arguments (the
// synchronisation benchmark's takes the library size), its port read from
// its first line of output, ended by closing its input.
// Benchmark thread only; throws std::runtime_error when it cannot start.

#include <sys/types.h>

#include <string>
#include <vector>

namespace sorvalind::bench {

class ServerProcess {
public:
    ServerProcess(const std::string& program, std::vector<std::string> arguments);
    ServerProcess(const std::string& program, int songs)
        : ServerProcess(program, std::vector<std::string>{std::to_string(songs)}) {}
    ~ServerProcess();
    ServerProcess(const ServerProcess&) = delete;
    ServerProcess& operator=(const ServerProcess&) = delete;

    int port() const noexcept { return port_; }

private:
    pid_t pid_ = -1;
    int input_ = -1;
    int port_ = 0;
};

} // namespace sorvalind::bench
