#include "library_window/playlist_name_prompt.h"

#include "kit/dialogs.h"

#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace sorvalind {

PlaylistNamePromptText newPlaylistPromptText() {
    return {QStringLiteral("New Playlist"), QStringLiteral("Playlist name"), QStringLiteral("Create")};
}

PlaylistNamePromptText renamePlaylistPromptText() {
    return {QStringLiteral("Rename Playlist"), QStringLiteral("Name"), QStringLiteral("Save")};
}

PlaylistNamePrompt::PlaylistNamePrompt(const PlaylistNamePromptText& text, const QString& name,
                                       std::function<void(const QString& name)> confirmed, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(text.title);
    auto* layout = new QVBoxLayout(this);
    field_ = new QLineEdit(name, this);
    field_->setPlaceholderText(text.fieldLabel);
    field_->setAccessibleName(text.fieldLabel);
    field_->setMinimumWidth(260);
    layout->addWidget(field_);
    auto* buttons = new QDialogButtonBox(this);
    confirm_ = buttons->addButton(text.confirm, QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
    confirm_->setDefault(true);
    layout->addWidget(buttons);
    const auto update = [this] { confirm_->setEnabled(!field_->text().trimmed().isEmpty()); };
    connect(field_, &QLineEdit::textChanged, this, update);
    update();
    connect(buttons, &QDialogButtonBox::accepted, this, [this, confirmed = std::move(confirmed)] {
        if (field_->text().trimmed().isEmpty()) return;
        const QString typed = field_->text();
        accept();
        confirmed(typed);
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

} // namespace sorvalind
