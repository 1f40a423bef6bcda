#include "shell/settings_page.h"

#include "shell/playback_preferences.h"
#include "shell/reset_views.h"
#include "shell/settings_section.h"
#include "shell/settings_texts.h"
#include "shell/sign_in_form.h"

#include "kit/model_adapter.h"
#include "kit/plain_text.h"
#include "kit/text_styles.h"
#include "model/app_coordinator.h"
#include "model/app_model.h"
#include "model/workspace.h"
#include "platform/text/byte_count.h"
#include "server/app_links.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include <filesystem>
#include <system_error>

namespace sorvalind {

namespace {

// The column's own inset inside its margins, as a grouped form has.
constexpr int columnInset = 20;

QLabel* valueLabel(QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    return label;
}

QPushButton* button(std::string_view title, QWidget* parent) {
    auto* result = new QPushButton(menuText(toQString(title)), parent);
    result->setAutoDefault(false);
    return result;
}

// `widget` at its own width, at the leading edge of a section's row.
QWidget* leadingRow(QWidget* widget, QWidget* parent) {
    auto* row = new QWidget(parent);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(widget);
    layout->addStretch(1);
    return row;
}

} // namespace

SettingsView::SettingsView(std::shared_ptr<AppModel> model, std::shared_ptr<AppCoordinator> coordinator,
                           Workspace& workspace, QWidget* parent)
    : QScrollArea(parent), model_(model), coordinator_(std::move(coordinator)), workspace_(workspace),
      watch_(new ModelAdapter(this)) {
    setWidgetResizable(true);
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);

    column_ = new QWidget;
    columnLayout_ = new QVBoxLayout(column_);
    columnLayout_->setSpacing(18);

    summary_ = makeServerSummary(column_);
    columnLayout_->addWidget(summary_);
    signIn_ = new ConnectionSettingsView(coordinator_, column_);
    signIn_->hide();
    columnLayout_->addWidget(signIn_);
    playback_ = new PlaybackPreferences(model, column_);
    columnLayout_->addWidget(playback_);
    columnLayout_->addWidget(makeOfflineSection(column_));
    columnLayout_->addWidget(makeDownloadsSection(column_));
    columnLayout_->addWidget(makeAboutSection(column_));
    columnLayout_->addWidget(makeResetSection(column_));
    columnLayout_->addStretch(1);
    setWidget(column_);
    applyMargins();

    watch_->watch(coordinator_->connectionPresented());
    if (model) {
        watch_->watch(model->credentialsLocked());
        watch_->watch(model->credentialsMissing());
        watch_->watch(model->unlockingCredentials());
        watch_->watch(model->forceOfflineMode());
        watch_->watch(model->downloadQuality());
        watch_->watch(model->automaticallyDownloadFavorites());
        watch_->watch(model->favoriteDownloadQuality());
        // Storage is no published value of its own: it changes with the records.
        watch_->watch(model->downloads().records());
    }
    connect(watch_, &ModelAdapter::modelChanged, this, &SettingsView::render);
    render();
}

SettingsSection* SettingsView::makeServerSummary(QWidget* parent) {
    auto* section = new SettingsSection(SettingsTexts::serverSection, parent);
    address_ = valueLabel(section);
    // An address reads as one piece: no breaks after its slashes.
    address_->setWordWrap(false);
    address_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    section->addRow(SettingsTexts::address, address_);
    account_ = valueLabel(section);
    section->addRow(SettingsTexts::account, account_);
    edit_ = button(SettingsTexts::editConnection, section);
    unlock_ = button(SettingsTexts::unlock, section);
    auto* buttons = new QWidget(section);
    auto* row = new QHBoxLayout(buttons);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(edit_);
    row->addWidget(unlock_);
    row->addStretch(1);
    section->addWide(buttons);

    connect(edit_, &QPushButton::clicked, this, [this] {
        coordinator_->setConnectionPresented(true);
        coordinator_->showSettings();
    });
    connect(unlock_, &QPushButton::clicked, this, [this] {
        // The model keeps the unlock's state; the button shows it.
        if (const auto model = model_.lock()) model->unlockSavedLogin(true);
    });
    return section;
}

SettingsSection* SettingsView::makeOfflineSection(QWidget* parent) {
    auto* section = new SettingsSection(SettingsTexts::offlineSection, parent);
    offline_ = new QCheckBox(menuText(toQString(SettingsTexts::offlineMode)), section);
    section->addWide(offline_);
    section->addCaption(SettingsTexts::offlineCaption);
    connect(offline_, &QCheckBox::clicked, this, [this](bool checked) {
        if (const auto model = model_.lock()) model->setForceOfflineMode(checked);
    });
    return section;
}

SettingsSection* SettingsView::makeDownloadsSection(QWidget* parent) {
    auto* section = new SettingsSection(SettingsTexts::downloadsSection, parent);
    defaultQuality_ = qualityPicker(section);
    section->addRow(SettingsTexts::defaultQuality, defaultQuality_);
    automaticFavorites_ = new QCheckBox(menuText(toQString(SettingsTexts::automaticFavorites)), section);
    section->addWide(automaticFavorites_);
    favoritesQuality_ = qualityPicker(section);
    section->addRow(SettingsTexts::favoritesQuality, favoritesQuality_);
    section->addCaption(SettingsTexts::favoritesCaption);
    storage_ = valueLabel(section);
    section->addRow(SettingsTexts::storage, storage_);
    showFolder_ = button(SettingsTexts::showFolder, section);
    section->addWide(leadingRow(showFolder_, section));
    section->addCaption(SettingsTexts::syncCaption);

    connect(defaultQuality_, &QComboBox::activated, this, [this](int index) {
        if (const auto model = model_.lock()) model->setDownloadQuality(qualityAt(index));
    });
    connect(automaticFavorites_, &QCheckBox::clicked, this, [this](bool checked) {
        if (const auto model = model_.lock()) model->setAutomaticallyDownloadFavorites(checked);
    });
    connect(favoritesQuality_, &QComboBox::activated, this, [this](int index) {
        if (const auto model = model_.lock()) model->setFavoriteDownloadQuality(qualityAt(index));
    });
    connect(showFolder_, &QPushButton::clicked, this, [this] { showDownloadFolder(); });
    return section;
}

SettingsSection* SettingsView::makeAboutSection(QWidget* parent) {
    auto* section = new SettingsSection(SettingsTexts::aboutSection, parent);
    privacy_ = button(SettingsTexts::privacyPolicy, section);
    privacy_->setFlat(true);
    privacy_->setCursor(Qt::PointingHandCursor);
    QPalette link = privacy_->palette();
    link.setColor(QPalette::ButtonText, link.color(QPalette::Link));
    privacy_->setPalette(link);
    section->addWide(leadingRow(privacy_, section));
    connect(privacy_, &QPushButton::clicked, this,
            [this] { workspace_.openURL(std::string(AppLinks::privacyPolicyURL)); });
    return section;
}

SettingsSection* SettingsView::makeResetSection(QWidget* parent) {
    auto* section = new SettingsSection(SettingsTexts::resetSection, parent);
    reset_ = new ResetAppButton(coordinator_, section);
    section->addWide(leadingRow(reset_, section));
    section->addCaption(SettingsTexts::resetCaption);
    return section;
}

void SettingsView::render() {
    const auto model = model_.lock();
    column_->setEnabled(model != nullptr);
    if (!model) return;

    const bool summary = model->configuration() && !coordinator_->connectionPresented().value() &&
                         !model->credentialsMissing().value();
    summary_->setVisible(summary);
    signIn_->setVisible(!summary);
    if (model->configuration()) {
        address_->setText(QString::fromStdString(model->configuration()->url().absoluteString()));
        account_->setText(QString::fromStdString(model->configuration()->username()));
    }
    const bool unlocking = model->unlockingCredentials().value();
    unlock_->setVisible(model->credentialsLocked().value());
    unlock_->setText(menuText(toQString(unlocking ? SettingsTexts::unlocking : SettingsTexts::unlock)));
    unlock_->setEnabled(!unlocking);

    {
        const QSignalBlocker offline(offline_);
        offline_->setChecked(model->forceOfflineMode().value());
        const QSignalBlocker automatic(automaticFavorites_);
        automaticFavorites_->setChecked(model->automaticallyDownloadFavorites().value());
    }
    showQuality(*defaultQuality_, model->downloadQuality().value());
    showQuality(*favoritesQuality_, model->favoriteDownloadQuality().value());
    favoritesQuality_->setEnabled(model->automaticallyDownloadFavorites().value());
    storage_->setText(
        QString::fromStdString(fileByteCountText(model->downloads().storageBytes(), text::userLocaleId())));
}

void SettingsView::showDownloadFolder() {
    const auto model = model_.lock();
    if (!model) return;
    const std::filesystem::path& root = model->downloads().root();
    std::error_code error;
    std::filesystem::create_directories(root, error);
    if (error) {
        model->reportError(std::make_exception_ptr(
            std::filesystem::filesystem_error("Could not create the download folder", root, error)));
        return;
    }
    if (!workspace_.openFolder(root)) model->showError(std::string(SettingsTexts::folderNotOpened));
}

int SettingsView::sideMargin() const {
    return SettingsTexts::sideMargin(width());
}

void SettingsView::applyMargins() {
    const int margin = sideMargin();
    columnLayout_->setContentsMargins(columnInset + margin, columnInset, columnInset + margin, columnInset);
}

void SettingsView::resizeEvent(QResizeEvent* event) {
    QScrollArea::resizeEvent(event);
    applyMargins();
}

} // namespace sorvalind
