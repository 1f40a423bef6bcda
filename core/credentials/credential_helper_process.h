#pragma once
// Runs one credential helper process: starts the program from an already
// opened executable (so the file checked is the file started), with exactly
// the given environment, close-on-exec pipes on standard input and
// output and the null device on standard error; writes the input, closes
// it, reads the output and reaps the child on every path.
//
// A child that exits before reading its input does not raise SIGPIPE in the
// caller: the write fails quietly and its answer is still read. Output beyond
// the limit is not read: the child is killed. A child still running at the
// deadline is killed too.
//
// Any thread; blocks until the child is reaped. Throws
// CredentialError::verification when the child cannot be started, runs past
// the deadline or writes more than the limit.

#include <chrono>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace sorvalind {

struct HelperProcessLimits {
    std::size_t outputLimit = 0;
    std::chrono::milliseconds timeout{0};
};

struct HelperProcessResult {
    std::string output;
    int exitStatus = -1; // -1 when the child ended by a signal
};

// `arguments` become argv as they are (argv[0] first); `environment` holds
// "NAME=value" entries.
HelperProcessResult runHelperProcess(int executableFd, const std::vector<std::string>& arguments,
                                     const std::vector<std::string>& environment, std::string_view input,
                                     const HelperProcessLimits& limits);

} // namespace sorvalind
