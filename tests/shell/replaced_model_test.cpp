// The forms and the biography hold the model weakly: signing in again and
// resetting while they are shown leaves no old model alive, and the views
// left behind stay inert.

#include "forms_fixture.h"

#include "shell/settings_page.h"

#include "kit/artist_biography_view.h"

#include <QPushButton>

namespace sorvalind::test {
namespace {

struct ReplacedModel : FormsFixture {};

TEST_F(ReplacedModel, OldModelsDieWhileTheirViewsAreShown) {
    makeCoordinator();
    launch();
    ASSERT_EQ(connect(), nullptr);
    std::vector<std::weak_ptr<AppModel>> old;
    std::vector<std::unique_ptr<QWidget>> views;
    const auto showViews = [&] {
        auto page = std::make_unique<SettingsView>(current(), coordinator, workspace);
        page->resize(900, 700);
        page->show();
        auto biography = std::make_unique<ArtistBiographyView>(current(), "ar-1", "An Artist");
        biography->show();
        views.push_back(std::move(page));
        views.push_back(std::move(biography));
        old.push_back(current());
        settle();
    };

    showViews();
    ASSERT_EQ(connect(), nullptr);
    showViews();
    reset();
    settle();
    ASSERT_TRUE(current());
    for (const auto& model : old)
        EXPECT_TRUE(model.expired());

    // What the old pages still offer does nothing.
    auto* page = static_cast<SettingsView*>(views.front().get());
    page->showDownloadFolder();
    EXPECT_TRUE(workspace.folders.empty());
    views.clear();
    settle();
}

} // namespace
} // namespace sorvalind::test
