#include "sync_bench/server_process.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <stdexcept>
#include <string>

extern char** environ;

namespace sorvalind::bench {

ServerProcess::ServerProcess(const std::string& program, std::vector<std::string> arguments) {
    int in[2];
    int out[2];
    if (pipe(in) != 0 || pipe(out) != 0) throw std::runtime_error("pipe failed");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, in[1]);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (auto& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    const int failed = posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(in[0]);
    close(out[1]);
    input_ = in[1];
    if (failed != 0) {
        close(out[0]);
        throw std::runtime_error("cannot start " + program);
    }
    FILE* output = fdopen(out[0], "r");
    if (!output || std::fscanf(output, "%d", &port_) != 1) {
        if (output) std::fclose(output);
        throw std::runtime_error("the server printed no port");
    }
    std::fclose(output);
}

ServerProcess::~ServerProcess() {
    if (input_ >= 0) close(input_);
    if (pid_ > 0) {
        int status = 0;
        waitpid(pid_, &status, 0);
    }
}

} // namespace sorvalind::bench
