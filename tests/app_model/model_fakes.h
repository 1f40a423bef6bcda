#pragma once
// Stand-ins for the desktop services and the model's two seams, each
// recording what the model asked of it. Main actor only, like the real ones.

#include "model/app_paths.h"
#include "model/artwork_source.h"
#include "model/pasteboard.h"
#include "model/path_monitor.h"
#include "model/playback_control.h"
#include "model/workspace.h"

#include <map>
#include <memory>
#include <vector>

namespace sorvalind::test {

class FakeAppPaths final : public AppPaths {
public:
    explicit FakeAppPaths(std::filesystem::path base) : base_(std::move(base)) {}
    std::filesystem::path applicationSupport() const override { return base_; }
    std::filesystem::path caches() const override { return base_ / "cache"; }
    std::filesystem::path temporary() const override { return base_ / "tmp"; }
    void setBase(std::filesystem::path base) { base_ = std::move(base); }

private:
    std::filesystem::path base_;
};

// The test reports the network path; the monitor the model made last hears it.
class ScriptedPaths {
public:
    std::unique_ptr<PathMonitor> make() {
        ++made;
        return std::make_unique<Monitor>(*this);
    }
    void report(bool available) {
        if (handler) handler(available);
    }

    int made = 0;
    PathMonitor::Handler handler;

private:
    class Monitor final : public PathMonitor {
    public:
        explicit Monitor(ScriptedPaths& owner) : owner_(owner) {}
        ~Monitor() override { owner_.handler = nullptr; }
        void start(Handler handler) override { owner_.handler = std::move(handler); }

    private:
        ScriptedPaths& owner_;
    };
};

class RecordingPasteboard final : public Pasteboard {
public:
    void setString(const std::string& text) override { strings.push_back(text); }
    std::vector<std::string> strings;
};

class RecordingWorkspace final : public Workspace {
public:
    bool openFolder(const std::filesystem::path& folder) override {
        folders.push_back(folder);
        return true;
    }
    bool openURL(const std::string& url) override {
        urls.push_back(url);
        return true;
    }
    std::vector<std::filesystem::path> folders;
    std::vector<std::string> urls;
};

struct PlaybackLog {
    int restores = 0;
    int shutdowns = 0;
    std::vector<std::shared_ptr<APIClient>> configured;
    std::vector<std::pair<bool, std::set<std::string>>> availability;
    std::optional<bool> transcodeOffset;
    PlaybackControl::ArtworkProvider artworkProvider;
    struct Play {
        std::vector<std::string> songIDs;
        std::optional<std::string> startingAt;
    };
    std::vector<Play> plays;
    std::vector<Song> updatedSongs;
    // What happened in which order, across the model's parts.
    std::vector<std::string>* events = nullptr;
};

class RecordingPlayback final : public PlaybackControl {
public:
    explicit RecordingPlayback(std::shared_ptr<PlaybackLog> log) : log_(std::move(log)) {}
    TaskHandle restore() override {
        ++log_->restores;
        if (log_->events) log_->events->push_back("playback.restore");
        return {};
    }
    TaskHandle shutdown() override {
        ++log_->shutdowns;
        if (log_->events) log_->events->push_back("playback.shutdown");
        return {};
    }
    void configure(std::shared_ptr<APIClient> api) override { log_->configured.push_back(std::move(api)); }
    void setOfflineAvailability(bool isOffline, const std::set<std::string>& ids) override {
        log_->availability.emplace_back(isOffline, ids);
    }
    void setArtworkProvider(ArtworkProvider provider) override {
        log_->artworkProvider = std::move(provider);
    }
    void setSupportsTranscodeOffset(bool supported) override { log_->transcodeOffset = supported; }
    void play(std::vector<Song> songs, const std::optional<std::string>& startingAt,
              std::optional<std::size_t>, std::optional<DownloadQuality>) override {
        PlaybackLog::Play play;
        play.songIDs = sorvalind::songIDs(songs);
        play.startingAt = startingAt;
        log_->plays.push_back(std::move(play));
    }
    void updateMetadata(const Song& song) override { log_->updatedSongs.push_back(song); }
    PlaybackController* controller() noexcept override { return nullptr; }

private:
    std::shared_ptr<PlaybackLog> log_;
};

struct ArtworkLog {
    std::vector<std::pair<std::string, bool>> requests; // id, with a client
    int shutdowns = 0;
    std::vector<std::string>* events = nullptr;
};

class RecordingArtwork final : public ArtworkSource {
public:
    explicit RecordingArtwork(std::shared_ptr<ArtworkLog> log) : log_(std::move(log)) {}
    void data(const std::string& id, std::shared_ptr<APIClient> api, Reply reply) override {
        log_->requests.emplace_back(id, api != nullptr);
        const std::string text = "cover:" + id;
        reply(std::make_shared<const std::vector<std::uint8_t>>(text.begin(), text.end()));
    }
    DecodedImagePointer cachedImage(const std::string&) const override { return nullptr; }
    void image(const std::string& id, std::shared_ptr<APIClient> api, ImageReply reply) override {
        log_->requests.emplace_back(id, api != nullptr);
        reply(nullptr);
    }
    TaskHandle shutdown() override {
        ++log_->shutdowns;
        if (log_->events) log_->events->push_back("artwork.shutdown");
        return {};
    }

private:
    std::shared_ptr<ArtworkLog> log_;
};

} // namespace sorvalind::test
