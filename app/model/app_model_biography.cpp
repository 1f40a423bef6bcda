// Artist biographies for the artist page: asked of the server once per
// artist and model, kept in memory (an empty one too), never reported when
// they fail.

#include "app_model_async.h"

namespace sorvalind {

TaskHandle AppModel::loadArtistBiography(const std::string& id, std::stop_token stop) {
    auto source = std::make_shared<TaskSource>();
    TaskHandle handle = source->handle();
    if (id.empty() || artistBiographies_.value().contains(id) || isOffline_.value() || !api_ ||
        isShuttingDown_) {
        source->finish(Outcome<void>::success());
        return handle;
    }
    std::shared_ptr<APIClient> client = api_;
    onWorkers([client, id, stop] { return client->artistInfo(id, stop).biographyText(); },
              [source, client, id, stop](AppModel& self, Outcome<std::optional<std::string>> text) {
                  // An answer for a client the model no longer uses (signed in
                  // again meanwhile) may belong to another account.
                  if (text.hasValue() && !stop.stop_requested() && self.api_ == client) {
                      auto biographies = self.artistBiographies_.value();
                      biographies[id] = std::move(text).get().value_or("");
                      self.artistBiographies_.set(std::move(biographies));
                  }
                  source->finish(Outcome<void>::success());
              });
    return handle;
}

} // namespace sorvalind
