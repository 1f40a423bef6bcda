#pragma once
// The page of one loaded artist: a header card tinted with a colour taken
// from the artist's artwork (or its first album cover by identifier), the
// biography, a switch between the artist's albums and its songs, and below
// it the album grid or the song table. Another artist's route takes this
// page in place: the chosen scope stays.
//
// The page's songs are the model's list only while that list was loaded for
// the current route; until then they are empty, so neither the count nor
// Play can take another page's songs. Store reads and tint samples are
// keyed by their request and the model is held weakly by their
// continuations: a late result for an earlier artist, or for a replaced
// model, is dropped.
//
// GUI thread only; tints are sampled on `worker` when one is given.

#include "library/album.h"
#include "library/artist.h"
#include "library/song.h"
#include "library_window/library_page.h"
#include "model/album_banner_tint.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QButtonGroup;
class QLabel;
class QPushButton;
class QStackedWidget;

namespace sorvalind {

class AlbumGrid;
class AppModel;
class ArtistBiographyView;
class ArtistHeaderCard;
class Executor;
class FavoriteButton;
class ModelAdapter;
class StarRatingControl;

class ArtistPage final : public LibraryPage {
    Q_OBJECT
public:
    struct ArtworkRequest {
        std::string artistID;
        std::vector<std::string> ids;
        bool connected = false;
        friend bool operator==(const ArtworkRequest&, const ArtworkRequest&) = default;
    };

    ArtistPage(std::shared_ptr<AppModel> model, Executor* worker, PageChoice choice, QString title,
               QWidget* parent = nullptr);
    ~ArtistPage() override;

    const Artist& artist() const noexcept { return artist_; }
    // "Albums" or "Songs".
    const QString& scope() const noexcept { return scope_; }
    void setScope(const QString& scope);
    // The model's songs while they are this route's, else none.
    const std::vector<Song>& songs() const;
    const std::vector<Album>& albums() const noexcept { return albums_; }
    // Whether the albums shown are the store's answer for this artist.
    bool albumsLoaded() const noexcept { return albumsFor_ == artist_.id; }
    ArtworkRequest artworkRequest() const;
    AlbumBannerTint tint() const;

    QLabel& nameLabel() const noexcept { return *name_; }
    QLabel& countsLabel() const noexcept { return *counts_; }
    QPushButton& playButton() const noexcept { return *play_; }
    QPushButton& scopeButton(const QString& scope) const;
    AlbumGrid& albumGrid() const noexcept { return *albumGrid_; }
    // The song table, once the Songs scope was shown (or a placeholder).
    QWidget* songsView() const noexcept { return songsView_; }
    ArtistBiographyView* biography() const noexcept { return biography_; }

    void play();

private:
    void inputsChanged() override;
    void refreshArtist();
    void refreshCounts();
    void refreshTint();
    void readAlbums();
    void startTint(const ArtworkRequest& request, std::size_t next);

    std::shared_ptr<AppModel> model_;
    Executor* worker_;
    ModelAdapter* adapter_;
    Artist artist_;
    QString scope_ = QStringLiteral("Albums");
    std::vector<Album> albums_;
    std::optional<std::string> albumsFor_;
    std::uint64_t albumsGeneration_ = 0;
    AlbumBannerTint headerTint_;
    std::optional<ArtworkRequest> loadedArtworkRequest_;
    std::optional<ArtworkRequest> runningRequest_;
    std::uint64_t tintGeneration_ = 0;

    ArtistHeaderCard* card_;
    QLabel* name_;
    QLabel* counts_;
    FavoriteButton* favorite_;
    StarRatingControl* rating_;
    QPushButton* play_;
    QWidget* biographySlot_;
    ArtistBiographyView* biography_ = nullptr;
    QButtonGroup* scopes_;
    QStackedWidget* body_;
    AlbumGrid* albumGrid_;
    QWidget* songsView_ = nullptr;
};

} // namespace sorvalind
