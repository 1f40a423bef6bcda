#pragma once
// What a cover-art tile holds and when it asks the artwork cache: the pure
// state behind every artwork view and grid tile, free of any widget.
//
// The load's identity is the identifier, the connection flag and the tile's
// visibility: every change of it (while shown) runs the load again. A load
// looks in the cache's memory first and otherwise asks the cache (with no
// client while offline). The cache cannot cancel a request, so a reply for
// an identity that has moved on is dropped when it comes. The image is drawn
// only while it belongs to the current identifier, so a new identifier shows
// the placeholder until its own image is in hand; a tile that is not visible,
// or not shown at all, releases its image.
//
// Main actor (GUI thread) only, like the cache's replies.

#include "model/artwork_source.h"
#include "model/image_decoder.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace sorvalind {

class APIClient;

class ArtworkLoad {
public:
    // The client to ask the server through, none while offline.
    using ClientProvider = std::function<std::shared_ptr<APIClient>()>;

    struct Request {
        std::optional<std::string> id;
        bool connected = false;
        bool visible = true;

        friend bool operator==(const Request&, const Request&) = default;
    };

    // `source` must outlive every reply it makes; replies that come after
    // the load is gone are dropped.
    ArtworkLoad(ArtworkSource& source, ClientProvider client);
    ~ArtworkLoad();
    ArtworkLoad(const ArtworkLoad&) = delete;
    ArtworkLoad& operator=(const ArtworkLoad&) = delete;

    // Each runs the load again when the request changed and the tile is shown.
    void setRequest(Request request);
    void setId(std::optional<std::string> id);
    void setConnected(bool connected);
    void setVisible(bool visible);
    // The tile appears (runs the load) or disappears (releases the image).
    void show();
    void hide();

    const Request& request() const noexcept { return request_; }
    bool isShown() const noexcept { return shown_; }
    // The image to draw: the one held when it belongs to the current
    // identifier, else none (draw the placeholder).
    DecodedImagePointer image() const;
    // Whether a request to the cache is awaited for the current identity.
    bool isLoading() const noexcept { return loading_; }

    // Runs after every change of image(); may be empty.
    void setChanged(std::function<void()> changed) { changed_ = std::move(changed); }

private:
    void run();
    void hold(DecodedImagePointer image, std::optional<std::string> id);
    void notifyIfChanged(const DecodedImagePointer& before);

    ArtworkSource& source_;
    ClientProvider client_;
    Request request_;
    bool shown_ = false;
    bool loading_ = false;
    DecodedImagePointer image_;
    std::optional<std::string> loadedId_;
    std::function<void()> changed_;
    // Bumped by every run and by the end of the load: a reply whose number
    // is no longer current is dropped.
    std::shared_ptr<std::uint64_t> generation_ = std::make_shared<std::uint64_t>(0);
};

} // namespace sorvalind
