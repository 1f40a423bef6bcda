#pragma once
// The program run as a process on a profile of its own: fresh settings,
// data, cache, temporary and runtime folders under one scratch folder, named
// in each child's environment, so a run never meets the user's own profile
// or another run's. By default the child sees no desktop session: Qt's
// offscreen platform, no session bus and no sound server; a test that brings
// its own sets them. The program's one-instance socket in the runtime folder
// tells when a first instance serves.
//
// The test's own thread only.

#include "support/child_process.h"
#include "support/paths.h"

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace sorvalind::test {

class ProgramProfile {
public:
    using Environment = std::vector<std::pair<std::string, std::string>>;

    explicit ProgramProfile(std::filesystem::path program);

    const std::filesystem::path& root() const noexcept { return scratch_.path(); }
    std::filesystem::path runtimeFolder() const { return root() / "run"; }
    // The variables each child gets on top of this process's environment.
    const Environment& environment() const noexcept { return environment_; }
    // Sets (or, with an empty value, removes) a variable for later children.
    void set(const std::string& name, const std::string& value);

    std::unique_ptr<ChildProcess> start(const std::vector<std::string>& arguments = {}) const;

    // How many instances serve in this runtime folder (one per profile).
    int servingInstances() const;
    // Waits until an instance serves, for at most `bound`; false at once
    // when `child` ends first.
    bool waitUntilServing(ChildProcess& child,
                          std::chrono::milliseconds bound = std::chrono::seconds(30)) const;

private:
    std::filesystem::path program_;
    TempDir scratch_;
    Environment environment_;
};

} // namespace sorvalind::test
