#pragma once
// The album page's header: the cover, the title, the artist credits, a
// summary line (year, song count, duration), the favourite and rating
// controls, "Play" and the "Download" menu, on a background tinted from the
// cover. Its song count, Play and Download work on the songs the model
// loaded for the current page, and only while those belong to the current
// route: until then they see an empty list.
//
// The tint is sampled on a worker from the cover's bytes; a cover without
// bytes gives the fallback tint, and a tint for a cover that has moved on is
// dropped. Text turns dark on light tints.
//
// GUI thread only; the tint is sampled on `tintWorker`.

#include "model/album_banner_tint.h"
#include "model/app_model.h"

#include "library/album.h"

#include <QWidget>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QLabel;
class QPushButton;
class QToolButton;

namespace sorvalind {

// Kept out of this header: moc cannot parse what it includes.
template <class Key> class ViewTask;

class ArtistLinks;
class ArtworkView;
class FavoriteButton;
class StarRatingControl;

// Year, "<n> songs" and the duration, present ones joined by " · ".
QString albumSummaryText(const Album& album, std::size_t songCount);
// The album artists, else the artists, else the legacy credits.
std::vector<Artist> albumCredits(const AppModel& model, const Album& album);
// The model's songs while they were loaded for the current route, else none.
AppModel::SongList currentRouteSongs(const AppModel& model);

class AlbumHeader final : public QWidget {
    Q_OBJECT

public:
    AlbumHeader(std::shared_ptr<AppModel> model, Executor& tintWorker, QWidget* parent = nullptr);
    ~AlbumHeader() override;

    void setAlbum(const Album& album);
    // Re-reads the songs of the current route and the connection.
    void refreshSongs();
    void refreshConnection();

    void play();
    void download(DownloadQuality quality);

    const Album& album() const noexcept { return album_; }
    const AppModel::SongList& songs() const noexcept { return songs_; }
    const AlbumBannerTint& tint() const noexcept { return tint_; }
    // Whether the tint belongs to the current cover (not still sampling).
    bool isTintCurrent() const noexcept { return tintCurrent_; }
    QLabel& titleLabel() const noexcept { return *title_; }
    QLabel& summaryLabel() const noexcept { return *summary_; }
    ArtistLinks& credits() const noexcept { return *credits_; }
    QPushButton& playButton() const noexcept { return *play_; }
    QToolButton& downloadButton() const noexcept { return *download_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    struct TintKey {
        std::optional<std::string> coverArt;
        bool connected = false;
        friend bool operator==(const TintKey&, const TintKey&) = default;
    };

    void refreshTint();
    void applyTint(AlbumBannerTint tint);
    void refreshText();

    std::shared_ptr<AppModel> model_;
    Executor& tintWorker_;
    Album album_;
    AppModel::SongList songs_;
    AlbumBannerTint tint_ = AlbumBannerTint::fallback();
    bool tintCurrent_ = false;
    std::optional<TintKey> tintKey_;
    std::shared_ptr<std::uint64_t> tintGeneration_ = std::make_shared<std::uint64_t>(0);
    std::unique_ptr<ViewTask<TintKey>> tintTask_;

    ArtworkView* artwork_;
    QLabel* title_;
    ArtistLinks* credits_;
    QLabel* summary_;
    FavoriteButton* favorite_;
    StarRatingControl* rating_;
    QPushButton* play_;
    QToolButton* download_;
};

} // namespace sorvalind
