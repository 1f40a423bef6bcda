#pragma once
// Runs the build tree's trusted test parent, which starts the real helper
// program, with one request on its standard input; the helper reaches the
// session keyring this test runs in. Returns what the parent printed.
// Test thread; throws std::runtime_error when the parent is missing and
// CredentialError when it cannot be run.

#include <string>

namespace sorvalind::test {

std::string throughGenuineParent(const std::string& request);

} // namespace sorvalind::test
