#pragma once
// The strip below the library pages that shows what plays and drives
// playback: the song (artwork, title, credits, favourite and details), the
// transport (buttons over the position slider and its clock texts) and the
// volume with the queue toggle. Wide, the three sections share one row;
// once the width falls below what that row needs (summed from the
// sections' own minimum sizes), the song and the volume share the first
// row and the transport takes the second. The sections are moved between
// the two arrangements, never rebuilt, so a drag or a focus survives.
//
// GUI thread only. It follows the model it was built with and calls the
// given actions; it keeps no playback state beyond a drag of the slider.

#include "songs/player_bar_actions.h"
#include "songs/player_bar_state.h"

#include "kit/model_adapter.h"

#include <QWidget>

#include <memory>

class QLabel;
class QToolButton;
class QHBoxLayout;
class QVBoxLayout;

namespace sorvalind {

class AppModel;
class ArtistLinks;
class ArtworkView;
class BufferingSpinner;
class PositionSlider;
class VolumeSlider;

class PlayerBar : public QWidget {
    Q_OBJECT
public:
    static constexpr int maximumPanelWidth = 1200;

    // Calls the model and its controller.
    PlayerBar(const std::shared_ptr<AppModel>& model, QWidget* parent = nullptr);
    PlayerBar(const std::shared_ptr<AppModel>& model, PlayerBarActions actions, QWidget* parent = nullptr);

    // Shows `state` (the model's, or a test's).
    void present(const PlayerBarState& state);
    const PlayerBarState& state() const noexcept { return state_; }

    // The narrowest bar that still shows the one-row arrangement.
    int wideMinimumWidth() const;
    bool isWide() const noexcept { return wide_; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    // Parts, for tests and accessibility checks.
    ArtworkView* artwork() const noexcept { return artwork_; }
    QLabel* title() const noexcept { return title_; }
    QLabel* idleLine() const noexcept { return idleLine_; }
    ArtistLinks* artists() const noexcept { return artists_; }
    QToolButton* favoriteButton() const noexcept { return favorite_; }
    QToolButton* detailsButton() const noexcept { return details_; }
    QWidget* buttonRow() const noexcept { return buttonRow_; }
    QToolButton* shuffleButton() const noexcept { return shuffle_; }
    QToolButton* previousButton() const noexcept { return previous_; }
    QToolButton* playPauseButton() const noexcept { return playPause_; }
    QToolButton* nextButton() const noexcept { return next_; }
    QToolButton* repeatButton() const noexcept { return repeat_; }
    BufferingSpinner* playPauseSpinner() const noexcept { return playSpinner_; }
    BufferingSpinner* positionSpinner() const noexcept { return positionSpinner_; }
    PositionSlider* positionSlider() const noexcept { return slider_; }
    QLabel* elapsedText() const noexcept { return elapsed_; }
    QLabel* totalText() const noexcept { return total_; }
    QLabel* speaker() const noexcept { return speaker_; }
    VolumeSlider* volumeSlider() const noexcept { return volume_; }
    QToolButton* queueToggle() const noexcept { return queue_; }
    QWidget* songSection() const noexcept { return songInfo_; }
    QWidget* transportSection() const noexcept { return transport_; }
    QWidget* volumeSection() const noexcept { return volumeControls_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void buildSongInfo(AppModel& model);
    void buildTransport();
    void buildVolume();
    void buildArrangements();
    void watchModel(AppModel& model);
    void arrange();
    void useWide(bool wide);
    int compactMinimumWidth() const;
    QRect panelRect() const;
    void showElapsed();
    void paintIcons();

    std::weak_ptr<AppModel> model_;
    PlayerBarActions actions_;
    ModelAdapter watch_;
    PlayerBarState state_;
    bool presented_ = false;
    bool wide_ = true;

    QWidget* panel_ = nullptr;
    QWidget* wideRow_ = nullptr;
    QHBoxLayout* songSlot_ = nullptr;
    QHBoxLayout* volumeSlot_ = nullptr;
    QHBoxLayout* wideLayout_ = nullptr;
    QWidget* compactColumn_ = nullptr;
    QHBoxLayout* compactRow_ = nullptr;
    QVBoxLayout* compactLayout_ = nullptr;

    QWidget* songInfo_ = nullptr;
    ArtworkView* artwork_ = nullptr;
    QLabel* title_ = nullptr;
    QLabel* idleLine_ = nullptr;
    ArtistLinks* artists_ = nullptr;
    QToolButton* favorite_ = nullptr;
    QToolButton* details_ = nullptr;

    QWidget* transport_ = nullptr;
    QWidget* buttonRow_ = nullptr;
    QToolButton* shuffle_ = nullptr;
    QToolButton* previous_ = nullptr;
    QToolButton* playPause_ = nullptr;
    BufferingSpinner* playSpinner_ = nullptr;
    QToolButton* next_ = nullptr;
    QToolButton* repeat_ = nullptr;
    QLabel* elapsed_ = nullptr;
    PositionSlider* slider_ = nullptr;
    QLabel* total_ = nullptr;
    BufferingSpinner* positionSpinner_ = nullptr;

    QWidget* volumeControls_ = nullptr;
    QLabel* speaker_ = nullptr;
    VolumeSlider* volume_ = nullptr;
    QToolButton* queue_ = nullptr;
};

} // namespace sorvalind
