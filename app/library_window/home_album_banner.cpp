#include "library_window/home_album_banner.h"

#include "library_window/play_album.h"

#include "kit/artwork_slot.h"
#include "kit/elided_text.h"
#include "kit/model_adapter.h"
#include "kit/plain_text.h"
#include "kit/symbols.h"
#include "kit/text_styles.h"
#include "library/clock_text.h"
#include "model/app_model.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

#include <set>

namespace sorvalind {

namespace {

QColor colourOf(const AlbumBannerTint& tint, double alpha = 1.0) {
    return QColor::fromRgbF(float(tint.red), float(tint.green), float(tint.blue), float(alpha));
}

} // namespace

// The cover square: the decoded cover or the placeholder note on a faint
// rounded fill; a click opens the album.
class BannerCover final : public QWidget {
public:
    BannerCover(AppModel& model, QWidget* parent, std::function<void()> changed)
        : QWidget(parent), slot_(model, QStringLiteral("music.note"), [this, changed] {
              update();
              changed();
          }) {
        setCursor(Qt::PointingHandCursor);
        setFocusPolicy(Qt::StrongFocus);
    }

    ArtworkSlot& slot() noexcept { return slot_; }
    std::function<void()> clicked;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QRectF square = QRectF(rect());
        QPainterPath clip;
        clip.addRoundedRect(square, 8, 8);
        QColor fill = palette().color(QPalette::WindowText);
        fill.setAlphaF(0.08f);
        painter.fillPath(clip, fill);
        painter.setClipPath(clip);
        if (!slot_.image().isNull()) {
            painter.drawImage(square, slot_.image());
            return;
        }
        const int side = std::min(44, width() / 2);
        const QPixmap note = symbolPixmap(QStringLiteral("music.note"), QSize(side, side),
                                          palette().color(QPalette::WindowText), devicePixelRatioF());
        painter.drawPixmap(QRectF((width() - side) / 2.0, (height() - side) / 2.0, side, side), note,
                           QRectF(note.rect()));
    }
    void mouseReleaseEvent(QMouseEvent* event) override {
        if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()) && clicked)
            clicked();
    }
    void showEvent(QShowEvent*) override { slot_.load().show(); }
    void hideEvent(QHideEvent*) override { slot_.load().hide(); }

private:
    ArtworkSlot slot_;
};

namespace {

// One page dot: a capsule, long for the selected album.
class PageDot final : public QWidget {
public:
    PageDot(bool selected, QString name, std::function<void()> chosen, QWidget* parent)
        : QWidget(parent), selected_(selected), chosen_(std::move(chosen)) {
        setFixedSize(26, 28);
        setCursor(Qt::PointingHandCursor);
        setAccessibleName(QStringLiteral("Show ") + name);
        setToolTip(plainToolTip(QStringLiteral("Show ") + name));
    }
    bool selected() const noexcept { return selected_; }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        QColor fill = palette().color(QPalette::WindowText);
        fill.setAlphaF(selected_ ? 1.0f : 0.35f);
        const double w = selected_ ? 22 : 7;
        painter.setPen(Qt::NoPen);
        painter.setBrush(fill);
        painter.drawRoundedRect(QRectF((width() - w) / 2, (height() - 7) / 2.0, w, 7), 3.5, 3.5);
    }
    void mouseReleaseEvent(QMouseEvent* event) override {
        if (event->button() == Qt::LeftButton && chosen_) chosen_();
    }

private:
    bool selected_;
    std::function<void()> chosen_;
};

QToolButton* slideButton(const QString& label, QWidget* parent) {
    auto* button = new QToolButton(parent);
    button->setFixedSize(28, 28);
    button->setIconSize(QSize(11, 11));
    button->setAccessibleName(label);
    button->setToolTip(plainToolTip(label));
    button->setCursor(Qt::PointingHandCursor);
    return button;
}

} // namespace

QString bannerMetadata(const Album& album) {
    QStringList parts;
    if (album.year) parts << QString::number(*album.year);
    if (album.songCount)
        parts << QString::number(*album.songCount) +
                     (*album.songCount == 1 ? QStringLiteral(" song") : QStringLiteral(" songs"));
    if (album.duration) parts << QString::fromStdString(clockText(*album.duration));
    return parts.join(QStringLiteral(" · "));
}

HomeAlbumBanner::HomeAlbumBanner(std::shared_ptr<AppModel> model, Executor& executor, QWidget* parent)
    : QWidget(parent), model_(model), adapter_(new ModelAdapter(this)), rotation_(executor, [this] {
          if (auto shared = model_.lock()) shared->moveFeaturedAlbum(+1);
      }) {
    setObjectName(QStringLiteral("featuredBanner"));
    setAccessibleName(QStringLiteral("Featured albums"));
    setFixedHeight(300);
    setAttribute(Qt::WA_Hover);

    outer_ = new QVBoxLayout(this);
    outer_->setContentsMargins(24, 24, 24, 24);
    outer_->setSpacing(20);
    albumRow_ = new QHBoxLayout;
    cover_ = new BannerCover(*model, this, [this] { coverChanged(); });
    cover_->clicked = [this] { open(); };
    albumRow_->addWidget(cover_, 0, Qt::AlignVCenter);
    textColumn_ = new QVBoxLayout;
    textColumn_->setSpacing(8);
    textColumn_->addStretch(1);
    caption_ = plainLabel(QStringLiteral("FROM YOUR COLLECTION"), this);
    // At most two lines: a long name never pushes the actions off the card.
    name_ = new ElidedTextLabel(2, this);
    artist_ = plainLabel(QString(), this);
    metadata_ = plainLabel(QString(), this);
    applyTextStyle(metadata_, TextStyle::callout);
    for (QWidget* label : std::initializer_list<QWidget*>{caption_, name_, artist_, metadata_})
        textColumn_->addWidget(label);

    actions_ = new QWidget(this);
    auto* actionsLayout = new QHBoxLayout(actions_);
    actionsLayout->setContentsMargins(0, 8, 0, 0);
    actionsLayout->setSpacing(12);
    play_ = new QPushButton(QStringLiteral("Play Album"), actions_);
    applyTextStyle(play_, TextStyle::callout, QFont::DemiBold);
    play_->setCursor(Qt::PointingHandCursor);
    view_ = new QPushButton(QStringLiteral("View Album"), actions_);
    view_->setFlat(true);
    view_->setCursor(Qt::PointingHandCursor);
    actionsLayout->addWidget(play_);
    actionsLayout->addWidget(view_);
    actionsLayout->addStretch(1);
    textColumn_->addWidget(actions_);
    textColumn_->addStretch(1);
    albumRow_->addLayout(textColumn_, 1);
    outer_->addLayout(albumRow_, 1);

    auto* controls = new QHBoxLayout;
    controls->setSpacing(6);
    dotsLayout_ = new QHBoxLayout;
    dotsLayout_->setSpacing(0);
    controls->addLayout(dotsLayout_);
    controls->addStretch(1);
    refresh_ = slideButton(QStringLiteral("Refresh featured albums"), this);
    previous_ = slideButton(QStringLiteral("Previous album"), this);
    pause_ = slideButton(QStringLiteral("Pause slideshow"), this);
    next_ = slideButton(QStringLiteral("Next album"), this);
    for (QToolButton* button : {refresh_, previous_, pause_, next_})
        controls->addWidget(button);
    outer_->addLayout(controls);

    connect(play_, &QPushButton::clicked, this, [this] { play(); });
    connect(view_, &QPushButton::clicked, this, [this] { open(); });
    connect(refresh_, &QToolButton::clicked, this, [this] {
        if (auto shared = model_.lock()) shared->refreshFeaturedAlbums();
    });
    connect(previous_, &QToolButton::clicked, this, [this] {
        if (auto shared = model_.lock()) shared->moveFeaturedAlbum(-1);
    });
    connect(next_, &QToolButton::clicked, this, [this] {
        if (auto shared = model_.lock()) shared->moveFeaturedAlbum(+1);
    });
    connect(pause_, &QToolButton::clicked, this, [this] {
        paused_ = !paused_;
        applyColours();
        refreshRotation();
    });

    active_ = QGuiApplication::applicationState() == Qt::ApplicationActive;
    connect(qApp, &QGuiApplication::applicationStateChanged, this,
            [this](Qt::ApplicationState state) { setActive(state == Qt::ApplicationActive); });
    adapter_->watch(model->featuredAlbums(), [this] { refresh(); });
    adapter_->watch(model->connected(), [this] { refresh(); });
    adapter_->watch(model->isOffline(), [this] { refresh(); });
    layout_ = bannerLayout(width());
    applyLayout();
    refresh();
}

HomeAlbumBanner::~HomeAlbumBanner() = default;

QWidget* HomeAlbumBanner::cover() const {
    return cover_;
}

bool HomeAlbumBanner::rotating() const noexcept {
    const auto model = model_.lock();
    const std::size_t count = model ? model->featuredAlbums().value().albums.size() : 0;
    return isRotating({count, paused_, hovering_, reduceMotion_, playing_, active_, shown_});
}

void HomeAlbumBanner::setReduceMotion(bool reduce) {
    reduceMotion_ = reduce;
    pause_->setVisible(album_ && !reduceMotion_ && dots_.size() > 1);
    refreshRotation();
}

void HomeAlbumBanner::setActive(bool active) {
    active_ = active;
    refreshRotation();
}

AlbumBannerTint HomeAlbumBanner::tint() const {
    if (!album_ || !album_->coverArt) return AlbumBannerTint::fallback();
    auto found = tints_.find(*album_->coverArt);
    return found == tints_.end() ? AlbumBannerTint::fallback() : found->second;
}

void HomeAlbumBanner::refresh() {
    auto model = model_.lock();
    if (!model) return;
    const FeaturedAlbums& featured = model->featuredAlbums().value();
    const Album* selected = featured.selected();
    album_ = selected ? std::optional<Album>(*selected) : std::nullopt;
    setVisible(album_.has_value());
    // Keep only the colours of covers still featured.
    std::set<std::string> covers;
    for (const Album& album : featured.albums)
        if (album.coverArt) covers.insert(*album.coverArt);
    std::erase_if(tints_, [&](const auto& entry) { return !covers.contains(entry.first); });
    if (album_) {
        name_->setText(QString::fromStdString(album_->name));
        setPlainText(artist_, QString::fromStdString(album_->artist.value_or("Unknown Artist")));
        setPlainText(metadata_, bannerMetadata(*album_));
        cover_->setAccessibleName(QStringLiteral("Open ") + QString::fromStdString(album_->name));
        cover_->slot().load().setRequest({album_->coverArt, artworkConnected(*model), true});
    }
    const bool several = featured.albums.size() > 1;
    previous_->setVisible(several);
    next_->setVisible(several);
    pause_->setVisible(several && !reduceMotion_);
    rebuildDots();
    applyColours();
    refreshRotation();
}

void HomeAlbumBanner::rebuildDots() {
    for (QWidget* dot : dots_)
        delete dot;
    dots_.clear();
    auto model = model_.lock();
    if (!model) return;
    const FeaturedAlbums& featured = model->featuredAlbums().value();
    for (const Album& album : featured.albums) {
        auto* dot = new PageDot(
            featured.selectedID == album.id, QString::fromStdString(album.name),
            [this, id = album.id] {
                if (auto shared = model_.lock()) shared->selectFeaturedAlbum(id);
            },
            this);
        dotsLayout_->addWidget(dot);
        dots_.push_back(dot);
    }
}

void HomeAlbumBanner::refreshRotation() {
    auto model = model_.lock();
    std::optional<std::string> id = model ? model->featuredAlbums().value().selectedID : std::nullopt;
    rotation_.update(std::move(id), rotating());
}

void HomeAlbumBanner::coverChanged() {
    if (!album_ || !album_->coverArt) return;
    const DecodedImagePointer image = cover_->slot().load().image();
    if (!image || tints_.contains(*album_->coverArt)) return;
    tints_[*album_->coverArt] = AlbumBannerTint::sample(*image);
    applyColours();
}

void HomeAlbumBanner::applyLayout() {
    albumRow_->setSpacing(layout_.gap);
    cover_->setFixedSize(layout_.cover, layout_.cover);
    QFont caption = font();
    caption.setPointSizeF(layout_.captionSize);
    caption.setWeight(QFont::DemiBold);
    caption.setLetterSpacing(QFont::AbsoluteSpacing, layout_.captionSpacing);
    caption_->setFont(caption);
    QFont name = font();
    name.setPointSizeF(layout_.nameSize);
    name.setWeight(QFont::Bold);
    name_->setFont(name);
    applyTextStyle(artist_, layout_.narrow ? TextStyle::callout : TextStyle::title3);
    // A narrow card puts the details and actions under the album row.
    textColumn_->removeWidget(metadata_);
    textColumn_->removeWidget(actions_);
    outer_->removeWidget(metadata_);
    outer_->removeWidget(actions_);
    if (layout_.narrow) {
        outer_->insertWidget(1, metadata_);
        outer_->insertWidget(2, actions_);
    } else {
        textColumn_->insertWidget(4, metadata_);
        textColumn_->insertWidget(5, actions_);
    }
}

void HomeAlbumBanner::applyColours() {
    const AlbumBannerTint current = tint();
    const QColor contrast = current.usesDarkText() ? QColor(Qt::black) : QColor(Qt::white);
    QPalette colours = palette();
    for (auto role : {QPalette::WindowText, QPalette::ButtonText, QPalette::Text})
        colours.setColor(role, contrast);
    setPalette(colours);
    const QColor own = colourOf(current);
    play_->setIcon(symbolIcon(QStringLiteral("play.fill"), own));
    play_->setStyleSheet(
        QStringLiteral("QPushButton { color: %1; background: %2; border: none; border-radius: 7px;"
                       " padding: 8px 14px; } QPushButton:disabled { color: %3; }")
            .arg(own.name(), contrast.name(), own.name()));
    view_->setStyleSheet(
        QStringLiteral("QPushButton { color: %1; border: none; padding: 8px 4px; }").arg(contrast.name()));
    QColor circle = contrast;
    circle.setAlphaF(0.12f);
    const QString circleStyle =
        QStringLiteral("QToolButton { background: rgba(%1, %2, %3, 31); border: none; border-radius: 14px; }")
            .arg(circle.red())
            .arg(circle.green())
            .arg(circle.blue());
    refresh_->setIcon(symbolIcon(QStringLiteral("arrow.clockwise"), contrast));
    previous_->setIcon(symbolIcon(QStringLiteral("chevron.left"), contrast));
    next_->setIcon(symbolIcon(QStringLiteral("chevron.right"), contrast));
    pause_->setIcon(
        symbolIcon(paused_ ? QStringLiteral("play.fill") : QStringLiteral("pause.fill"), contrast));
    const QString pauseLabel =
        paused_ ? QStringLiteral("Resume slideshow") : QStringLiteral("Pause slideshow");
    pause_->setAccessibleName(pauseLabel);
    pause_->setToolTip(plainToolTip(pauseLabel));
    for (QToolButton* button : {refresh_, previous_, pause_, next_})
        button->setStyleSheet(circleStyle);
    update();
}

void HomeAlbumBanner::open() {
    auto model = model_.lock();
    if (model && album_) model->setRoute("album:" + album_->id);
}

void HomeAlbumBanner::play() {
    auto model = model_.lock();
    if (!model || !album_ || playing_) return;
    playing_ = true;
    play_->setEnabled(false);
    refreshRotation();
    // The store read and the hand-over to playback run on their own queues;
    // the request is under way once it is handed to them.
    playAlbum(model, *album_);
    playing_ = false;
    play_->setEnabled(true);
    refreshRotation();
}

void HomeAlbumBanner::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const AlbumBannerTint::Gradient colours = tint().gradient();
    QLinearGradient gradient(rect().topLeft(), rect().bottomRight());
    gradient.setColorAt(0, colourOf(colours.start));
    gradient.setColorAt(1, colourOf(colours.end));
    QPainterPath card;
    card.addRoundedRect(QRectF(rect()), 16, 16);
    painter.fillPath(card, gradient);
}

void HomeAlbumBanner::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    const BannerLayout next = bannerLayout(width());
    if (next == layout_) return;
    layout_ = next;
    applyLayout();
}

void HomeAlbumBanner::enterEvent(QEnterEvent* event) {
    QWidget::enterEvent(event);
    hovering_ = true;
    refreshRotation();
}

void HomeAlbumBanner::leaveEvent(QEvent* event) {
    QWidget::leaveEvent(event);
    hovering_ = false;
    refreshRotation();
}

void HomeAlbumBanner::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    shown_ = true;
    refreshRotation();
}

void HomeAlbumBanner::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    shown_ = false;
    // Off screen the card keeps no colours; the cover comes back with its own.
    tints_.clear();
    refreshRotation();
}

} // namespace sorvalind
