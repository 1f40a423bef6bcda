// The library window's commands: navigation, search focus, refreshing, the
// playlist prompts, menu, delete confirmation and drops.

#include "library_window/library_window.h"

#include "library_window/library_search_field.h"
#include "library_window/playlist_drop.h"
#include "library_window/playlist_name_prompt.h"
#include "songs/song_details_view.h"

#include "kit/dialogs.h"
#include "model/app_coordinator.h"
#include "model/app_model.h"

#include <QMenu>
#include <QMessageBox>
#include <QPushButton>

namespace sorvalind {

void LibraryWindow::goBack() {
    if (auto model = this->model()) model->goBack();
}

void LibraryWindow::goForward() {
    if (auto model = this->model()) model->goForward();
}

void LibraryWindow::focusSearch() {
    search_->requestFocus();
}

void LibraryWindow::refreshLibrary() {
    if (auto model = this->model()) model->refresh();
}

void LibraryWindow::chooseRoute(const QString& route) {
    if (auto model = this->model()) model->setRoute(route.toStdString());
}

void LibraryWindow::showServerStatistics() {
    const auto model = this->model();
    if (!model) return;
    model->setQuery("");
    model->setRoute(std::string("Server Statistics"));
}

void LibraryWindow::signIn() {
    const auto model = this->model();
    if (!model) return;
    if (model->credentialsMissing().value()) {
        coordinator_->setConnectionPresented(true);
        coordinator_->showSettings();
    } else if (model->credentialsLocked().value() && !model->unlockingCredentials().value()) {
        model->unlockSavedLogin(true);
    }
}

// GCC 12 at -O1 takes the moved-from empty optional for an uninitialised
// list when it inlines the model's setter; nothing here reads one.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
void LibraryWindow::newPlaylistSongsChanged() {
    const auto model = this->model();
    if (!model || !model->newPlaylistSongs().value()) return;
    std::vector<Song> songs = *model->newPlaylistSongs().value();
    model->setNewPlaylistSongs(std::nullopt);
    openNewPlaylist(std::move(songs));
}
#pragma GCC diagnostic pop

void LibraryWindow::detailsSongChanged() {
    const auto model = this->model();
    const std::optional<Song> song = model ? model->detailsSong().value() : std::nullopt;
    auto* open = qobject_cast<SongDetailsView*>(details_.data());
    if (open && song && open->song().id == song->id) return;
    if (open) {
        // Closed by the model: its own closing must not clear the next song.
        open->disconnect(this);
        open->close();
    }
    if (!song || !parts_.pages.songRowWorker) return;
    auto* sheet = SongDetailsView::open(model, *song, *parts_.pages.songRowWorker, this);
    details_ = sheet;
    connect(sheet, &QDialog::finished, this, [this, sheet] {
        const auto model = this->model();
        if (model && details_ == sheet) model->setDetailsSong(std::nullopt);
    });
}

void LibraryWindow::openNewPlaylist(std::vector<Song> songs) {
    if (prompt_) prompt_->close();
    prompt_ = new PlaylistNamePrompt(
        newPlaylistPromptText(), QString(),
        [weak = model_, songs = std::move(songs)](const QString& name) {
            if (auto model = weak.lock()) model->savePlaylist(std::nullopt, name.toStdString(), songs);
        },
        this);
    openDialog(prompt_);
}

void LibraryWindow::openRenamePlaylist(const Playlist& playlist) {
    if (prompt_) prompt_->close();
    prompt_ = new PlaylistNamePrompt(
        renamePlaylistPromptText(), QString::fromStdString(playlist.name),
        [weak = model_, playlist](const QString& name) {
            if (auto model = weak.lock()) model->renamePlaylist(playlist, name.toStdString());
        },
        this);
    openDialog(prompt_);
}

void LibraryWindow::confirmDeletePlaylist(const Playlist& playlist) {
    const auto model = this->model();
    // Offline the model would send nothing: asking first would promise a delete.
    if (!model || model->isOffline().value() || !model->api()) return;
    if (confirmation_) confirmation_->close();
    MessageDialog message;
    message.icon = QMessageBox::Warning;
    message.title = QStringLiteral("Delete Playlist");
    message.text = QStringLiteral("Delete “%1”?").arg(QString::fromStdString(playlist.name));
    message.buttons = QMessageBox::Yes | QMessageBox::Cancel;
    message.defaultButton = QMessageBox::Cancel;
    message.escapeButton = QMessageBox::Cancel;
    confirmation_ = openMessage(this, message, [weak = model_, playlist](QMessageBox::StandardButton answer) {
        if (answer != QMessageBox::Yes) return;
        if (auto model = weak.lock()) model->deletePlaylist(playlist);
    });
    confirmation_->button(QMessageBox::Yes)->setText(QStringLiteral("Delete"));
    confirmation_->button(QMessageBox::Cancel)->setText(QStringLiteral("Cancel"));
}

void LibraryWindow::downloadPlaylist(const Playlist& playlist, DownloadQuality quality) {
    if (auto model = this->model()) model->downloadPlaylist(playlist, quality);
}

bool LibraryWindow::dropOnPlaylist(const Playlist& playlist, const QMimeData& data) {
    const auto model = this->model();
    if (!model) return false;
    const std::vector<const Song*> songs =
        droppedSongs(data, [&model](const std::string& id) { return model->song(id); });
    if (songs.empty()) return false;
    std::vector<std::string> ids;
    ids.reserve(songs.size());
    for (const Song* song : songs)
        ids.push_back(song->id);
    model->addToPlaylist(playlist, std::move(ids));
    return true;
}

QMenu* LibraryWindow::popupPlaylistMenu(const Playlist& playlist, const QPoint& globalPosition) {
    if (menu_) menu_->close();
    menu_ = new QMenu(this);
    menu_->setAttribute(Qt::WA_DeleteOnClose);
    connect(menu_->addAction(QStringLiteral("Rename…")), &QAction::triggered, this,
            [this, playlist] { openRenamePlaylist(playlist); });
    QMenu* download = menu_->addMenu(QStringLiteral("Download"));
    for (DownloadQuality quality : DownloadQuality::allCases())
        connect(download->addAction(QString::fromStdString(quality.label())), &QAction::triggered, this,
                [this, playlist, quality] { downloadPlaylist(playlist, quality); });
    menu_->addSeparator();
    connect(menu_->addAction(QStringLiteral("Delete Playlist")), &QAction::triggered, this,
            [this, playlist] { confirmDeletePlaylist(playlist); });
    menu_->popup(globalPosition);
    return menu_;
}

} // namespace sorvalind
