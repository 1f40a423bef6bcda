// The media methods of FakeSubsonicServer: "stream", "download" and
// "getCoverArt", answered the way a real server answers them.
#include "loopback/fake_subsonic_server.h"

#include <charconv>

namespace sorvalind::loopback {

namespace {

int intParam(const FakeRequest& request, std::string_view name) {
    std::optional<std::string> text = request.param(name);
    int value = 0;
    if (text) std::from_chars(text->data(), text->data() + text->size(), value);
    return value;
}

// The prepared MP3 file a transcoding server would make within `maxBitRate`.
const std::string* transcoded(const FakeMedia& media, int maxBitRate) {
    if (media.mp3.empty()) return nullptr;
    if (maxBitRate <= 0) return &media.mp3.rbegin()->second;
    auto above = media.mp3.upper_bound(maxBitRate);
    return above == media.mp3.begin() ? &above->second : &std::prev(above)->second;
}

} // namespace

void FakeSubsonicServer::setMedia(const std::string& id, FakeMedia media) {
    std::lock_guard lock(mutex_);
    media_[id] = std::make_shared<const FakeMedia>(std::move(media));
}

void FakeSubsonicServer::setCoverArt(const std::string& id, std::string bytes, std::string contentType) {
    std::lock_guard lock(mutex_);
    coverArt_[id] =
        std::make_shared<const std::pair<std::string, std::string>>(std::move(bytes), std::move(contentType));
}

void FakeSubsonicServer::addMediaMethods() {
    auto find = [this](const FakeRequest& request,
                       httplib::Response& res) -> std::shared_ptr<const FakeMedia> {
        std::optional<std::string> id = request.param("id");
        if (!id) {
            failedResponse(res, 10, "Required parameter is missing.");
            return nullptr;
        }
        std::shared_ptr<const FakeMedia> media;
        {
            std::lock_guard lock(mutex_);
            if (auto found = media_.find(*id); found != media_.end()) media = found->second;
        }
        if (!media) failedResponse(res, 70, "Data not found");
        return media;
    };

    methods_["stream"] = [find](const FakeRequest& request, httplib::Response& res) {
        std::shared_ptr<const FakeMedia> media = find(request, res);
        if (!media) return;
        const std::string* mp3 = nullptr;
        if (request.param("format").value_or("") == "mp3")
            mp3 = transcoded(*media, intParam(request, "maxBitRate"));
        if (!mp3) {
            // The original file, or what a server without a transcoder sends.
            serveBytes(request, res, media->original, media->contentType);
            return;
        }
        // A transcode is one body made on the fly: no ranges, no known end
        // before it is done.
        res.status = 200;
        res.set_content(mp3From(*mp3, std::max(intParam(request, "timeOffset"), 0)), "audio/mpeg");
    };

    methods_["download"] = [find](const FakeRequest& request, httplib::Response& res) {
        if (std::shared_ptr<const FakeMedia> media = find(request, res))
            serveBytes(request, res, media->original, media->contentType);
    };

    methods_["getCoverArt"] = [this](const FakeRequest& request, httplib::Response& res) {
        std::shared_ptr<const std::pair<std::string, std::string>> art;
        if (!request.param("id")) return failedResponse(res, 10, "Required parameter is missing.");
        {
            std::lock_guard lock(mutex_);
            if (auto found = coverArt_.find(request.param("id").value_or("")); found != coverArt_.end())
                art = found->second;
        }
        if (!art) return failedResponse(res, 70, "Data not found");
        res.status = 200;
        res.set_content(art->first, art->second);
    };
}

} // namespace sorvalind::loopback
