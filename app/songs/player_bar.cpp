#include "songs/player_bar.h"

#include "songs/buffering_spinner.h"
#include "songs/panel_shadow.h"
#include "songs/position_slider.h"
#include "songs/volume_slider.h"

#include "kit/artist_links.h"
#include "kit/artwork_view.h"
#include "kit/symbols.h"
#include "kit/text_styles.h"
#include "library/clock_text.h"
#include "model/app_model.h"
#include "model/playback_control.h"
#include "playback/playback_controller.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace sorvalind {
namespace {

constexpr int barHorizontalInset = 28;
constexpr int barVerticalInset = 12;
constexpr int barWideSpacing = 20;
constexpr int barCompactSpacing = 12;
constexpr int barSongMinimum = 170;
constexpr int barSongMaximum = 280;
constexpr int barTransportMinimum = 250;
constexpr int barTransportMaximum = 560;
constexpr int barSlotMinimum = 170;
constexpr int barClockWidth = 38;
constexpr int barArtworkSide = 48;

const PanelLook barLook{};

// The rounded panel the sections sit on.
class PlayerBarPanel : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        const QColor window = palette().color(QPalette::Window);
        const QColor fill = window.lightness() > 128 ? window.lighter(104) : window.lighter(118);
        QColor border = palette().color(QPalette::WindowText);
        border.setAlphaF(0.10f);
        paintPanel(painter, rect() - panelShadowMargins(barLook), fill, border, barLook, devicePixelRatioF());
    }
};

QToolButton* barFlatButton(QWidget* parent, const QString& help, QSize frame) {
    auto* button = new QToolButton(parent);
    button->setAutoRaise(true);
    button->setToolTip(help);
    button->setAccessibleName(help);
    button->setFixedSize(frame);
    button->setFocusPolicy(Qt::TabFocus);
    return button;
}

// Repainting the same symbol in the same colour on every position tick
// would rebuild the icon for nothing.
void barSetSymbol(QToolButton* button, const QString& name, const QColor& color, int side) {
    const QString key = name + QLatin1Char('/') + color.name(QColor::HexArgb);
    if (button->property("symbolKey").toString() == key) return;
    button->setProperty("symbolKey", key);
    button->setIcon(symbolIcon(name, color));
    button->setIconSize(QSize(side, side));
}

QString barClockText(double seconds) {
    return QString::fromStdString(clockText(seconds));
}

void elideBarText(QLabel* label) {
    const QString full = label->property("fullText").toString();
    label->setText(label->fontMetrics().elidedText(full, Qt::ElideRight, std::max(0, label->width())));
}

void setBarText(QLabel* label, const QString& text) {
    label->setProperty("fullText", text);
    label->setAccessibleName(text);
    elideBarText(label);
}

} // namespace

PlayerBar::PlayerBar(const std::shared_ptr<AppModel>& model, QWidget* parent)
    : PlayerBar(model, modelPlayerBarActions(model), parent) {}

PlayerBar::PlayerBar(const std::shared_ptr<AppModel>& model, PlayerBarActions actions, QWidget* parent)
    : QWidget(parent), model_(model), actions_(std::move(actions)), watch_(this) {
    setObjectName(QStringLiteral("playerBar"));
    setAccessibleName(QStringLiteral("Player"));
    panel_ = new PlayerBarPanel(this);
    buildSongInfo(*model);
    buildTransport();
    buildVolume();
    buildArrangements();
    watchModel(*model);
    present(readPlayerBarState(*model));
    arrange();
}

void PlayerBar::buildSongInfo(AppModel& model) {
    songInfo_ = new QWidget(panel_);
    auto* row = new QHBoxLayout(songInfo_);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(10);
    artwork_ =
        new ArtworkView(model, std::nullopt, barArtworkSide, QStringLiteral("music.note"), false, songInfo_);
    artwork_->installEventFilter(this);
    row->addWidget(artwork_);

    auto* column = new QVBoxLayout;
    column->setSpacing(4);
    column->addStretch(1);
    title_ = new QLabel(songInfo_);
    title_->setObjectName(QStringLiteral("playerTitle"));
    applyTextStyle(title_, TextStyle::callout, QFont::Medium);
    title_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    title_->installEventFilter(this);
    column->addWidget(title_);
    idleLine_ = new QLabel(QStringLiteral("Choose something to play"), songInfo_);
    applyTextStyle(idleLine_, TextStyle::caption);
    applySecondaryStyle(idleLine_);
    idleLine_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    column->addWidget(idleLine_);
    artists_ = new ArtistLinks(songInfo_);
    applyTextStyle(artists_, TextStyle::caption);
    connect(artists_, &ArtistLinks::artistClicked, this, [this](const QString&, int index) {
        const auto model = model_.lock();
        const auto& credits = artists_->artists();
        if (model && index >= 0 && static_cast<std::size_t>(index) < credits.size())
            model->showArtist(credits[static_cast<std::size_t>(index)]);
    });
    column->addWidget(artists_);
    column->addStretch(1);
    row->addLayout(column, 1);

    favorite_ = barFlatButton(songInfo_, QStringLiteral("Favorite"), QSize(26, 26));
    connect(favorite_, &QToolButton::clicked, this, [this] {
        if (state_.current && actions_.favorite) actions_.favorite(*state_.current);
    });
    row->addWidget(favorite_);
    details_ = barFlatButton(songInfo_, QStringLiteral("Song Details"), QSize(26, 26));
    connect(details_, &QToolButton::clicked, this, [this] {
        if (state_.current && actions_.showDetails) actions_.showDetails(*state_.current);
    });
    row->addWidget(details_);
}

void PlayerBar::buildTransport() {
    transport_ = new QWidget(panel_);
    auto* column = new QVBoxLayout(transport_);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(7);

    buttonRow_ = new QWidget(transport_);
    auto* buttons = new QHBoxLayout(buttonRow_);
    buttons->setContentsMargins(0, 0, 0, 0);
    buttons->setSpacing(21);
    buttons->addStretch(1);
    auto add = [&](QToolButton*& button, const QString& help, QSize frame,
                   const std::function<void()>* action) {
        button = barFlatButton(buttonRow_, help, frame);
        connect(button, &QToolButton::clicked, this, [action] {
            if (*action) (*action)();
        });
        buttons->addWidget(button);
    };
    add(shuffle_, QStringLiteral("Shuffle"), QSize(26, 25), &actions_.toggleShuffle);
    add(previous_, QStringLiteral("Previous track"), QSize(26, 25), &actions_.previous);
    add(playPause_, QStringLiteral("Play"), QSize(28, 25), &actions_.toggle);
    add(next_, QStringLiteral("Next track"), QSize(26, 25), &actions_.next);
    add(repeat_, QStringLiteral("Repeat: off"), QSize(26, 25), &actions_.cycleRepeat);
    buttons->addStretch(1);
    playSpinner_ = new BufferingSpinner(16, playPause_);
    playSpinner_->move((playPause_->width() - 16) / 2, (playPause_->height() - 16) / 2);
    playSpinner_->hide();
    column->addWidget(buttonRow_);

    auto* positions = new QHBoxLayout;
    positions->setSpacing(8);
    elapsed_ = new QLabel(transport_);
    total_ = new QLabel(transport_);
    for (QLabel* text : {elapsed_, total_}) {
        applyTextStyle(text, TextStyle::caption);
        QFont font = text->font();
        font.setPointSizeF(font.pointSizeF() * 0.92);
        text->setFont(font);
        applySecondaryStyle(text);
        text->setFixedWidth(barClockWidth);
    }
    elapsed_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    total_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    slider_ = new PositionSlider(transport_);
    slider_->setMinimumWidth(120);
    connect(slider_, &PositionSlider::seekRequested, this, [this](double seconds) {
        if (actions_.seek) actions_.seek(seconds);
    });
    connect(slider_, &PositionSlider::shownChanged, this, &PlayerBar::showElapsed);
    positionSpinner_ = new BufferingSpinner(12, transport_);
    positionSpinner_->setToolTip(QStringLiteral("Buffering at requested position"));
    positionSpinner_->setAttribute(Qt::WA_TransparentForMouseEvents, false);
    positions->addWidget(elapsed_);
    positions->addWidget(slider_, 1);
    positions->addWidget(total_);
    positions->addWidget(positionSpinner_);
    column->addLayout(positions);
}

void PlayerBar::buildVolume() {
    volumeControls_ = new QWidget(panel_);
    auto* row = new QHBoxLayout(volumeControls_);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(10);
    speaker_ = new QLabel(volumeControls_);
    speaker_->setFixedSize(18, 18);
    row->addWidget(speaker_);
    volume_ = new VolumeSlider(volumeControls_);
    connect(volume_, &VolumeSlider::volumeWritten, this, [this](double volume) {
        if (actions_.setVolume) actions_.setVolume(volume);
    });
    row->addWidget(volume_);
    queue_ = barFlatButton(volumeControls_, QStringLiteral("Show or hide queue"), QSize(28, 28));
    queue_->setAccessibleName(QStringLiteral("Queue"));
    queue_->setCheckable(true);
    QColor tint = accentColor();
    tint.setAlphaF(0.1f);
    queue_->setStyleSheet(QStringLiteral("QToolButton { border: none; border-radius: 5px; }"
                                         "QToolButton:checked { background: %1; }")
                              .arg(tint.name(QColor::HexArgb)));
    connect(queue_, &QToolButton::clicked, this, [this] {
        // The model's value decides; the button only asks for the change.
        queue_->setChecked(state_.queuePresented);
        if (actions_.setQueuePresented) actions_.setQueuePresented(!state_.queuePresented);
    });
    row->addWidget(queue_);
}

void PlayerBar::buildArrangements() {
    auto* panelLayout = new QVBoxLayout(panel_);
    const QMargins shadow = panelShadowMargins(barLook);
    panelLayout->setContentsMargins(shadow.left() + barHorizontalInset, shadow.top() + barVerticalInset,
                                    shadow.right() + barHorizontalInset, shadow.bottom() + barVerticalInset);
    panelLayout->setSpacing(0);

    wideRow_ = new QWidget(panel_);
    wideLayout_ = new QHBoxLayout(wideRow_);
    wideLayout_->setContentsMargins(0, 0, 0, 0);
    wideLayout_->setSpacing(barWideSpacing);
    songSlot_ = new QHBoxLayout;
    songSlot_->setSpacing(0);
    volumeSlot_ = new QHBoxLayout;
    volumeSlot_->setSpacing(0);
    wideLayout_->addLayout(songSlot_, 1);
    wideLayout_->addLayout(volumeSlot_, 1);
    panelLayout->addWidget(wideRow_);

    compactColumn_ = new QWidget(panel_);
    compactLayout_ = new QVBoxLayout(compactColumn_);
    compactLayout_->setContentsMargins(0, 0, 0, 0);
    compactLayout_->setSpacing(barCompactSpacing);
    compactRow_ = new QHBoxLayout;
    compactRow_->setSpacing(barWideSpacing);
    compactLayout_->addLayout(compactRow_);
    panelLayout->addWidget(compactColumn_);
    compactColumn_->hide();

    wide_ = false;
    useWide(true);
}

void PlayerBar::useWide(bool wide) {
    if (wide == wide_) return;
    wide_ = wide;
    for (QWidget* section : {songInfo_, transport_, volumeControls_}) {
        wideLayout_->removeWidget(section);
        compactRow_->removeWidget(section);
        compactLayout_->removeWidget(section);
    }
    for (QHBoxLayout* slot : {songSlot_, volumeSlot_})
        while (QLayoutItem* item = slot->takeAt(0))
            delete item;
    const int songLeast = wide ? barSongMinimum : 0;
    songInfo_->setMinimumWidth(songLeast);
    songInfo_->setMaximumWidth(wide ? barSongMaximum : QWIDGETSIZE_MAX);
    transport_->setMinimumWidth(wide ? barTransportMinimum : 0);
    transport_->setMaximumWidth(wide ? barTransportMaximum : QWIDGETSIZE_MAX);
    if (wide) {
        songSlot_->addWidget(songInfo_, 1);
        songSlot_->addStretch(0);
        wideLayout_->insertWidget(1, transport_, 1);
        volumeSlot_->addStretch(0);
        volumeSlot_->addWidget(volumeControls_);
        compactColumn_->hide();
        wideRow_->show();
    } else {
        compactRow_->addWidget(songInfo_, 1);
        compactRow_->addWidget(volumeControls_);
        compactLayout_->addWidget(transport_);
        wideRow_->hide();
        compactColumn_->show();
    }
    for (QWidget* section : {songInfo_, transport_, volumeControls_})
        section->show();
    updateGeometry();
}

void PlayerBar::watchModel(AppModel& model) {
    watch_.watch(model.queuePresented());
    watch_.watch(model.connected());
    watch_.watch(model.isOffline());
    watch_.watch(model.artists());
    if (PlaybackController* controller = model.playback().controller()) {
        watch_.watch(controller->queue());
        watch_.watch(controller->position());
        watch_.watch(controller->isPlaying());
        watch_.watch(controller->buffering());
        watch_.watch(controller->volume());
        watch_.watchEvents<PlaybackAvailability>(controller->availabilityChanges(),
                                                 [](const PlaybackAvailability&) {});
    }
    connect(&watch_, &ModelAdapter::modelChanged, this, [this] {
        if (const auto model = model_.lock()) present(readPlayerBarState(*model));
    });
}

void PlayerBar::present(const PlayerBarState& state) {
    if (presented_ && state == state_) return;
    presented_ = true;
    state_ = state;
    const bool current = state.current.has_value();
    const bool linked = hasAlbumLink(state.current);

    artwork_->setId(current ? state.current->coverArt : std::nullopt);
    artwork_->setConnected(state.artworkConnected);
    artwork_->setCursor(linked ? Qt::PointingHandCursor : Qt::ArrowCursor);
    artwork_->setToolTip(linked ? QStringLiteral("Show album") : QString());
    artwork_->setAccessibleName(linked ? QStringLiteral("Show album for ") +
                                             QString::fromStdString(state.current->title)
                                       : QString());
    title_->setCursor(linked ? Qt::PointingHandCursor : Qt::ArrowCursor);
    title_->setToolTip(linked ? QStringLiteral("Show album") : QString());
    setBarText(title_,
               current ? QString::fromStdString(state.current->title) : QStringLiteral("Ready when you are"));
    idleLine_->setVisible(!current);
    artists_->setVisible(current);
    if (current) artists_->setArtists(state.artists, QString::fromStdString(state.current->artistNames()));
    favorite_->setVisible(current);
    details_->setVisible(current);

    buttonRow_->setEnabled(current);
    next_->setEnabled(state.canGoNext);
    playPause_->setToolTip(playPauseHelp(state.buffering, state.isPlaying));
    playPause_->setAccessibleName(playPauseAccessibleName(state.buffering, state.isPlaying));
    playSpinner_->setVisible(state.buffering);
    repeat_->setToolTip(repeatHelp(state.repeatMode));
    repeat_->setAccessibleName(repeatHelp(state.repeatMode));

    slider_->setEnabled(current);
    slider_->showPosition(state.position, state.duration);
    total_->setText(barClockText(state.duration));
    positionSpinner_->setVisible(state.buffering);

    volume_->showVolume(state.volume);
    queue_->setChecked(state.queuePresented);
    queue_->setAccessibleDescription(state.queuePresented ? QStringLiteral("Open")
                                                          : QStringLiteral("Closed"));
    paintIcons();
    showElapsed();
}

void PlayerBar::paintIcons() {
    const QColor accent = accentColor();
    const QColor secondary = secondaryTextColor(palette());
    const QColor primary = palette().color(QPalette::WindowText);
    if (state_.current) {
        barSetSymbol(favorite_, favoriteSymbol(*state_.current), secondary, 16);
        barSetSymbol(details_, QStringLiteral("info.circle"), secondary, 16);
    }
    barSetSymbol(shuffle_, QStringLiteral("shuffle"), state_.shuffle ? accent : secondary, 16);
    barSetSymbol(previous_, QStringLiteral("backward.end.fill"), primary, 16);
    // Under the spinner the symbol keeps its place but is not drawn.
    barSetSymbol(playPause_, playPauseSymbol(state_.isPlaying), state_.buffering ? Qt::transparent : primary,
                 20);
    barSetSymbol(next_, QStringLiteral("forward.end.fill"), primary, 16);
    barSetSymbol(repeat_, repeatSymbol(state_.repeatMode),
                 state_.repeatMode == RepeatMode::off ? secondary : accent, 16);
    const QString speaker = speakerSymbol(state_.volume);
    if (speaker_->property("symbolKey").toString() != speaker) {
        speaker_->setProperty("symbolKey", speaker);
        speaker_->setPixmap(symbolPixmap(speaker, QSize(18, 18), secondary, devicePixelRatioF()));
    }
    barSetSymbol(queue_, QStringLiteral("list.bullet"), state_.queuePresented ? accent : secondary, 16);
}

void PlayerBar::showElapsed() {
    elapsed_->setText(barClockText(slider_->shownSeconds()));
}

int PlayerBar::wideMinimumWidth() const {
    const QMargins shadow = panelShadowMargins(barLook);
    return shadow.left() + shadow.right() + 2 * barHorizontalInset +
           std::max({barSongMinimum, barSlotMinimum, songInfo_->minimumSizeHint().width()}) + barWideSpacing +
           std::max(barTransportMinimum, transport_->minimumSizeHint().width()) + barWideSpacing +
           std::max(barSlotMinimum, volumeControls_->minimumSizeHint().width());
}

int PlayerBar::compactMinimumWidth() const {
    const QMargins shadow = panelShadowMargins(barLook);
    const int top =
        songInfo_->minimumSizeHint().width() + barWideSpacing + volumeControls_->minimumSizeHint().width();
    return shadow.left() + shadow.right() + 2 * barHorizontalInset +
           std::max(top, transport_->minimumSizeHint().width());
}

QRect PlayerBar::panelRect() const {
    const QMargins shadow = panelShadowMargins(barLook);
    const int widest = maximumPanelWidth + shadow.left() + shadow.right();
    const int panelWidth = std::min(width(), widest);
    return {(width() - panelWidth) / 2, 0, panelWidth, height()};
}

QSize PlayerBar::sizeHint() const {
    const QSize panel = panel_->sizeHint();
    return {std::max(panel.width(), wideMinimumWidth()), panel.height()};
}

QSize PlayerBar::minimumSizeHint() const {
    return {compactMinimumWidth(), panel_->sizeHint().height()};
}

void PlayerBar::arrange() {
    useWide(width() >= wideMinimumWidth());
    panel_->setGeometry(panelRect());
}

void PlayerBar::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    arrange();
}

void PlayerBar::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::StyleChange) paintIcons();
}

bool PlayerBar::eventFilter(QObject* watched, QEvent* event) {
    if (watched == title_ && event->type() == QEvent::Resize) elideBarText(title_);
    if ((watched == artwork_ || watched == title_) && event->type() == QEvent::MouseButtonRelease) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        const auto* widget = static_cast<QWidget*>(watched);
        if (mouse->button() == Qt::LeftButton && widget->rect().contains(mouse->position().toPoint()) &&
            hasAlbumLink(state_.current) && actions_.showAlbum) {
            actions_.showAlbum(*state_.current);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace sorvalind
