#include "real_display/seeded_profile.h"

#include "credentials/credential_store.h"
#include "library/song.h"
#include "model/app_identifiers.h"
#include "model/app_model.h"
#include "platform/qt_preferences.h"
#include "platform/secret/secret_service_keychain.h"
#include "playback/playback_controller.h"
#include "playback/queue_state.h"
#include "runtime/thread_executor.h"
#include "store/library_repository.h"

#include <stdexcept>

namespace sorvalind::test {

namespace {

std::filesystem::path variable(const ProgramProfile& profile, const std::string& name) {
    for (const auto& [key, value] : profile.environment())
        if (key == name) return value;
    throw std::logic_error(name + " is not set for the program");
}

} // namespace

SeededProfile::SeededProfile(const ProgramProfile& profile, loopback::FakeSubsonicServer& server)
    : profile_(profile), server_(server), configuration_(server.baseUrl(), server.options().user, true) {}

std::filesystem::path SeededProfile::configFolder() const {
    return variable(profile_, "XDG_CONFIG_HOME") / "sorvalind";
}

std::filesystem::path SeededProfile::dataFolder() const {
    return variable(profile_, "XDG_DATA_HOME");
}

void SeededProfile::saveLogin() {
    const std::string data = configuration_.encode().dump();
    QtPreferences(configFolder(), std::string(ownApplicationIdentifier))
        .setData("server", PreferenceData(data.begin(), data.end()));
    SecretServiceKeychain keychain;
    CredentialStore(keychain, CredentialStore::Build::application)
        .save(server_.options().password, configuration_.identity());
}

void SeededProfile::setBool(const std::string& key, bool value) {
    QtPreferences(configFolder(), std::string(ownApplicationIdentifier)).setBool(key, value);
}

void SeededProfile::saveQueue(const std::vector<std::string>& songIds, double position) {
    std::vector<Song> songs;
    for (const auto& id : songIds) {
        const auto json =
            server_.withLibrary([&](loopback::FakeLibrary& library) { return *library.song(id); });
        songs.push_back(fromJSON<Song>(json));
    }
    QueueState queue;
    queue.replace(songs, std::nullopt, 0);
    const auto folder = AppModel::serverFolder(dataFolder(), configuration_);
    std::filesystem::create_directories(folder);
    // Calls from the main actor are refused; this thread is not one.
    SerialQueue mainActor("seed");
    {
        LibraryRepository repository((folder / "Library.sqlite").string(), mainActor);
        repository.savePlayback(toJSONText(queue), position);
    }
    mainActor.shutdown();
}

std::optional<std::string> SeededProfile::storedState(const std::string& key) const {
    const auto file = AppModel::serverFolder(dataFolder(), configuration_) / "Library.sqlite";
    if (!std::filesystem::exists(file)) return std::nullopt;
    SerialQueue mainActor("seed");
    std::optional<std::string> value;
    {
        LibraryRepository repository(file.string(), mainActor);
        value = repository.state(key);
    }
    mainActor.shutdown();
    return value;
}

} // namespace sorvalind::test
