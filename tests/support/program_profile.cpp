#include "support/program_profile.h"

#include <algorithm>
#include <thread>

namespace sorvalind::test {

ProgramProfile::ProgramProfile(std::filesystem::path program) : program_(std::move(program)) {
    for (const char* folder : {"config", "data", "cache", "tmp", "run"})
        std::filesystem::create_directories(root() / folder);
    std::filesystem::permissions(runtimeFolder(), std::filesystem::perms::owner_all);
    environment_ = {
        {"XDG_CONFIG_HOME", (root() / "config").string()},      {"XDG_DATA_HOME", (root() / "data").string()},
        {"XDG_CACHE_HOME", (root() / "cache").string()},        {"TMPDIR", (root() / "tmp").string()},
        {"XDG_RUNTIME_DIR", runtimeFolder().string()},          {"QT_QPA_PLATFORM", "offscreen"},
        {"DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent"}, {"PULSE_SERVER", "unix:/nonexistent"},
    };
}

void ProgramProfile::set(const std::string& name, const std::string& value) {
    const auto found = std::find_if(environment_.begin(), environment_.end(),
                                    [&](const auto& variable) { return variable.first == name; });
    if (found != environment_.end())
        found->second = value;
    else
        environment_.emplace_back(name, value);
}

std::unique_ptr<ChildProcess> ProgramProfile::start(const std::vector<std::string>& arguments) const {
    return std::make_unique<ChildProcess>(program_, arguments, environment_, root());
}

int ProgramProfile::servingInstances() const {
    int count = 0;
    std::error_code failed;
    for (const auto& entry : std::filesystem::directory_iterator(runtimeFolder(), failed))
        count += entry.path().extension() == ".socket";
    return count;
}

bool ProgramProfile::waitUntilServing(ChildProcess& child, std::chrono::milliseconds bound) const {
    const auto deadline = std::chrono::steady_clock::now() + bound;
    while (servingInstances() == 0) {
        if (!child.running() || std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

} // namespace sorvalind::test
