// The start-up failure page and the reset button over a real coordinator:
// what each shows, when the reset can be asked for, and that only "Delete
// Everything" deletes.

#include "forms_fixture.h"
#include "shell/qt_text.h"

#include "shell/reset_texts.h"
#include "shell/reset_views.h"
#include "shell/startup_failure_view.h"

#include <QLabel>
#include <QMessageBox>
#include <QPushButton>

#include <atomic>

namespace sorvalind::test {
namespace {

struct ResetViews : FormsFixture {
    // The keyring clean-up of a reset fails while `keyringStuck` is set.
    std::atomic<bool> keyringStuck{false};

    void makeResettableCoordinator() {
        AppCoordinator::Credentials credentials = this->credentials();
        credentials.removeAll = [this] {
            if (keyringStuck) throw std::runtime_error("The keyring could not be changed.");
            credentialStore.removeAll();
        };
        coordinator = AppCoordinator::create(
            environment(), AppResetStorage::live(paths, domains, std::string(ownApplicationIdentifier)),
            credentials);
    }
};

TEST_F(ResetViews, AFailedLaunchShowsItsMessageWithoutAnAction) {
    paths.setBase("relative");
    makeCoordinator();
    launch();
    ASSERT_TRUE(coordinator->startupError().value());

    AppStartupFailure page(coordinator);
    page.resize(780, 540);
    page.show();
    settle();
    EXPECT_EQ(page.title()->text(), toQString(ResetTexts::openFailedTitle));
    EXPECT_EQ(page.message()->text().toStdString(), *coordinator->startupError().value());
    EXPECT_EQ(page.message()->textFormat(), Qt::PlainText);
    EXPECT_FALSE(page.retryButton()->isVisible());
}

TEST_F(ResetViews, AFailedResetOffersARetryThatClearsTheFailureAndSucceeds) {
    saveServer(configuration());
    makeResettableCoordinator();
    launch();
    ASSERT_TRUE(current());
    keyringStuck = true;
    reset();
    ASSERT_TRUE(coordinator->resetFailed().value());
    ASSERT_EQ(current(), nullptr);

    AppStartupFailure page(coordinator);
    page.resize(780, 540);
    page.show();
    settle();
    EXPECT_EQ(page.title()->text(), toQString(ResetTexts::resetFailedTitle));
    ASSERT_TRUE(coordinator->startupError().value());
    EXPECT_EQ(page.message()->text().toStdString(), *coordinator->startupError().value());
    ASSERT_TRUE(page.retryButton()->isVisible());
    EXPECT_EQ(page.retryButton()->text(), toQString(ResetTexts::retryReset));
    screenshot(page, "reset_failure");

    keyringStuck = false;
    page.retryButton()->click();
    // The retry clears the failure and the message at once.
    EXPECT_FALSE(coordinator->resetFailed().value());
    EXPECT_EQ(coordinator->startupError().value(), std::nullopt);
    driveUI([&] { return current() != nullptr; });
    EXPECT_EQ(current()->configuration(), std::nullopt);
    EXPECT_FALSE(preferences.contains("server"));
}

TEST_F(ResetViews, TheButtonAsksFirstAndOnlyDeleteEverythingResets) {
    saveServer(configuration());
    makeCoordinator();
    launch();
    ASSERT_TRUE(current());
    const auto library = current();

    QWidget window;
    window.resize(600, 200);
    auto* button = new ResetAppButton(coordinator, &window);
    button->move(20, 20);
    button->adjustSize();
    window.show();
    settle();
    EXPECT_EQ(button->text(), toQString(ResetTexts::resetButton));
    ASSERT_TRUE(button->isEnabled());

    button->click();
    settle();
    QMessageBox* confirmation = button->confirmation();
    ASSERT_NE(confirmation, nullptr);
    EXPECT_EQ(confirmation->windowModality(), Qt::WindowModal);
    EXPECT_EQ(confirmation->textFormat(), Qt::PlainText);
    EXPECT_EQ(confirmation->text(), toQString(ResetTexts::confirmTitle));
    EXPECT_TRUE(confirmation->informativeText().contains(toQString(ResetTexts::confirmMessage)));
    // Return and Escape both mean Cancel.
    ASSERT_NE(confirmation->defaultButton(), nullptr);
    EXPECT_EQ(confirmation->defaultButton()->text(), toQString(ResetTexts::cancel));
    EXPECT_EQ(confirmation->escapeButton(), confirmation->defaultButton());
    screenshot(*confirmation, "reset_confirmation");

    // Cancel: nothing is touched.
    confirmation->defaultButton()->click();
    settle();
    EXPECT_EQ(button->confirmation(), nullptr);
    EXPECT_FALSE(coordinator->isResetting().value());
    EXPECT_EQ(current(), library);
    EXPECT_TRUE(preferences.contains("server"));

    button->click();
    settle();
    ASSERT_NE(button->confirmation(), nullptr);
    button->deleteButton()->click();
    EXPECT_TRUE(coordinator->isResetting().value());
    settle();
    // No second reset while one runs.
    EXPECT_FALSE(button->isEnabled());
    driveUI([&] { return !coordinator->isResetting().value(); });
    EXPECT_TRUE(button->isEnabled());
    ASSERT_TRUE(current());
    EXPECT_EQ(current()->configuration(), std::nullopt);
    EXPECT_FALSE(preferences.contains("server"));
}

TEST_F(ResetViews, TheFocusRingShowsOnlyWithKeyboardFocusAndTakesNoRoom) {
    makeCoordinator();
    launch();
    QWidget window;
    window.resize(400, 120);
    auto* button = new ResetAppButton(coordinator, &window);
    button->move(20, 20);
    button->adjustSize();
    auto* other = new QPushButton(QStringLiteral("Other"), &window);
    other->move(250, 20);
    window.show();
    window.activateWindow();
    QApplication::setActiveWindow(&window);
    other->setFocus(Qt::TabFocusReason);
    settle();
    ASSERT_FALSE(button->hasFocus());
    const QSize size = button->size();
    const QImage plain = button->grab().toImage();

    button->setFocus(Qt::TabFocusReason);
    settle();
    ASSERT_TRUE(button->hasFocus());
    EXPECT_EQ(button->size(), size);
    const QImage ring = button->grab().toImage();
    // On the left edge, halfway down: the ring's dark stroke, or nothing.
    const QPoint edge(0, ring.height() / 2);
    EXPECT_NE(plain.pixelColor(edge), ring.pixelColor(edge));
    EXPECT_LT(ring.pixelColor(edge).lightness(), 120);
    // Inside, both are the same red.
    const QPoint inside(ring.width() / 2, 6);
    EXPECT_EQ(plain.pixelColor(inside), ring.pixelColor(inside));
}

TEST_F(ResetViews, TheButtonIsDisabledDuringASignIn) {
    makeCoordinator();
    launch();
    ResetAppButton button(coordinator);
    button.show();
    settle();
    ASSERT_TRUE(button.isEnabled());

    MethodGate ping(*server, "ping");
    const TaskHandle signIn = coordinator->connect(server->baseUrl(), "alice", "sesame", true);
    driveUI([&] { return requests("ping") == 1; });
    EXPECT_FALSE(button.isEnabled());
    ping.openAll();
    driveUI([&] { return signIn.isFinished(); });
    EXPECT_TRUE(button.isEnabled());
    drive([&] { return !current()->syncing().value(); });
}

} // namespace
} // namespace sorvalind::test
