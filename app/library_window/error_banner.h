#pragma once
// The message above the page: the model's error, or else the playback
// error. "Dismiss error" clears the model's error (and its connection
// error); the playback error belongs to the engine, which clears it itself,
// so the button is offered only for the model's.
//
// GUI thread only.

#include <QWidget>

#include <optional>
#include <string>

class QLabel;
class QToolButton;

namespace sorvalind {

struct BannerMessage {
    std::string text;
    // The model's error, which the user can dismiss.
    bool dismissable = false;
    friend bool operator==(const BannerMessage&, const BannerMessage&) = default;
};

std::optional<BannerMessage> bannerMessage(const std::optional<std::string>& modelError,
                                           const std::optional<std::string>& playbackError);

class ErrorBanner : public QWidget {
    Q_OBJECT
public:
    explicit ErrorBanner(QWidget* parent = nullptr);

    // Hides the banner for none.
    void present(const std::optional<BannerMessage>& message);
    QString text() const;
    QToolButton* dismissButton() const noexcept { return dismiss_; }

signals:
    void dismissed();

private:
    QLabel* message_;
    QToolButton* dismiss_;
};

} // namespace sorvalind
