#pragma once
// The "Song Details" sheet: the song as passed in, completed first from the
// copy in the local store and then from the server's record, which is saved
// back into the store. A failed or impossible fetch leaves a message (with
// "Retry" while the model has a client). Values that name an artist, the
// album or a genre are links: a click closes the sheet, then navigates.
//
// Window-modal, never a nested event loop; "Done" and Escape close it. The
// load is keyed by the retry count and stops when the sheet closes; the
// store's work runs on its queue, the fetch on `workers`.
//
// GUI thread only.

#include "library/song.h"
#include "library/song_details.h"

#include <QDialog>

#include <functional>
#include <memory>
#include <optional>
#include <string>

class QLabel;
class QPushButton;
class QVBoxLayout;

namespace sorvalind {

class AppModel;
class Executor;

class SongDetailsView : public QDialog {
    Q_OBJECT
public:
    using Navigate = std::function<void(const SongDetailDestination&)>;

    static constexpr const char* noClientMessage =
        "Showing saved details. Connect to your server to load any missing metadata.";
    static constexpr const char* fetchFailedPrefix =
        "Showing saved details. Couldn’t load additional metadata: ";

    // `navigate` none: the model shows the destination.
    SongDetailsView(std::shared_ptr<AppModel> model, Song song, Executor& workers, Navigate navigate = {},
                    QWidget* parent = nullptr);
    ~SongDetailsView() override;

    // Opens the sheet over `parent`'s window; it deletes itself once closed.
    static SongDetailsView* open(std::shared_ptr<AppModel> model, Song song, Executor& workers,
                                 QWidget* parent, Navigate navigate = {});

    const Song& song() const noexcept { return song_; }
    bool loading() const noexcept { return loading_; }
    const std::optional<std::string>& message() const noexcept { return message_; }
    int refreshID() const noexcept { return refreshID_; }
    QPushButton* retryButton() const noexcept { return retry_; }
    // Follows a link as its click does.
    void follow(const SongDetailDestination& destination);
    // Adds 1 to the retry count and loads again.
    void retry();

protected:
    void done(int result) override;

private:
    void load();
    void fetch();
    void rebuild();

    std::shared_ptr<AppModel> model_;
    Song original_;
    Executor& workers_;
    Navigate navigate_;
    Song song_;
    bool loading_ = false;
    std::optional<std::string> message_;
    int refreshID_ = 0;
    // The store read and the fetch, each keyed by the retry count.
    struct Tasks;
    std::unique_ptr<Tasks> tasks_;

    QLabel* title_;
    QLabel* quality_;
    QWidget* content_ = nullptr;
    QVBoxLayout* contentLayout_ = nullptr;
    QPushButton* retry_ = nullptr;
};

} // namespace sorvalind
