#pragma once
// The sidebar column: the list of library items and playlists, the settings
// row, and the connection footer (the server button, the status line and at
// most one sign-in button). The list's selection follows the route given;
// only a selection the user makes is reported, so showing a route never
// echoes back as a choice.
//
// GUI thread only.

#include "library_window/page_route.h"
#include "library_window/sidebar_tree.h"

#include <QWidget>

#include <optional>
#include <string>

class QLabel;
class QPushButton;

namespace sorvalind {

struct ConnectionFooter {
    QString host;
    QString status;
    bool connected = false;
    SignInButton signIn = SignInButton::none;
};

class LibrarySidebar : public QWidget {
    Q_OBJECT
public:
    static constexpr int minimumWidth = 170;
    static constexpr int idealWidth = 210;
    static constexpr int maximumWidth = 280;

    explicit LibrarySidebar(QWidget* parent = nullptr);

    SidebarTree* tree() const noexcept { return tree_; }
    QPushButton* settingsRow() const noexcept { return settings_; }
    QPushButton* serverButton() const noexcept { return server_; }
    QPushButton* signInButton() const noexcept { return signIn_; }
    QLabel* statusLine() const noexcept { return status_; }

    void setRoute(const std::optional<std::string>& route);
    void setPlaylists(const std::vector<Playlist>& playlists);
    void setSettingsSelected(bool selected);
    void setFooter(const ConnectionFooter& footer);
    void setPlaylistsExpanded(bool expanded);
    bool playlistsExpanded() const;
    QSize sizeHint() const override;

signals:
    void routeChosen(const QString& route);
    void settingsClicked();
    void serverClicked();
    void signInClicked();
    void playlistsExpandedChanged(bool expanded);

private:
    void selectRoute();
    void selectionChanged();

    SidebarTree* tree_;
    QPushButton* settings_;
    QLabel* dot_;
    QPushButton* server_;
    QLabel* status_;
    QPushButton* signIn_;
    std::optional<std::string> route_;
    bool selecting_ = false;
    bool connected_ = false;
};

} // namespace sorvalind
