#pragma once
// Stand-ins for the playback controller and the cover-art cache where an
// environment brings none (headless tools): playback that never plays and a
// cache that never has a cover. Main actor only.

#include "artwork_source.h"
#include "path_monitor.h"
#include "playback_control.h"

namespace sorvalind {

class DetachedPlayback final : public PlaybackControl {
public:
    TaskHandle restore() override { return {}; }
    TaskHandle shutdown() override { return {}; }
    void configure(std::shared_ptr<APIClient>) override {}
    void setOfflineAvailability(bool, const std::set<std::string>&) override {}
    void setArtworkProvider(ArtworkProvider) override {}
    void setSupportsTranscodeOffset(bool) override {}
    void play(std::vector<Song>, const std::optional<std::string>&, std::optional<std::size_t>,
              std::optional<DownloadQuality>) override {}
    void updateMetadata(const Song&) override {}
    PlaybackController* controller() noexcept override { return nullptr; }
};

class DetachedArtwork final : public ArtworkSource {
public:
    void data(const std::string&, std::shared_ptr<APIClient>, Reply reply) override { reply(nullptr); }
    DecodedImagePointer cachedImage(const std::string&) const override { return nullptr; }
    void image(const std::string&, std::shared_ptr<APIClient>, ImageReply reply) override { reply(nullptr); }
    TaskHandle shutdown() override { return {}; }
};

} // namespace sorvalind

namespace sorvalind {

// A desktop without a reachability backend: the network counts as always
// available, and connectivity moves only with the client's own answers.
class AlwaysAvailablePathMonitor final : public PathMonitor {
public:
    void start(Handler) override {}
};

} // namespace sorvalind
