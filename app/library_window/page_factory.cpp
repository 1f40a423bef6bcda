#include "library_window/page_factory.h"

#include "library_window/album_page.h"
#include "library_window/albums_page.h"
#include "library_window/artist_page.h"
#include "library_window/browse_grid_page.h"
#include "library_window/favorites_view.h"
#include "library_window/home_page.h"
#include "library_window/search_view.h"
#include "library_window/statistics_page.h"

#include "kit/plain_text.h"
#include "kit/text_styles.h"
#include "songs/downloads_view.h"
#include "songs/song_table_view.h"

#include <QLabel>
#include <QVBoxLayout>

namespace sorvalind {

bool isSongListPage(PageKind kind) noexcept {
    switch (kind) {
    case PageKind::artistSongs:
    case PageKind::album:
    case PageKind::playlist:
    case PageKind::genre:
    case PageKind::songs:
        return true;
    default:
        return false;
    }
}

LibraryPage* PageFactory::build(const std::shared_ptr<AppModel>& model, const PageChoice& choice,
                                const QString& title, QWidget* parent) const {
    if (model && choice.kind == PageKind::settings && settingsPage)
        return new HostedPage(choice, title, settingsPage(model, nullptr), parent);
    if (model && choice.kind == PageKind::home) return new HomePage(model, choice, title, parent);
    if (model && choice.kind == PageKind::albums) return new AlbumsPage(model, choice, title, parent);
    if (model && choice.kind == PageKind::album && songRowWorker)
        return new AlbumPage(model, *songRowWorker, choice, title, parent);
    if (model && (choice.kind == PageKind::artists || choice.kind == PageKind::genres))
        return new BrowseGridPage(model, choice, title, parent);
    if (model && choice.kind == PageKind::artist)
        return new ArtistPage(model, songRowWorker, choice, title, parent);
    if (model && isSongListPage(choice.kind) && songRowWorker)
        return new HostedPage(choice, title, new SongTableView(model, *songRowWorker), parent);
    if (model && choice.kind == PageKind::search) return new SearchView(model, choice, title, parent);
    if (model && choice.kind == PageKind::favorites && songRowWorker)
        return new FavoritesView(model, *songRowWorker, choice, title, parent);
    if (model && choice.kind == PageKind::downloads)
        return new HostedPage(choice, title, new DownloadsView(model), parent);
    if (model && choice.kind == PageKind::statistics)
        return new StatisticsPage(model, choice, title, {}, parent);
    return new PlaceholderPage(choice, title, parent);
}

QWidget* PageFactory::buildQueuePanel(const std::shared_ptr<AppModel>& model, QWidget* parent) const {
    if (queuePanel && model) return queuePanel(model, parent);
    auto* panel = new QWidget(parent);
    auto* layout = new QVBoxLayout(panel);
    QLabel* name = plainLabel(QStringLiteral("Queue"), panel);
    applyTextStyle(name, TextStyle::headline);
    layout->addWidget(name);
    layout->addStretch(1);
    return panel;
}

} // namespace sorvalind
