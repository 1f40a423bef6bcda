#pragma once
// Writes what an earlier run of the program would have left in a profile:
// the saved server and its password in the session's keyring, a setting,
// and a play queue with a position in the server's library store. Each is
// written the way the program reads it.
//
// The test's own thread; the keyring calls need the session bus named in
// this process's environment.

#include "loopback/fake_subsonic_server.h"
#include "server/server_configuration.h"
#include "support/program_profile.h"

#include <optional>
#include <string>
#include <vector>

namespace sorvalind::test {

class SeededProfile {
public:
    SeededProfile(const ProgramProfile& profile, loopback::FakeSubsonicServer& server);

    const ServerConfiguration& configuration() const noexcept { return configuration_; }

    // The server in the settings and its password in the keyring.
    void saveLogin();
    void setBool(const std::string& key, bool value);
    // A queue of `songIds` starting at the first, at `position` seconds.
    void saveQueue(const std::vector<std::string>& songIds, double position);
    // A value the program keeps in the library store, read beside it.
    std::optional<std::string> storedState(const std::string& key) const;

private:
    std::filesystem::path configFolder() const;
    std::filesystem::path dataFolder() const;

    const ProgramProfile& profile_;
    loopback::FakeSubsonicServer& server_;
    ServerConfiguration configuration_;
};

} // namespace sorvalind::test
