#pragma once
// A song table over a real model on the loopback server: the library is
// synchronised, the route chosen and loaded, and the table shown in a bare
// window once its rows are prepared. GUI thread only.

#include "songs/song_list_table.h"
#include "songs/song_table_model.h"
#include "songs/song_table_view.h"
#include "support/locale_environment.h"
#include "support/widgets/gui_model_world.h"
#include "support/widgets/gui_wait.h"

#include "playback/playback_controller.h"
#include "runtime/thread_executor.h"

#include <gtest/gtest.h>

#include <QHeaderView>

#include <memory>
#include <string>

namespace sorvalind::test {

class SongTableViewFixture : public ::testing::Test {
protected:
    SongTableViewFixture() { LocaleEnvironment::useLang("en_US.UTF-8"); }

    void SetUp() override {
        ASSERT_TRUE(world.launch());
        ASSERT_TRUE(world.connect());
        model = world.current();
        ASSERT_NE(model, nullptr);
    }

    void TearDown() override { view.reset(); }

    // Loads the route's songs, then shows a table over them.
    void show(const std::string& route, QSize size = QSize(900, 420)) {
        route_ = route;
        load(route);
        view = std::make_unique<SongTableView>(model, workers);
        view->resize(size);
        view->show();
        ASSERT_TRUE(waitUntil([&] { return view->preparedIsCurrent(); }));
        processEvents();
    }

    void load(const std::string& route) {
        const std::int64_t before = model->songsRevision().value();
        model->setRoute(route);
        model->load();
        ASSERT_TRUE(waitUntil(
            [&] { return model->songsRevision().value() != before && !model->songs().value()->empty(); }));
    }

    // Waits for the rows of the current request and the update that shows them.
    bool settle() {
        const bool ready = waitUntil([&] { return view->preparedIsCurrent() && !view->data().preparing(); });
        processEvents();
        processEvents();
        return ready;
    }

    const SongTableRow& row(int position) const {
        return view->data().prepared().rows()[static_cast<std::size_t>(position)];
    }

    QPoint cellCenter(int row, SongColumn column) const {
        return view->table().visualRect(view->tableModel().index(row, static_cast<int>(column))).center();
    }

    std::optional<std::string> currentSongID() const {
        const auto& queue = model->playback().controller()->queue().value();
        return queue.current ? std::optional<std::string>(queue.current->song.id) : std::nullopt;
    }

    std::vector<int> selectedRows() const {
        std::vector<int> rows;
        for (const QModelIndex& index : view->table().selectionModel()->selectedRows())
            rows.push_back(index.row());
        std::sort(rows.begin(), rows.end());
        return rows;
    }

    std::size_t requestCount(const std::string& method) {
        std::size_t count = 0;
        for (const auto& request : world.server().requests())
            count += request.restMethod == method;
        return count;
    }

    LocaleEnvironment environment;
    GuiModelWorld world{
        {.artists = 2, .albumsPerArtist = 2, .songsPerAlbum = 3, .playlists = 2, .songsPerPlaylist = 4}};
    WorkerPool workers{2, "song-table-test"};
    std::shared_ptr<AppModel> model;
    std::unique_ptr<SongTableView> view;
    std::string route_;
};

} // namespace sorvalind::test
