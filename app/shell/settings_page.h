#pragma once
// The settings page: a column of sections, at most 720 pixels wide and
// centred on a wider page, each control bound to a published value of the
// model or of its playback controller. A user's change goes straight to the
// value's setter, which stores and applies it; values that change in the
// model come back into the controls without echoing as user changes.
//
// The first section is the server summary, or the sign-in form when no
// server is configured, the user chose to edit the connection or the saved
// password is missing. GUI thread only; the model is held weakly (the page is
// rebuilt per model) and a model gone leaves the page inert.

#include <QScrollArea>

#include <memory>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QVBoxLayout;

namespace sorvalind {

class AppCoordinator;
class AppModel;
class ConnectionSettingsView;
class ModelAdapter;
class PlaybackPreferences;
class ResetAppButton;
class SettingsSection;
class Workspace;

class SettingsView : public QScrollArea {
    Q_OBJECT

public:
    // `workspace` opens the download folder and the privacy policy.
    SettingsView(std::shared_ptr<AppModel> model, std::shared_ptr<AppCoordinator> coordinator,
                 Workspace& workspace, QWidget* parent = nullptr);

    // The extra margin each side of the column has now.
    int sideMargin() const;

    SettingsSection* serverSummary() const noexcept { return summary_; }
    QLabel* addressLabel() const noexcept { return address_; }
    QLabel* accountLabel() const noexcept { return account_; }
    QPushButton* editButton() const noexcept { return edit_; }
    QPushButton* unlockButton() const noexcept { return unlock_; }
    ConnectionSettingsView* signInForm() const noexcept { return signIn_; }
    PlaybackPreferences* playbackSection() const noexcept { return playback_; }
    QCheckBox* offlineMode() const noexcept { return offline_; }
    QComboBox* defaultQuality() const noexcept { return defaultQuality_; }
    QCheckBox* automaticFavorites() const noexcept { return automaticFavorites_; }
    QComboBox* favoritesQuality() const noexcept { return favoritesQuality_; }
    QLabel* storageLabel() const noexcept { return storage_; }
    QPushButton* showFolderButton() const noexcept { return showFolder_; }
    QPushButton* privacyButton() const noexcept { return privacy_; }
    ResetAppButton* resetButton() const noexcept { return reset_; }

    // Shows the download folder in the file manager, creating it first.
    void showDownloadFolder();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    SettingsSection* makeServerSummary(QWidget* parent);
    SettingsSection* makeOfflineSection(QWidget* parent);
    SettingsSection* makeDownloadsSection(QWidget* parent);
    SettingsSection* makeAboutSection(QWidget* parent);
    SettingsSection* makeResetSection(QWidget* parent);
    void render();
    void applyMargins();

    std::weak_ptr<AppModel> model_;
    std::shared_ptr<AppCoordinator> coordinator_;
    Workspace& workspace_;
    ModelAdapter* watch_;

    QWidget* column_ = nullptr;
    QVBoxLayout* columnLayout_ = nullptr;
    SettingsSection* summary_ = nullptr;
    QLabel* address_ = nullptr;
    QLabel* account_ = nullptr;
    QPushButton* edit_ = nullptr;
    QPushButton* unlock_ = nullptr;
    ConnectionSettingsView* signIn_ = nullptr;
    PlaybackPreferences* playback_ = nullptr;
    QCheckBox* offline_ = nullptr;
    QComboBox* defaultQuality_ = nullptr;
    QCheckBox* automaticFavorites_ = nullptr;
    QComboBox* favoritesQuality_ = nullptr;
    QLabel* storage_ = nullptr;
    QPushButton* showFolder_ = nullptr;
    QPushButton* privacy_ = nullptr;
    ResetAppButton* reset_ = nullptr;
};

} // namespace sorvalind
