#pragma once
// The "New Playlist" and "Rename Playlist" prompts: a name field and the
// confirming button, disabled while the name is only spaces; the name goes
// out as typed (not trimmed). Window-modal, opened with open(); it deletes
// itself when closed.
//
// GUI thread only.

#include <QDialog>

#include <functional>

class QLineEdit;
class QPushButton;

namespace sorvalind {

struct PlaylistNamePromptText {
    QString title;      // "New Playlist" / "Rename Playlist"
    QString fieldLabel; // "Playlist name" / "Name"
    QString confirm;    // "Create" / "Save"
};

class PlaylistNamePrompt : public QDialog {
    Q_OBJECT
public:
    PlaylistNamePrompt(const PlaylistNamePromptText& text, const QString& name,
                       std::function<void(const QString& name)> confirmed, QWidget* parent);

    QLineEdit* field() const noexcept { return field_; }
    QPushButton* confirmButton() const noexcept { return confirm_; }

private:
    QLineEdit* field_;
    QPushButton* confirm_;
};

PlaylistNamePromptText newPlaylistPromptText();
PlaylistNamePromptText renamePlaylistPromptText();

} // namespace sorvalind
