// The sidebar's playlist actions over a real model: delete asks first only
// when it can reach the server, drops add the page's songs, the prompts
// send the name as typed. Screenshots of the frame in its states.

#include "library_window_fixture.h"

#include "library_window/error_banner.h"
#include "library_window/library_sidebar.h"
#include "library_window/playlist_name_prompt.h"

#include "songs/song_drag.h"

#include <QApplication>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QPainter>
#include <QPushButton>
#include <QSplitter>
#include <QTest>

#include <future>

namespace sorvalind::test {
namespace {

Song titled(std::string id, std::string title) {
    Song song;
    song.id = std::move(id);
    song.title = std::move(title);
    return song;
}

using namespace std::chrono_literals;

class PlaylistActions : public LibraryWindowFixture {
protected:
    Playlist playlist(std::size_t index) { return model->playlists().value().at(index); }
};

TEST_F(PlaylistActions, DeleteAsksFirstAndCancelSendsNothing) {
    show();
    const Playlist doomed = playlist(0);
    window->confirmDeletePlaylist(doomed);
    QMessageBox* box = window->openConfirmation();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->text(), QStringLiteral("Delete “%1”?").arg(QString::fromStdString(doomed.name)));
    EXPECT_EQ(box->windowModality(), Qt::WindowModal);
    EXPECT_EQ(box->button(QMessageBox::Yes)->text(), QStringLiteral("Delete"));
    EXPECT_EQ(box->button(QMessageBox::Cancel)->text(), QStringLiteral("Cancel"));
    EXPECT_EQ(box->defaultButton(), box->button(QMessageBox::Cancel));
    box->button(QMessageBox::Cancel)->click();
    settle();
    EXPECT_EQ(requests("deletePlaylist"), 0u);

    window->confirmDeletePlaylist(doomed);
    ASSERT_NE(window->openConfirmation(), nullptr);
    window->openConfirmation()->button(QMessageBox::Yes)->click();
    ASSERT_TRUE(waitUntil([&] { return requests("deletePlaylist") == 1; }));
    ASSERT_TRUE(waitUntil([&] { return model->playlists().value().size() == 2; }));
    settle();
    EXPECT_FALSE(window->sidebar()->tree()->indexOf("playlist:" + doomed.id).isValid());
}

TEST_F(PlaylistActions, DeleteOfflineDoesNothingAtAll) {
    show();
    model->setForceOfflineMode(true);
    ASSERT_TRUE(waitUntil([&] { return model->isOffline().value(); }));
    settle();
    window->confirmDeletePlaylist(playlist(0));
    EXPECT_EQ(window->openConfirmation(), nullptr);
    settle();
    EXPECT_EQ(requests("deletePlaylist"), 0u);
    EXPECT_EQ(model->error().value(), std::nullopt);
}

TEST_F(PlaylistActions, TheMenuOffersRenameDownloadAndDelete) {
    show(QSize(780, 540));
    QMenu* menu = window->popupPlaylistMenu(playlist(1), window->mapToGlobal(QPoint(60, 200)));
    ASSERT_NE(menu, nullptr);
    QStringList titles;
    for (QAction* action : menu->actions())
        titles << (action->isSeparator() ? QStringLiteral("-") : action->text());
    EXPECT_EQ(titles, (QStringList{QStringLiteral("Rename…"), QStringLiteral("Download"), QStringLiteral("-"),
                                   QStringLiteral("Delete Playlist")}));
    QStringList qualities;
    for (QAction* action : menu->actions()[1]->menu()->actions())
        qualities << action->text();
    EXPECT_EQ(qualities, (QStringList{QStringLiteral("Original quality"), QStringLiteral("MP3 · 192 kbps"),
                                      QStringLiteral("MP3 · 256 kbps"), QStringLiteral("MP3 · 320 kbps")}));
    menu->close();
    settle();
}

TEST_F(PlaylistActions, DropsAddTheSongsOfThePageAndRefuseUnknownOnes) {
    show();
    model->setRoute(std::string("Songs"));
    settle();
    ASSERT_TRUE(loaded("Songs"));
    const auto songs = model->songs().value();
    ASSERT_GE(songs->size(), 3u);
    const Playlist target = playlist(2);

    QMimeData rows;
    rows.setText(QString::fromStdString(SongDrag{(*songs)[2].id, 2}.encode()));
    rows.setData(QString::fromLatin1(SongDrag::listMimeType),
                 QByteArray::fromStdString(
                     SongDrag::encodeList({{(*songs)[2].id, 2}, {(*songs)[0].id, 0}, {(*songs)[2].id, 2}})));
    EXPECT_TRUE(window->dropOnPlaylist(target, rows));
    ASSERT_TRUE(waitUntil([&] { return requests("updatePlaylist") == 1; }));
    const auto sent = world.server().requests();
    const auto update = std::find_if(sent.begin(), sent.end(), [](const loopback::FakeRequest& r) {
        return r.restMethod == "updatePlaylist";
    });
    EXPECT_EQ(update->param("playlistId"), target.id);
    EXPECT_EQ(update->paramValues("songIdToAdd"),
              (std::vector<std::string>{(*songs)[2].id, (*songs)[0].id, (*songs)[2].id}));

    QMimeData unknown;
    unknown.setText(QStringLiteral("so-404"));
    EXPECT_FALSE(window->dropOnPlaylist(target, unknown));
    QMimeData bare;
    bare.setText(QString::fromStdString((*songs)[1].id));
    EXPECT_TRUE(window->dropOnPlaylist(target, bare));
    ASSERT_TRUE(waitUntil([&] { return requests("updatePlaylist") == 2; }));

    // Through the sidebar: a drop on the playlist's row is taken, one on a library row is not.
    SidebarTree* tree = window->sidebar()->tree();
    const auto dropAt = [&](const QModelIndex& index, const QMimeData& data) {
        const QPoint at = tree->visualRect(index).center();
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(tree->viewport(), &enter);
        QDragMoveEvent move(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(tree->viewport(), &move);
        QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(tree->viewport(), &drop);
        return drop.isAccepted();
    };
    EXPECT_TRUE(dropAt(tree->indexOf("playlist:" + target.id), rows));
    ASSERT_TRUE(waitUntil([&] { return requests("updatePlaylist") == 3; }));
    EXPECT_FALSE(dropAt(tree->indexOf(std::string("Albums")), rows));
    EXPECT_FALSE(dropAt(tree->newPlaylistRow(), rows));
    settle();
    EXPECT_EQ(requests("updatePlaylist"), 3u);
}

TEST_F(PlaylistActions, PromptsSendTheNameAsTypedAndRefuseOnlySpaces) {
    show();
    std::vector<Song> songs{titled("so-1", "One")};
    model->setNewPlaylistSongs(songs);
    settle();
    EXPECT_EQ(model->newPlaylistSongs().value(), std::nullopt) << "the window takes the songs";
    PlaylistNamePrompt* prompt = window->openPrompt();
    ASSERT_NE(prompt, nullptr);
    EXPECT_EQ(prompt->windowTitle(), QStringLiteral("New Playlist"));
    EXPECT_EQ(prompt->confirmButton()->text(), QStringLiteral("Create"));
    EXPECT_FALSE(prompt->confirmButton()->isEnabled());
    prompt->field()->setText(QStringLiteral("   "));
    EXPECT_FALSE(prompt->confirmButton()->isEnabled());
    prompt->field()->setText(QStringLiteral(" Night Drive "));
    ASSERT_TRUE(prompt->confirmButton()->isEnabled());
    prompt->confirmButton()->click();
    ASSERT_TRUE(waitUntil([&] { return requests("createPlaylist") == 1; }));
    const auto sent = world.server().requests();
    const auto create = std::find_if(sent.begin(), sent.end(), [](const loopback::FakeRequest& r) {
        return r.restMethod == "createPlaylist";
    });
    EXPECT_EQ(create->param("name"), " Night Drive ");
    EXPECT_EQ(create->paramValues("songId"), (std::vector<std::string>{"so-1"}));

    // The sidebar's New Playlist row opens an empty prompt.
    SidebarTree* tree = window->sidebar()->tree();
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {},
                      tree->visualRect(tree->newPlaylistRow()).center());
    ASSERT_NE(window->openPrompt(), nullptr);
    EXPECT_EQ(window->openPrompt()->windowTitle(), QStringLiteral("New Playlist"));
    EXPECT_EQ(window->openPrompt()->field()->text(), QString());
    EXPECT_EQ(model->route().value(), "Home") << "the row is no route";
    window->openPrompt()->reject();
    settle();

    window->openRenamePlaylist(playlist(0));
    ASSERT_NE(window->openPrompt(), nullptr);
    EXPECT_EQ(window->openPrompt()->confirmButton()->text(), QStringLiteral("Save"));
    EXPECT_EQ(window->openPrompt()->field()->text().toStdString(), playlist(0).name);
    window->openPrompt()->reject();
    settle();
}

TEST_F(PlaylistActions, Screenshots) {
    for (const QSize size : {QSize(1180, 780), QSize(780, 540)}) {
        const std::string suffix = size.width() == 1180 ? "-1180" : "-780";
        model->setRoute(std::string("Home"));
        show(size);
        screenshot(*window, ("frame-playlists-open" + suffix).c_str());
        window->sidebar()->setPlaylistsExpanded(false);
        settle();
        screenshot(*window, ("frame-playlists-closed" + suffix).c_str());
        window->sidebar()->setPlaylistsExpanded(true);

        // The store's queue held up, so the load stays under way for the picture.
        std::promise<void> release;
        std::shared_future<void> released = release.get_future().share();
        model->repository().executor().post([released] { released.wait(); });
        model->setRoute(std::string("Songs"));
        ASSERT_TRUE(waitUntil([&] { return model->loading().value(); }));
        settle();
        screenshot(*window, ("frame-loading" + suffix).c_str());
        release.set_value();
        ASSERT_TRUE(loaded("Songs"));
        settle();
        screenshot(*window, ("frame-songs" + suffix).c_str());

        model->showError("The connection to the server was lost. Your downloaded music is still available.");
        settle();
        screenshot(*window, ("frame-error-banner" + suffix).c_str());
        model->clearError();

        window->confirmDeletePlaylist(playlist(0));
        settle();
        ASSERT_NE(window->openConfirmation(), nullptr);
        QPixmap frame = window->grab();
        QMessageBox* box = window->openConfirmation();
        box->adjustSize();
        const QPixmap dialog = box->grab();
        {
            QPainter painter(&frame);
            painter.fillRect(frame.rect(), QColor(0, 0, 0, 60));
            painter.drawPixmap((frame.width() - dialog.width()) / 2, 80, dialog);
        }
        QLabel composed;
        composed.setPixmap(frame);
        composed.resize(frame.size());
        screenshot(composed, ("frame-delete-confirmation" + suffix).c_str());
        box->button(QMessageBox::Cancel)->click();
        settle();
        window.reset();
    }
}

} // namespace
} // namespace sorvalind::test
