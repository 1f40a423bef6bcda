#pragma once
// The library window's frame for one model: the toolbar (Back, Forward, the
// loading and refreshing indicators, the search field, Refresh Library), and
// one splitter of the sidebar, the detail column (error banner, page, player
// bar slot) and, while the model presents it, the queue panel. It turns the
// search text, route and sort into one page load (debounced while searching),
// clears the search text when the route changes (except to "Search"), opens
// the playlist prompts and the delete confirmation, takes song drops on
// playlists, and owns the window's keys: Back and Forward (also the mouse's
// side buttons) and Ctrl+F to the search field.
//
// GUI thread only. Holds the model weakly: once it is gone the window is
// inert, and a replaced model gets a window of its own.

#include "library_window/page_factory.h"
#include "library_window/page_load_task.h"

#include "kit/model_adapter.h"
#include "library/download_quality.h"
#include "library/playlist.h"
#include "library/song.h"

#include "library_window/playlist_name_prompt.h"

#include <QDialog>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QWidget>

#include <memory>
#include <optional>
#include <vector>

class QAction;
class QMimeData;
class QSplitter;
class QToolButton;

namespace sorvalind {

class AppCoordinator;
class BusyIndicator;
class ErrorBanner;
class LibrarySearchField;
class LibrarySidebar;
class PageHost;
class Preferences;

struct LibraryWindowParts {
    PageFactory pages;
    // Where "sidebarPlaylistsExpanded" is kept; none: expanded, not kept.
    Preferences* preferences = nullptr;
    // The executor the search wait runs on; none: the GUI thread's.
    Executor* timers = nullptr;
};

class LibraryWindow : public QWidget {
    Q_OBJECT
public:
    static constexpr const char* playlistsExpandedKey = "sidebarPlaylistsExpanded";
    static constexpr int queueMinimumWidth = 250;
    static constexpr int queueIdealWidth = 310;
    static constexpr int queueMaximumWidth = 380;

    LibraryWindow(std::shared_ptr<AppModel> model, std::shared_ptr<AppCoordinator> coordinator,
                  LibraryWindowParts parts, QWidget* parent = nullptr);
    ~LibraryWindow() override;

    QString title() const { return title_; }
    bool sidebarVisible() const;
    void setSidebarVisible(bool visible);

    // What the user can do, for the keys, menus and tests.
    void goBack();
    void goForward();
    void focusSearch();
    void refreshLibrary();
    void openNewPlaylist(std::vector<Song> songs = {});
    void openRenamePlaylist(const Playlist& playlist);
    // Online with a client: asks first; otherwise nothing.
    void confirmDeletePlaylist(const Playlist& playlist);
    void downloadPlaylist(const Playlist& playlist, DownloadQuality quality);
    // A drop on a playlist row: true when songs were found and sent.
    bool dropOnPlaylist(const Playlist& playlist, const QMimeData& data);
    QMenu* popupPlaylistMenu(const Playlist& playlist, const QPoint& globalPosition);

    // Parts, for the shell and the tests.
    LibrarySidebar* sidebar() const noexcept { return sidebar_; }
    LibrarySearchField* searchField() const noexcept { return search_; }
    PageHost* pageHost() const noexcept { return pages_; }
    ErrorBanner* banner() const noexcept { return banner_; }
    QToolButton* backButton() const noexcept { return back_; }
    QToolButton* forwardButton() const noexcept { return forward_; }
    QToolButton* refreshButton() const noexcept { return refresh_; }
    BusyIndicator* loadingIndicator() const noexcept { return loadingIndicator_; }
    BusyIndicator* syncingIndicator() const noexcept { return syncingIndicator_; }
    QSplitter* splitter() const noexcept { return splitter_; }
    QWidget* queuePanel() const noexcept { return queuePanel_; }
    // The open prompt or confirmation, while one is open.
    PlaylistNamePrompt* openPrompt() const { return prompt_; }
    QMessageBox* openConfirmation() const { return confirmation_; }
    QMenu* openMenu() const { return menu_; }
    const PageLoadTask& pageLoad() const noexcept { return *load_; }
    // Brings everything shown up to the model now (tests; otherwise once per loop turn).
    void render();

signals:
    void titleChanged(const QString& title);
    void sidebarVisibleChanged(bool visible);

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* buildToolbar();
    QWidget* buildDetail();
    void watchModel(AppModel& model);
    void routeChanged();
    void newPlaylistSongsChanged();
    void detailsSongChanged();
    void credentialsMissingChanged();
    void chooseRoute(const QString& route);
    void signIn();
    void showServerStatistics();
    std::shared_ptr<AppModel> model() const { return model_.lock(); }

    std::weak_ptr<AppModel> model_;
    std::shared_ptr<AppCoordinator> coordinator_;
    LibraryWindowParts parts_;
    ModelAdapter watch_;
    std::unique_ptr<PageLoadTask> load_;
    QString title_;
    std::optional<std::string> lastRoute_;
    bool shownOnce_ = false;

    LibrarySidebar* sidebar_ = nullptr;
    LibrarySearchField* search_ = nullptr;
    PageHost* pages_ = nullptr;
    ErrorBanner* banner_ = nullptr;
    QToolButton* back_ = nullptr;
    QToolButton* forward_ = nullptr;
    QToolButton* refresh_ = nullptr;
    BusyIndicator* loadingIndicator_ = nullptr;
    BusyIndicator* syncingIndicator_ = nullptr;
    QSplitter* splitter_ = nullptr;
    QWidget* queuePanel_ = nullptr;
    QWidget* playerSlot_ = nullptr;
    QAction* backAction_ = nullptr;
    QAction* forwardAction_ = nullptr;
    QPointer<PlaylistNamePrompt> prompt_;
    // The song details sheet while the model names a song.
    QPointer<QDialog> details_;
    QPointer<QMessageBox> confirmation_;
    QPointer<QMenu> menu_;
};

} // namespace sorvalind
