// The window shows the song details sheet while the model names a song.

#include "library_window_fixture.h"

#include "songs/song_details_view.h"

#include <QPointer>

namespace sorvalind::test {
namespace {

class DetailsSheetTest : public LibraryWindowFixture {};

TEST_F(DetailsSheetTest, TheModelsSongOpensTheSheetAndClosingItClearsTheSong) {
    show();
    Song song;
    song.id = "details-song";
    song.title = "Shown in Detail";
    model->setDetailsSong(song);
    settle();
    auto sheets = window->findChildren<SongDetailsView*>();
    ASSERT_EQ(sheets.size(), 1);
    EXPECT_TRUE(sheets[0]->isVisible());
    EXPECT_EQ(sheets[0]->song().id, "details-song");

    sheets[0]->reject();
    settle();
    EXPECT_FALSE(model->detailsSong().value().has_value());

    model->setDetailsSong(song);
    settle();
    sheets = window->findChildren<SongDetailsView*>();
    ASSERT_EQ(sheets.size(), 1);
    const QPointer<SongDetailsView> second = sheets[0];
    model->setDetailsSong(std::nullopt);
    settle();
    EXPECT_TRUE(!second || !second->isVisible()) << "closed with the model's song";
}

} // namespace
} // namespace sorvalind::test
