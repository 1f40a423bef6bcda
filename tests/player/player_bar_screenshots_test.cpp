// Pictures of the player bar for a person to judge: wide and compact with a
// song, idle, and loading audio.

#include "player_bar_fixture.h"

#include "support/widgets/screenshots.h"

#include <QVBoxLayout>

namespace sorvalind::test {
namespace {

// The bar as the library window shows it: in its slot below the page.
void shoot(PlayerBarTest& test, std::unique_ptr<PlayerBar> bar, int width, const char* name) {
    QWidget slot;
    slot.setAutoFillBackground(true);
    auto* layout = new QVBoxLayout(&slot);
    layout->setContentsMargins(16, 12, 16, 16);
    bar->setParent(&slot);
    layout->addWidget(bar.release());
    slot.resize(width, slot.sizeHint().height());
    EXPECT_FALSE(saveScreenshot(slot, QStringLiteral("player"), QString::fromLatin1(name)).isEmpty());
    (void)test;
}

class PlayerBarScreenshots : public PlayerBarTest {};

TEST_F(PlayerBarScreenshots, WideCompactIdleAndBuffering) {
    PlayerBarState state = playingState();
    state.repeatMode = RepeatMode::all;
    state.shuffle = true;
    state.queuePresented = true;
    state.current->starred = std::string("2024-01-01T00:00:00Z");
    state.artists = {Artist::make("ar-1", "Aurora Trio"), Artist::make("ar-2", "Mira Solberg")};

    auto wide = makeBar();
    wide->present(state);
    EXPECT_TRUE(wide->isWide());
    shoot(*this, std::move(wide), 1100, "bar-wide");

    auto compact = makeBar();
    compact->present(state);
    shoot(*this, std::move(compact), 620, "bar-compact");

    auto idle = makeBar();
    idle->present(PlayerBarState{});
    shoot(*this, std::move(idle), 1100, "bar-idle");

    PlayerBarState loading = playingState();
    loading.buffering = true;
    loading.position = 0;
    loading.volume = 0;
    auto buffering = makeBar();
    buffering->present(loading);
    shoot(*this, std::move(buffering), 1100, "bar-buffering");
}

} // namespace
} // namespace sorvalind::test
