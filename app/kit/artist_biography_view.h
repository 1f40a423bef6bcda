#pragma once
// The start of an artist's biography on the artist page, three lines at
// most, with "Read more" opening the whole text in a sheet. The biography is
// asked of the model when the view appears and whenever the model's client
// changes while it is shown; the view shows only a non-empty text and is
// empty otherwise. GUI thread only;
// the model is held weakly.

#include <QDialog>
#include <QPointer>
#include <QWidget>

#include <memory>
#include <optional>
#include <stop_token>
#include <string>

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace sorvalind {

class APIClient;
class AppModel;
class ElidedTextLabel;

// The sheet with the whole biography: 640 × 480, closed by Done or Escape.
class ArtistBiographyPage : public QDialog {
    Q_OBJECT

public:
    ArtistBiographyPage(const std::string& artistName, const std::string& text, QWidget* parent = nullptr);

    QLabel* title() const noexcept { return title_; }
    QPlainTextEdit* body() const noexcept { return body_; }
    QPushButton* doneButton() const noexcept { return done_; }

private:
    QLabel* title_;
    QPlainTextEdit* body_;
    QPushButton* done_;
};

class ArtistBiographyView : public QWidget {
    Q_OBJECT

public:
    ArtistBiographyView(std::shared_ptr<AppModel> model, std::string artistID, std::string artistName,
                        QWidget* parent = nullptr);
    ~ArtistBiographyView() override;

    ElidedTextLabel* preview() const noexcept { return preview_; }
    QPushButton* readMoreButton() const noexcept { return readMore_; }
    // The sheet while it is shown.
    ArtistBiographyPage* sheet() const { return sheet_; }

    // Asks again when the artist or the model's client changed since the last
    // request; the model's "changed" signal calls it.
    void reload();
    void render();
    void openSheet();

protected:
    // Appearing asks afresh; disappearing stops the request under way.
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    struct Request {
        std::string artistID;
        std::weak_ptr<APIClient> client;
        bool same(const std::string& id, const std::shared_ptr<APIClient>& other) const;
    };

    // The model's text for the artist; empty when there is none.
    std::string biography() const;

    std::weak_ptr<AppModel> model_;
    std::string artistID_;
    std::string artistName_;
    std::optional<Request> request_;
    std::stop_source stop_;
    QWidget* content_;
    ElidedTextLabel* preview_;
    QPushButton* readMore_;
    QPointer<ArtistBiographyPage> sheet_;
};

} // namespace sorvalind
