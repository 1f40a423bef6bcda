// The settings page over a real coordinator: its column margins, the choice
// between the server summary and the sign-in form, controls bound both ways
// without echo, storage, the download folder and the locked saved login.

#include "forms_fixture.h"

#include "shell/playback_preferences.h"
#include "shell/qt_text.h"
#include "shell/settings_page.h"
#include "shell/settings_texts.h"
#include "shell/sign_in_form.h"

#include "errors/credential_error.h"
#include "platform/text/byte_count.h"
#include "playback/playback_controller.h"
#include "support/widgets/gui_model_world.h"
#include "support/widgets/gui_wait.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QPushButton>

#include <fstream>

namespace sorvalind::test {
namespace {

// A desktop whose file manager opens nothing, recording what it was asked.
class RefusingWorkspace final : public Workspace {
public:
    bool openFolder(const std::filesystem::path& folder) override {
        folders.push_back(folder);
        return false;
    }
    bool openURL(const std::string& url) override {
        urls.push_back(url);
        return false;
    }
    std::vector<std::filesystem::path> folders;
    std::vector<std::string> urls;
};

struct SettingsPage : FormsFixture {
    std::unique_ptr<SettingsView> page;

    void open(Workspace& desktop) {
        page = std::make_unique<SettingsView>(current(), coordinator, desktop);
        page->resize(1000, 900);
        page->show();
        settle();
    }
    void open() { open(workspace); }
    void TearDown() override {
        page.reset();
        FormsFixture::TearDown();
    }
};

TEST(SettingsMarginsTest, CentresAColumnOf720OnWiderPages) {
    const std::pair<int, int> cases[] = {{0, 0}, {700, 0}, {720, 0}, {722, 1}, {1000, 140}, {1180, 230}};
    for (const auto& [width, margin] : cases)
        EXPECT_EQ(SettingsTexts::sideMargin(width), margin) << width;
}

TEST_F(SettingsPage, KeepsItsColumnToTheMiddleOfAWidePage) {
    makeCoordinator();
    launch();
    open();
    for (const auto& [width, margin] : {std::pair{700, 0}, std::pair{1000, 140}}) {
        page->resize(width, 600);
        settle();
        EXPECT_EQ(page->sideMargin(), margin) << width;
        const QMargins margins = page->widget()->layout()->contentsMargins();
        EXPECT_EQ(margins.left(), margins.right());
        EXPECT_EQ(margins.left() - page->widget()->layout()->contentsMargins().top(), margin);
    }
}

TEST_F(SettingsPage, ShowsTheSignInFormUntilAServerIsConfiguredThenItsSummary) {
    makeCoordinator();
    launch();
    open();
    EXPECT_FALSE(page->serverSummary()->isVisible());
    ASSERT_TRUE(page->signInForm()->isVisible());
    EXPECT_FALSE(page->signInForm()->cancelButton()->isVisible());
    page.reset();

    ASSERT_EQ(connect(), nullptr);
    open();
    ASSERT_TRUE(page->serverSummary()->isVisible());
    EXPECT_FALSE(page->signInForm()->isVisible());
    EXPECT_EQ(page->addressLabel()->text().toStdString(), server->baseUrl());
    EXPECT_EQ(page->accountLabel()->text(), QStringLiteral("alice"));
    EXPECT_FALSE(page->unlockButton()->isVisible());
    // The summary's figures: nothing downloaded yet.
    EXPECT_EQ(page->storageLabel()->text(), QStringLiteral("Zero KB"));
    EXPECT_EQ(page->storageLabel()->text().toStdString(), fileByteCountText(0, text::userLocaleId()));

    // Editing turns the summary into the prefilled form; Cancel turns it back.
    page->editButton()->click();
    settle();
    EXPECT_TRUE(coordinator->connectionPresented().value());
    ASSERT_TRUE(page->signInForm()->isVisible());
    EXPECT_EQ(page->signInForm()->addressField()->text().toStdString(), server->baseUrl());
    EXPECT_EQ(current()->route().value(), std::optional<std::string>("Settings"));
    screenshot(*page, "settings_form");
    page->signInForm()->cancelButton()->click();
    settle();
    EXPECT_TRUE(page->serverSummary()->isVisible());
    EXPECT_FALSE(page->signInForm()->isVisible());
}

TEST_F(SettingsPage, BindsTheModelsSettingsBothWaysWithoutEcho) {
    makeCoordinator();
    launch();
    open();
    const auto model = current();
    int offlineDeliveries = 0;
    int qualityDeliveries = 0;
    const Subscription offlineCount = model->forceOfflineMode().subscribe([&](bool) { ++offlineDeliveries; });
    const Subscription qualityCount =
        model->downloadQuality().subscribe([&](DownloadQuality) { ++qualityDeliveries; });
    offlineDeliveries = qualityDeliveries = 0;

    // The user's changes reach the model once.
    page->offlineMode()->click();
    page->defaultQuality()->setCurrentIndex(2);
    emit page->defaultQuality()->activated(2);
    settle();
    EXPECT_TRUE(model->forceOfflineMode().value());
    EXPECT_EQ(model->downloadQuality().value(), DownloadQuality::allCases()[2]);
    EXPECT_EQ(offlineDeliveries, 1);
    EXPECT_EQ(qualityDeliveries, 1);

    // The model's changes reach the controls and go nowhere else.
    model->setForceOfflineMode(false);
    model->setDownloadQuality(DownloadQuality::mp3_320);
    settle();
    EXPECT_FALSE(page->offlineMode()->isChecked());
    EXPECT_EQ(page->defaultQuality()->currentText().toStdString(),
              DownloadQuality(DownloadQuality::mp3_320).label());
    EXPECT_EQ(offlineDeliveries, 2);
    EXPECT_EQ(qualityDeliveries, 2);
    EXPECT_EQ(preferences.stringValue("downloadQuality"), std::optional<std::string>("mp3_320"));

    // Automatic favourites off: its quality picker is disabled but keeps its value.
    model->setFavoriteDownloadQuality(DownloadQuality::mp3_192);
    page->automaticFavorites()->click();
    settle();
    ASSERT_TRUE(model->automaticallyDownloadFavorites().value());
    EXPECT_TRUE(page->favoritesQuality()->isEnabled());
    page->automaticFavorites()->click();
    settle();
    EXPECT_FALSE(model->automaticallyDownloadFavorites().value());
    EXPECT_FALSE(page->favoritesQuality()->isEnabled());
    EXPECT_EQ(page->favoritesQuality()->currentText().toStdString(),
              DownloadQuality(DownloadQuality::mp3_192).label());
    EXPECT_EQ(model->favoriteDownloadQuality().value(), DownloadQuality::mp3_192);
}

TEST_F(SettingsPage, ShowsTheDownloadFolderOrSaysWhyNot) {
    makeCoordinator();
    launch();
    const auto model = current();
    const std::filesystem::path root = model->downloads().root();
    std::filesystem::remove_all(root);

    // Before any download: the folder is made, then shown.
    open();
    page->showFolderButton()->click();
    EXPECT_TRUE(std::filesystem::is_directory(root));
    ASSERT_EQ(workspace.folders.size(), 1u);
    EXPECT_EQ(workspace.folders[0], root);
    EXPECT_EQ(model->error().value(), std::nullopt);
    page->privacyButton()->click();
    ASSERT_EQ(workspace.urls.size(), 1u);
    EXPECT_EQ(workspace.urls[0], "https://pwelkin.nl/sorvalind/privacy");
    page.reset();

    // A file manager that opens nothing: the page says so.
    RefusingWorkspace refusing;
    open(refusing);
    page->showFolderButton()->click();
    EXPECT_EQ(refusing.folders.size(), 1u);
    EXPECT_EQ(model->error().value(), std::optional<std::string>(SettingsTexts::folderNotOpened));

    // A folder that cannot be made: its error, and nothing is opened.
    model->clearError();
    std::filesystem::remove_all(root);
    std::ofstream(root) << "in the way";
    page->showFolderButton()->click();
    EXPECT_EQ(refusing.folders.size(), 1u);
    ASSERT_TRUE(model->error().value());
    EXPECT_NE(*model->error().value(), SettingsTexts::folderNotOpened);
}

TEST_F(SettingsPage, OffersTheUnlockWhileTheSavedLoginIsLocked) {
    saveServer(configuration());
    keyringFailure = std::make_exception_ptr(CredentialError::status(-25308));
    makeCoordinator();
    launch();
    ASSERT_TRUE(current()->credentialsLocked().value());
    open();
    EXPECT_TRUE(page->serverSummary()->isVisible());
    ASSERT_TRUE(page->unlockButton()->isVisible());
    EXPECT_EQ(page->unlockButton()->text(), toQString(SettingsTexts::unlock));
    EXPECT_TRUE(page->unlockButton()->isEnabled());
    screenshot(*page, "settings_locked");

    keyringFailure = nullptr;
    {
        std::lock_guard lock(keyringMutex);
        keyringGated = true;
    }
    const int reads = keyringReads;
    page->unlockButton()->click();
    // The read has reached the (held) keyring, with its prompt allowed.
    driveUI([&] { return keyringReads > reads; });
    EXPECT_TRUE(lastReadInteractive);
    EXPECT_EQ(page->unlockButton()->text(), toQString(SettingsTexts::unlocking));
    EXPECT_FALSE(page->unlockButton()->isEnabled());
    openKeyring();
    driveUI([&] { return !current()->credentialsLocked().value(); });
    EXPECT_FALSE(page->unlockButton()->isVisible());
    drive([&] { return !current()->syncing().value(); });
}

TEST(SettingsPlaybackTest, BindsTheControllersSettingsBothWays) {
    GuiModelWorld world;
    ASSERT_TRUE(world.launch());
    ASSERT_TRUE(world.connect());
    RecordingWorkspace desktop;
    SettingsView page(world.current(), world.sharedCoordinator(), desktop);
    page.resize(1000, 900);
    page.show();
    processEvents();
    EXPECT_FALSE(saveScreenshot(page, QStringLiteral("shell"), QStringLiteral("settings_summary")).isEmpty());
    ASSERT_NE(world.current()->playback().controller(), nullptr);
    PlaybackController& controller = *world.current()->playback().controller();
    PlaybackPreferences* section = page.playbackSection();
    ASSERT_TRUE(section->isEnabled());
    EXPECT_FALSE(section->sendListening()->isChecked());

    section->sendListening()->click();
    EXPECT_TRUE(controller.sendListeningEvents().value());
    section->streamingQuality()->setCurrentIndex(1);
    emit section->streamingQuality()->activated(1);
    EXPECT_EQ(controller.streamingQuality().value(), DownloadQuality::allCases()[1]);

    controller.setSendListeningEvents(false);
    controller.setStreamingQuality(DownloadQuality::mp3_256);
    ASSERT_TRUE(waitUntil([&] { return !section->sendListening()->isChecked(); }));
    EXPECT_EQ(section->streamingQuality()->currentText().toStdString(),
              DownloadQuality(DownloadQuality::mp3_256).label());
    EXPECT_FALSE(controller.sendListeningEvents().value());
}

} // namespace
} // namespace sorvalind::test
