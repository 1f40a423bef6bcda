// The player bar: what it shows for each playback state, and what its
// controls send.

#include "player_bar_fixture.h"

#include "songs/buffering_spinner.h"
#include "songs/position_slider.h"
#include "songs/volume_slider.h"

#include "kit/artist_links.h"
#include "kit/artwork_view.h"
#include "kit/text_styles.h"
#include "playback/playback_controller.h"
#include "support/widgets/gui_wait.h"

#include <QLabel>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>
#include <QVBoxLayout>

namespace sorvalind::test {
namespace {

// A wheel turn over `target`; true when the target kept it. Qt hands an
// event that a widget leaves on to the widgets behind only when it came
// from the desktop, which a test cannot send, so the verdict is read here.
bool wheelKept(QWidget* target, QPoint angleDelta) {
    const QPointF centre = QRectF(target->rect()).center();
    QWheelEvent wheel(centre, target->mapToGlobal(centre), {}, angleDelta, Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(target, &wheel);
    return wheel.isAccepted();
}

QString symbolOf(const QToolButton* button) {
    return button->property("symbolKey").toString().section(QLatin1Char('/'), 0, 0);
}

TEST_F(PlayerBarTest, NothingCurrentShowsTheIdleTextsAndDisablesTheTransport) {
    auto bar = makeBar();
    bar->present(PlayerBarState{});
    bar->show();

    EXPECT_EQ(bar->title()->text(), "Ready when you are");
    EXPECT_TRUE(bar->idleLine()->isVisible());
    EXPECT_EQ(bar->idleLine()->text(), "Choose something to play");
    EXPECT_FALSE(bar->artists()->isVisible());
    EXPECT_FALSE(bar->favoriteButton()->isVisible());
    EXPECT_FALSE(bar->detailsButton()->isVisible());
    EXPECT_FALSE(bar->buttonRow()->isEnabled());
    EXPECT_FALSE(bar->positionSlider()->isEnabled());
    EXPECT_EQ(bar->elapsedText()->text(), "0:00");
    EXPECT_EQ(bar->totalText()->text(), "0:00");
    EXPECT_EQ(bar->positionSlider()->maximum(), 1000);
    EXPECT_TRUE(bar->artwork()->accessibleName().isEmpty());

    QTest::mouseClick(bar->artwork(), Qt::LeftButton);
    QTest::mouseClick(bar->title(), Qt::LeftButton);
    EXPECT_TRUE(calls_.albums.empty());
}

TEST_F(PlayerBarTest, ArtworkAndTitleLeadToTheAlbumOnlyWithAnAlbum) {
    struct Case {
        const char* name;
        std::optional<std::string> albumId;
        bool linked;
    };
    for (const Case& c : {Case{"missing", std::nullopt, false}, Case{"empty", std::string(), false},
                          Case{"present", std::string("al-1"), true}}) {
        SCOPED_TRACE(c.name);
        calls_ = {};
        auto bar = makeBar();
        bar->present(playingState(c.albumId));
        bar->show();
        EXPECT_EQ(bar->title()->text(), "Northern Lights");
        EXPECT_TRUE(bar->favoriteButton()->isVisible());
        EXPECT_TRUE(bar->detailsButton()->isVisible());
        EXPECT_EQ(bar->detailsButton()->toolTip(), "Song Details");
        EXPECT_EQ(bar->artwork()->accessibleName(),
                  c.linked ? QStringLiteral("Show album for Northern Lights") : QString());
        EXPECT_EQ(bar->title()->toolTip(), c.linked ? QStringLiteral("Show album") : QString());
        QTest::mouseClick(bar->artwork(), Qt::LeftButton);
        QTest::mouseClick(bar->title(), Qt::LeftButton);
        EXPECT_EQ(calls_.albums.size(), c.linked ? 2U : 0U);
    }
}

TEST_F(PlayerBarTest, AnUnknownDurationStillGivesTheSliderOneSecond) {
    auto bar = makeBar();
    PlayerBarState state = playingState();
    state.duration = 0;
    state.position = 0;
    bar->present(state);
    EXPECT_EQ(bar->positionSlider()->maximum(), 1000);
    EXPECT_EQ(bar->totalText()->text(), "0:00");
    EXPECT_TRUE(bar->positionSlider()->isEnabled());
}

TEST_F(PlayerBarTest, ADragShowsTheThumbAndSeeksOnceOnRelease) {
    auto bar = makeBar();
    bar->present(playingState());
    bar->show();
    PositionSlider* slider = bar->positionSlider();
    EXPECT_EQ(bar->elapsedText()->text(), "1:00");

    slider->setSliderDown(true);
    slider->setSliderPosition(120000);
    slider->setSliderPosition(150000);
    // The controller moves on meanwhile; the drag keeps the thumb.
    PlayerBarState later = playingState();
    later.position = 61;
    bar->present(later);
    EXPECT_EQ(bar->elapsedText()->text(), "2:30");
    EXPECT_EQ(slider->value(), 150000);
    EXPECT_TRUE(calls_.seeks.empty());

    slider->setSliderDown(false);
    EXPECT_EQ(calls_.seeks, std::vector<double>{150.0});
    // Back to the controller's position, without an echo.
    later.position = 150;
    bar->present(later);
    EXPECT_EQ(bar->elapsedText()->text(), "2:30");
    EXPECT_EQ(calls_.seeks.size(), 1U);
}

TEST_F(PlayerBarTest, AClickOnTheGrooveSeeksOnceWhereItLands) {
    auto bar = makeBar();
    bar->present(playingState());
    bar->show();
    PositionSlider* slider = bar->positionSlider();
    const QPoint spot(slider->width() * 3 / 4, slider->height() / 2);
    QTest::mousePress(slider, Qt::LeftButton, {}, spot);
    EXPECT_TRUE(calls_.seeks.empty());
    QTest::mouseRelease(slider, Qt::LeftButton, {}, spot);
    ASSERT_EQ(calls_.seeks.size(), 1U);
    EXPECT_NEAR(calls_.seeks[0], 225.0, 15.0);
    EXPECT_DOUBLE_EQ(calls_.seeks[0], slider->value() / 1000.0);
}

TEST_F(PlayerBarTest, AKeyOrPageStepSeeksAtOnce) {
    struct Case {
        Qt::Key key;
        double expected;
    };
    for (const Case& c : {Case{Qt::Key_Right, 65}, Case{Qt::Key_Left, 55}, Case{Qt::Key_PageUp, 90},
                          Case{Qt::Key_PageDown, 30}}) {
        SCOPED_TRACE(c.key);
        calls_ = {};
        auto bar = makeBar();
        bar->present(playingState());
        bar->show();
        QTest::keyClick(bar->positionSlider(), c.key);
        EXPECT_EQ(calls_.seeks, std::vector<double>{c.expected});
    }
}

TEST_F(PlayerBarTest, TheWheelOverThePositionNeverSeeksAndIsLeftToThePage) {
    auto bar = makeBar();
    bar->present(playingState());
    bar->show();
    for (const QPoint delta : {QPoint(0, -120), QPoint(0, 120), QPoint(120, 0)})
        EXPECT_FALSE(wheelKept(bar->positionSlider(), delta));
    EXPECT_TRUE(calls_.seeks.empty());
    EXPECT_EQ(bar->positionSlider()->value(), 60000);
}

TEST_F(PlayerBarTest, ADragThatEndsByHidingOrDisablingSendsNoSeek) {
    for (const bool hide : {false, true}) {
        SCOPED_TRACE(hide ? "hidden" : "disabled");
        calls_ = {};
        auto bar = makeBar();
        bar->present(playingState());
        bar->show();
        PositionSlider* slider = bar->positionSlider();
        slider->setSliderDown(true);
        slider->setSliderPosition(150000);
        if (hide)
            bar->hide();
        else
            bar->present(PlayerBarState{});
        EXPECT_FALSE(slider->seeking());
        EXPECT_FALSE(slider->isSliderDown());
        slider->setSliderDown(false);
        EXPECT_TRUE(calls_.seeks.empty());
    }
}

TEST_F(PlayerBarTest, BufferingHidesThePlaySymbolUnderASpinnerAndStillToggles) {
    struct Case {
        bool buffering;
        bool playing;
        const char* help;
        const char* name;
    };
    for (const Case& c : {Case{true, true, "Loading audio… Click to pause or resume", "Loading audio"},
                          Case{false, true, "Pause", "Pause"}, Case{false, false, "Play", "Play"}}) {
        SCOPED_TRACE(c.help);
        calls_ = {};
        auto bar = makeBar();
        PlayerBarState state = playingState();
        state.buffering = c.buffering;
        state.isPlaying = c.playing;
        bar->present(state);
        bar->show();
        EXPECT_EQ(bar->playPauseButton()->toolTip(), QString::fromUtf8(c.help));
        EXPECT_EQ(bar->playPauseButton()->accessibleName(), QString::fromUtf8(c.name));
        EXPECT_EQ(symbolOf(bar->playPauseButton()), c.playing ? "pause.fill" : "play.fill");
        EXPECT_EQ(bar->playPauseSpinner()->isVisible(), c.buffering);
        EXPECT_EQ(bar->positionSpinner()->isVisible(), c.buffering);
        EXPECT_EQ(bar->positionSpinner()->toolTip(), "Buffering at requested position");
        EXPECT_FALSE(bar->playPauseSpinner()->animating());
        QTest::mouseClick(bar->playPauseButton(), Qt::LeftButton);
        EXPECT_EQ(calls_.calls, std::vector<std::string>{"toggle"});
    }
}

TEST_F(PlayerBarTest, RepeatShowsItsModeInSymbolColourAndHelp) {
    struct Case {
        RepeatMode mode;
        const char* symbol;
        const char* help;
        bool accent;
    };
    for (const Case& c : {Case{RepeatMode::off, "repeat", "Repeat: off", false},
                          Case{RepeatMode::all, "repeat", "Repeat: all", true},
                          Case{RepeatMode::one, "repeat.1", "Repeat: one", true}}) {
        SCOPED_TRACE(c.help);
        auto bar = makeBar();
        PlayerBarState state = playingState();
        state.repeatMode = c.mode;
        bar->present(state);
        EXPECT_EQ(symbolOf(bar->repeatButton()), c.symbol);
        EXPECT_EQ(bar->repeatButton()->toolTip(), c.help);
        const QString colour =
            bar->repeatButton()->property("symbolKey").toString().section(QLatin1Char('/'), 1);
        EXPECT_EQ(colour == accentColor().name(QColor::HexArgb), c.accent);
    }
}

TEST_F(PlayerBarTest, NextIsDisabledWithoutANextSongAndTheButtonsCallTheController) {
    auto bar = makeBar();
    PlayerBarState state = playingState();
    state.canGoNext = false;
    bar->present(state);
    bar->show();
    EXPECT_FALSE(bar->nextButton()->isEnabled());
    for (QToolButton* button : {bar->shuffleButton(), bar->previousButton(), bar->nextButton(),
                                bar->repeatButton(), bar->favoriteButton(), bar->detailsButton()})
        QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(calls_.calls, (std::vector<std::string>{"toggleShuffle", "previous", "cycleRepeat",
                                                      "favorite s-1", "details s-1"}));
}

TEST_F(PlayerBarTest, TheQueueToggleAsksForTheOtherStateAndSaysWhichItIs) {
    for (const bool presented : {false, true}) {
        calls_ = {};
        auto bar = makeBar();
        PlayerBarState state = playingState();
        state.queuePresented = presented;
        bar->present(state);
        bar->show();
        EXPECT_EQ(bar->queueToggle()->accessibleName(), "Queue");
        EXPECT_EQ(bar->queueToggle()->toolTip(), "Show or hide queue");
        EXPECT_EQ(bar->queueToggle()->accessibleDescription(), presented ? "Open" : "Closed");
        QTest::mouseClick(bar->queueToggle(), Qt::LeftButton);
        EXPECT_EQ(calls_.queue, std::vector<bool>{!presented});
        // Until the model answers, the toggle shows the model's value.
        EXPECT_EQ(bar->queueToggle()->isChecked(), presented);
    }
}

TEST_F(PlayerBarTest, TheVolumeWheelStepsFromTheControllersVolume) {
    struct Case {
        const char* name;
        double volume;
        QPoint pixel;
        QPoint angle;
        Qt::ScrollPhase phase;
        std::optional<double> written;
    };
    const Case cases[] = {
        {"one notch", 0.5, {}, {0, 120}, Qt::NoScrollPhase, 0.52},
        {"precise ten", 0.5, {0, 10}, {0, 40}, Qt::ScrollUpdate, 0.52},
        {"notch down", 0.5, {}, {0, -120}, Qt::NoScrollPhase, 0.48},
        {"top end", 1.0, {}, {0, 120}, Qt::NoScrollPhase, std::nullopt},
        {"bottom end", 0.0, {}, {0, -120}, Qt::NoScrollPhase, std::nullopt},
        {"clamped", 0.99, {}, {0, 120}, Qt::NoScrollPhase, 1.0},
        {"momentum", 0.5, {0, 10}, {0, 40}, Qt::ScrollMomentum, std::nullopt},
        {"horizontal only", 0.5, {}, {120, 0}, Qt::NoScrollPhase, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        calls_ = {};
        auto bar = makeBar();
        PlayerBarState state = playingState();
        state.volume = c.volume;
        bar->present(state);
        VolumeSlider* slider = bar->volumeSlider();
        const QPointF centre(slider->width() / 2.0, slider->height() / 2.0);
        QWheelEvent wheel(centre, centre, c.pixel, c.angle, Qt::NoButton, Qt::NoModifier, c.phase, false);
        QApplication::sendEvent(slider, &wheel);
        EXPECT_TRUE(wheel.isAccepted());
        if (c.written) {
            ASSERT_EQ(calls_.volumes.size(), 1U);
            EXPECT_DOUBLE_EQ(calls_.volumes[0], *c.written);
        } else {
            EXPECT_TRUE(calls_.volumes.empty());
        }
    }
}

TEST_F(PlayerBarTest, ADisabledVolumeSliderTakesTheWheelAndChangesNothing) {
    auto bar = makeBar();
    bar->present(playingState());
    bar->show();
    bar->volumeSlider()->setEnabled(false);
    EXPECT_TRUE(wheelKept(bar->volumeSlider(), QPoint(0, -120)));
    EXPECT_TRUE(calls_.volumes.empty());
}

TEST_F(PlayerBarTest, TheSpeakerIsSilentOnlyAtZero) {
    for (const double volume : {0.0, 0.001, 1.0}) {
        auto bar = makeBar();
        PlayerBarState state = playingState();
        state.volume = volume;
        bar->present(state);
        EXPECT_EQ(bar->speaker()->property("symbolKey").toString(),
                  volume == 0 ? "speaker.slash" : "speaker.wave.2");
    }
}

TEST_F(PlayerBarTest, TheArrangementTurnsAtTheSectionsOwnMinimum) {
    auto bar = makeBar();
    bar->present(playingState());
    bar->show();
    QWidget* song = bar->songSection();
    QWidget* transport = bar->transportSection();
    const int minimum = bar->wideMinimumWidth();
    EXPECT_GT(minimum, 170 + 250 + 170);

    bar->resize(minimum, bar->height());
    EXPECT_TRUE(bar->isWide());
    EXPECT_EQ(song->y(), transport->y());

    bar->resize(minimum - 1, bar->height());
    EXPECT_FALSE(bar->isWide());
    EXPECT_EQ(bar->songSection(), song);
    EXPECT_EQ(bar->transportSection(), transport);
    processEvents();
    bar->resize(minimum - 1, bar->sizeHint().height());
    processEvents();
    EXPECT_GT(transport->mapTo(bar.get(), QPoint()).y(), song->mapTo(bar.get(), QPoint()).y());

    bar->resize(minimum + 1, bar->height());
    EXPECT_TRUE(bar->isWide());
}

TEST_F(PlayerBarTest, FollowsTheRealControllerAndPlaysThroughIt) {
    auto model = world_->current();
    PlaybackController* controller = model->playback().controller();
    ASSERT_NE(controller, nullptr);
    PlayerBar bar(model);
    bar.resize(1000, bar.sizeHint().height());
    bar.show();
    controller->play({world_->playableSong("s1"), world_->playableSong("s2")}, std::nullopt, std::nullopt,
                     std::nullopt);
    ASSERT_TRUE(waitUntil([&] { return bar.title()->text() == "Song s1"; }));
    EXPECT_TRUE(bar.buttonRow()->isEnabled());
    EXPECT_TRUE(bar.nextButton()->isEnabled());

    QTest::mouseClick(bar.nextButton(), Qt::LeftButton);
    ASSERT_TRUE(waitUntil([&] { return bar.title()->text() == "Song s2"; }));
    controller->pause();
    ASSERT_TRUE(waitUntil([&] { return !bar.state().isPlaying; }));
    QTest::mouseClick(bar.playPauseButton(), Qt::LeftButton);
    EXPECT_TRUE(controller->isPlaying().value());
    controller->stop();
}

} // namespace
} // namespace sorvalind::test
