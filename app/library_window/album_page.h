#pragma once
// The page of one album: its header, while the album is among the loaded
// ones, above the song table. Another album's route takes the page over in
// place. The header follows only what it shows: the loaded albums (its
// album's value), the songs and the route they were loaded for, and the
// connection.
//
// GUI thread only; the song rows are prepared and the header's tint sampled
// on `worker`.

#include "library_window/library_page.h"

#include <memory>

namespace sorvalind {

class AlbumHeader;
class AppModel;
class Executor;
class ModelAdapter;
class SongTableView;

class AlbumPage final : public LibraryPage {
    Q_OBJECT

public:
    AlbumPage(std::shared_ptr<AppModel> model, Executor& worker, PageChoice choice, QString title,
              QWidget* parent = nullptr);

    AlbumHeader& header() const noexcept { return *header_; }
    SongTableView& songTable() const noexcept { return *songs_; }

private:
    void inputsChanged() override;
    void refreshAlbum();

    std::shared_ptr<AppModel> model_;
    ModelAdapter* adapter_;
    AlbumHeader* header_;
    SongTableView* songs_;
};

} // namespace sorvalind
