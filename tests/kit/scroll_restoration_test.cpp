// A browse page's scroll offset: saved per key once the page is ready and
// its key current, restored once (clamped to what the content allows) when
// the page comes back, never by a page whose key went stale; a scroll area
// given a new key starts at the top.

#include "kit/scroll_restoration.h"
#include "kit/scroll_restorer.h"

#include "model/app_model.h"
#include "support/widgets/gui_model_world.h"
#include "support/widgets/gui_wait.h"

#include <gtest/gtest.h>

#include <QScrollArea>
#include <QScrollBar>

#include <variant>

namespace sorvalind::test {
namespace {

using Geometry = ScrollRestoration::Geometry;

const BrowseScrollKey albums{"Albums", "", "albums"};

struct Ready {
    bool ready;
};
struct Stale {
    bool stale;
};
// Each step: a geometry, a readiness or a staleness change, then what it
// asked to scroll to and the offset saved afterwards (none: nothing saved).
struct Step {
    std::variant<Geometry, Ready, Stale> change;
    std::optional<double> scrollTo;
    std::optional<double> saved;
};

struct Case {
    const char* name;
    std::optional<double> savedBefore;
    std::vector<Step> steps;
};

TEST(ScrollRestoration, SavesAndRestoresOnlyWhileReadyAndCurrent) {
    const Case cases[] = {
        {"first visit: nothing restored, scrolling saves",
         std::nullopt,
         {{Ready{true}, {}, {}}, {Geometry{0, 3000, 600}, {}, 0}, {Geometry{300, 3000, 600}, {}, 300}}},
        {"800 comes back to 800 once the page is ready",
         800,
         {{Geometry{0, 0, 600}, {}, 800},
          {Geometry{0, 3000, 600}, {}, 800},
          {Ready{true}, 800, 800},
          {Geometry{800, 3000, 600}, {}, 800},
          {Geometry{820, 3000, 600}, {}, 820}}},
        {"800 lands at 500 when the content is only 500 taller, and stays",
         800,
         {{Ready{true}, {}, 800},
          {Geometry{0, 1100, 600}, 500, 800},
          {Geometry{500, 1100, 600}, {}, 500},
          {Geometry{500, 3000, 600}, {}, 500}}},
        {"no height or viewport yet: restoring waits for the layout",
         800,
         {{Ready{true}, {}, 800},
          {Geometry{0, 0, 0}, {}, 800},
          {Geometry{0, 2000, 0}, {}, 800},
          {Geometry{0, 2000, 600}, 800, 800}}},
        {"a stale key neither restores nor saves",
         800,
         {{Stale{true}, {}, 800},
          {Ready{true}, {}, 800},
          {Geometry{0, 3000, 600}, {}, 800},
          {Geometry{40, 3000, 600}, {}, 800}}},
        {"a stale key on a page that never restores saves nothing",
         std::nullopt,
         {{Ready{true}, {}, {}}, {Stale{true}, {}, {}}, {Geometry{250, 3000, 600}, {}, {}}}},
        {"an overscroll above the top is saved as 0",
         std::nullopt,
         {{Ready{true}, {}, {}}, {Geometry{-40, 3000, 600}, {}, 0}}},
        {"a saved 0 is never restored",
         0,
         {{Ready{true}, {}, 0}, {Geometry{0, 3000, 600}, {}, 0}, {Geometry{90, 3000, 600}, {}, 90}}},
        {"not ready: nothing saved",
         std::nullopt,
         {{Geometry{300, 3000, 600}, {}, {}},
          {Ready{true}, {}, {}},
          {Geometry{310, 3000, 600}, {}, 310},
          {Ready{false}, {}, 310},
          {Geometry{320, 3000, 600}, {}, 310}}},
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(row.name);
        ScrollRestoration::Offsets offsets;
        if (row.savedBefore) offsets[albums] = *row.savedBefore;
        bool stale = false;
        ScrollRestoration state(albums, offsets,
                                [&](const BrowseScrollKey& key) { return !stale && key == albums; });
        EXPECT_EQ(state.restoresOffset(), row.savedBefore.value_or(0) > 0);
        int index = 0;
        for (const Step& step : row.steps) {
            SCOPED_TRACE(index++);
            std::optional<double> target;
            if (const auto* geometry = std::get_if<Geometry>(&step.change))
                target = state.geometryChanged(*geometry);
            if (const auto* ready = std::get_if<Ready>(&step.change)) target = state.setReady(ready->ready);
            if (const auto* change = std::get_if<Stale>(&step.change)) stale = change->stale;
            EXPECT_EQ(target, step.scrollTo);
            const auto saved = offsets.find(albums);
            EXPECT_EQ(saved == offsets.end() ? std::nullopt : std::optional<double>(saved->second),
                      step.saved);
        }
    }
}

// A scroll area over content of a given height.
struct Page {
    QScrollArea area;
    QWidget* content = new QWidget;
    Page() {
        area.resize(300, 400);
        area.setWidget(content);
        setHeight(3000);
        area.show();
        processEvents();
    }
    void setHeight(int height) {
        content->setFixedSize(280, height);
        processEvents();
    }
    int offset() const { return area.verticalScrollBar()->value(); }
};

TEST(ScrollRestorer, ARestoredPageReturnsClampedAndAReusedAreaStartsAtTheTop) {
    ScrollRestoration::Offsets offsets;
    std::string route = "Albums";
    const auto current = [&](const BrowseScrollKey& key) { return key.route == route; };
    const BrowseScrollKey artists{"Artists", "", "artists"};

    Page page;
    ScrollRestorer restorer(page.area, offsets, current);
    restorer.setKey(albums, true);
    page.area.verticalScrollBar()->setValue(800);
    EXPECT_EQ(offsets[albums], 800);

    // Another page in the same area: it starts at the top, and the albums'
    // offset stays as it was.
    route = "Artists";
    restorer.setKey(artists, false);
    EXPECT_EQ(page.offset(), 0);
    restorer.setReady(true);
    EXPECT_EQ(offsets[albums], 800);
    page.area.verticalScrollBar()->setValue(120);
    EXPECT_EQ(offsets[artists], 120);

    // Back to the albums while their list is not final: nothing moves until
    // it is; then the list is only 500 points taller than the view.
    route = "Albums";
    restorer.setKey(albums, false);
    EXPECT_EQ(page.offset(), 0);
    page.setHeight(page.area.viewport()->height() + 500);
    EXPECT_EQ(page.offset(), 0);
    restorer.setReady(true);
    EXPECT_EQ(page.offset(), 500);
    EXPECT_EQ(offsets[albums], 500);
    // It stays there when the content grows afterwards.
    page.setHeight(3000);
    EXPECT_EQ(page.offset(), 500);
    EXPECT_EQ(offsets[artists], 120);
}

TEST(ScrollRestorer, APageWhoseKeyWentStaleNeitherRestoresNorSaves) {
    ScrollRestoration::Offsets offsets{{albums, 900.0}};
    std::string route = "Search";
    Page page;
    ScrollRestorer restorer(page.area, offsets,
                            [&](const BrowseScrollKey& key) { return key.route == route; });
    restorer.setKey(albums, true);
    EXPECT_EQ(page.offset(), 0);
    page.area.verticalScrollBar()->setValue(50);
    EXPECT_EQ(offsets[albums], 900);
    EXPECT_FALSE(restorer.state()->isRestored());
}

// Over a real model: the offsets live in the model, and its route and search
// text decide whether a key is current.
TEST(ScrollRestorer, KeepsTheModelsOffsetsWhileItsRouteAndSearchTextStay) {
    GuiModelWorld world;
    ASSERT_TRUE(world.launch());
    ASSERT_TRUE(world.connect());
    AppModel& model = *world.current();
    model.setRoute("Albums");
    const BrowseScrollKey key = model.browseScrollKey("albums");
    EXPECT_EQ(key, (BrowseScrollKey{"Albums", "", "albums"}));

    Page page;
    ScrollRestorer restorer(page.area, model);
    restorer.setKey(key, true);
    page.area.verticalScrollBar()->setValue(640);
    EXPECT_EQ(model.browseScrollOffsets()[key], 640);

    model.setQuery("blue");
    EXPECT_FALSE(model.isCurrent(key));
    page.area.verticalScrollBar()->setValue(100);
    EXPECT_EQ(model.browseScrollOffsets()[key], 640) << "a stale page saves nothing";
    model.setQuery("");

    // The page comes back in a new area: it returns to where it was.
    Page again;
    ScrollRestorer returning(again.area, model);
    returning.setKey(model.browseScrollKey("albums"), true);
    EXPECT_EQ(again.offset(), 640);
}

} // namespace
} // namespace sorvalind::test
