#include "library_window/artist_page.h"

#include "kit/artist_biography_view.h"
#include "kit/artwork_slot.h"
#include "kit/favorite_controls.h"
#include "kit/gui_executor.h"
#include "kit/model_adapter.h"
#include "kit/rating_controls.h"
#include "kit/text_styles.h"
#include "library_window/album_grid.h"
#include "model/app_model.h"
#include "runtime/async_call.h"
#include "songs/song_table_view.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPointer>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace sorvalind {
namespace {

QColor tintColor(const AlbumBannerTint& tint, double alpha = 1.0) {
    return QColor::fromRgbF(static_cast<float>(tint.red), static_cast<float>(tint.green),
                            static_cast<float>(tint.blue), static_cast<float>(alpha));
}

QColor tintContrast(const AlbumBannerTint& tint) {
    return tint.usesDarkText() ? QColor(Qt::black) : QColor(Qt::white);
}

const std::vector<Song>& noArtistSongs() {
    static const std::vector<Song> none;
    return none;
}

} // namespace

// The artist's picture: a circle of 100 points with a faint ring in the
// contrast colour and a soft shadow below.
class ArtistRoundArtwork final : public QWidget {
public:
    ArtistRoundArtwork(AppModel& model, QWidget* parent)
        : QWidget(parent), slot_(model, QStringLiteral("person.fill"), [this] { update(); }) {
        setFixedSize(side + 2 * shadow, side + 2 * shadow);
    }
    ArtworkLoad& load() { return slot_.load(); }
    void setContrast(const QColor& contrast) {
        contrast_ = contrast;
        update();
    }

protected:
    void showEvent(QShowEvent*) override { slot_.load().show(); }
    void hideEvent(QHideEvent*) override { slot_.load().hide(); }
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QRectF circle(shadow, shadow, side, side);
        for (int i = shadow; i > 0; i -= 2) {
            QColor shade(0, 0, 0, static_cast<int>(0.18 * 255 * (1.0 - double(i) / shadow) / 3));
            painter.setPen(Qt::NoPen);
            painter.setBrush(shade);
            painter.drawEllipse(circle.adjusted(-i / 2.0, -i / 2.0 + 5, i / 2.0, i / 2.0 + 5));
        }
        // The artwork paints its own rounded clip, so the circle is cut from
        // a picture painted apart.
        const qreal ratio = devicePixelRatioF();
        QPixmap square((circle.size() * ratio).toSize());
        square.setDevicePixelRatio(ratio);
        square.fill(Qt::transparent);
        {
            QPainter inner(&square);
            slot_.paint(inner, QRectF(QPointF(0, 0), circle.size()), palette());
        }
        QPainterPath clip;
        clip.addEllipse(circle);
        painter.save();
        painter.setClipPath(clip, Qt::IntersectClip);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawPixmap(circle.topLeft(), square);
        painter.restore();
        QColor ring = contrast_;
        ring.setAlphaF(0.15f);
        painter.setPen(QPen(ring, 1));
        painter.setBrush(Qt::NoBrush);
        painter.drawEllipse(circle.adjusted(0.5, 0.5, -0.5, -0.5));
    }

private:
    static constexpr int side = 100;
    static constexpr int shadow = 12;
    ArtworkSlot slot_;
    QColor contrast_ = Qt::white;
};

// The header card: the tint's gradient in a rounded rectangle (radius 16).
class ArtistHeaderCard final : public QWidget {
public:
    ArtistHeaderCard(AppModel& model, QWidget* parent)
        : QWidget(parent), artwork(new ArtistRoundArtwork(model, this)) {}

    void setTint(const AlbumBannerTint& tint) {
        tint_ = tint;
        QPalette colors = palette();
        const QColor contrast = tintContrast(tint);
        colors.setColor(QPalette::WindowText, contrast);
        colors.setColor(QPalette::Text, contrast);
        colors.setColor(QPalette::ButtonText, contrast);
        setPalette(colors);
        artwork->setContrast(contrast);
        update();
    }
    const AlbumBannerTint& tint() const { return tint_; }

    ArtistRoundArtwork* artwork;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const AlbumBannerTint::Gradient gradient = tint_.gradient();
        QLinearGradient fill(rect().topLeft(), rect().bottomRight());
        fill.setColorAt(0, tintColor(gradient.start));
        fill.setColorAt(1, tintColor(gradient.end));
        QPainterPath shape;
        shape.addRoundedRect(QRectF(rect()), 16, 16);
        painter.fillPath(shape, fill);
    }

private:
    AlbumBannerTint tint_;
};

ArtistPage::ArtistPage(std::shared_ptr<AppModel> model, Executor* worker, PageChoice choice, QString title,
                       QWidget* parent)
    : LibraryPage(std::move(choice), std::move(title), parent), model_(std::move(model)), worker_(worker),
      adapter_(new ModelAdapter(this)) {
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    card_ = new ArtistHeaderCard(*model_, this);
    card_->setObjectName(QStringLiteral("artistHeader"));
    auto* row = new QHBoxLayout(card_);
    row->setContentsMargins(24 - 12, 24 - 12, 24, 24 - 12);
    row->setSpacing(20 - 12);
    row->addWidget(card_->artwork, 0, Qt::AlignVCenter);
    auto* texts = new QVBoxLayout;
    texts->setSpacing(8);
    name_ = new QLabel(card_);
    name_->setObjectName(QStringLiteral("artistName"));
    name_->setTextFormat(Qt::PlainText);
    applyTextStyle(name_, TextStyle::largeTitle, QFont::Bold);
    counts_ = new QLabel(card_);
    counts_->setObjectName(QStringLiteral("artistCounts"));
    counts_->setTextFormat(Qt::PlainText);
    auto* controls = new QHBoxLayout;
    controls->setSpacing(12);
    favorite_ = new FavoriteButton(
        false, QString(), [this] { model_->favorite(artist_); }, card_);
    rating_ = new StarRatingControl(
        std::nullopt, QString(), std::nullopt, [this](int rating) { model_->rate(artist_, rating); }, card_);
    controls->addWidget(favorite_);
    controls->addWidget(rating_);
    controls->addStretch(1);
    texts->addWidget(name_);
    texts->addWidget(counts_);
    texts->addLayout(controls);
    row->addLayout(texts, 1);
    play_ = new QPushButton(QStringLiteral("Play"), card_);
    play_->setObjectName(QStringLiteral("artistPlay"));
    play_->setCursor(Qt::PointingHandCursor);
    applyTextStyle(play_, TextStyle::callout, QFont::DemiBold);
    connect(play_, &QPushButton::clicked, this, [this] { play(); });
    row->addWidget(play_, 0, Qt::AlignVCenter);
    auto* cardFrame = new QVBoxLayout;
    cardFrame->setContentsMargins(24, 16, 24, 16);
    cardFrame->addWidget(card_);
    column->addLayout(cardFrame);

    biographySlot_ = new QWidget(this);
    auto* biographyLayout = new QVBoxLayout(biographySlot_);
    biographyLayout->setContentsMargins(24, 0, 24, 12);
    column->addWidget(biographySlot_);

    auto* picker = new QWidget(this);
    auto* pickerLayout = new QHBoxLayout(picker);
    pickerLayout->setContentsMargins(24, 0, 24, 12);
    pickerLayout->setSpacing(0);
    scopes_ = new QButtonGroup(this);
    scopes_->setExclusive(true);
    for (const QString& scope : {QStringLiteral("Albums"), QStringLiteral("Songs")}) {
        auto* button = new QPushButton(scope, picker);
        button->setObjectName(QStringLiteral("scope") + scope);
        button->setCheckable(true);
        button->setFixedWidth(100);
        button->setAccessibleDescription(QStringLiteral("Browse"));
        scopes_->addButton(button);
        pickerLayout->addWidget(button);
        connect(button, &QPushButton::clicked, this, [this, scope] { setScope(scope); });
    }
    pickerLayout->addStretch(1);
    column->addWidget(picker);

    body_ = new QStackedWidget(this);
    albumGrid_ = new AlbumGrid(model_, std::make_shared<const std::vector<Album>>(), body_);
    albumGrid_->setObjectName(QStringLiteral("artistAlbumGrid"));
    body_->addWidget(albumGrid_);
    column->addWidget(body_, 1);

    adapter_->watch(model_->artists(), [this] { refreshArtist(); });
    adapter_->watch(model_->albums(), [this] { readAlbums(); });
    adapter_->watch(model_->songs(), [this] { refreshCounts(); });
    adapter_->watch(model_->songsRevision(), [this] { refreshCounts(); });
    adapter_->watch(model_->route(), [this] { refreshCounts(); });
    adapter_->watch(model_->loading(), [this] { refreshCounts(); });
    adapter_->watch(model_->connected(), [this] { refreshTint(); });
    adapter_->watch(model_->isOffline(), [this] { refreshTint(); });

    setScope(scope_);
    inputsChanged();
}

ArtistPage::~ArtistPage() = default;

QPushButton& ArtistPage::scopeButton(const QString& scope) const {
    return *findChild<QPushButton*>(QStringLiteral("scope") + scope);
}

void ArtistPage::setScope(const QString& scope) {
    scope_ = scope == QStringLiteral("Songs") ? scope : QStringLiteral("Albums");
    scopeButton(scope_).setChecked(true);
    if (scope_ == QStringLiteral("Songs")) {
        if (!songsView_) {
            if (worker_) {
                songsView_ = new SongTableView(model_, *worker_, body_);
            } else {
                auto* label = new QLabel(QStringLiteral("Songs"), body_);
                label->setAlignment(Qt::AlignCenter);
                songsView_ = label;
            }
            songsView_->setObjectName(QStringLiteral("artistSongs"));
            body_->addWidget(songsView_);
        }
        body_->setCurrentWidget(songsView_);
    } else {
        body_->setCurrentWidget(albumGrid_);
    }
}

const std::vector<Song>& ArtistPage::songs() const {
    const std::optional<std::string>& route = model_->route().value();
    const AppModel::SongList& list = model_->songs().value();
    if (list && route && model_->loadedSongRoute() == route) return *list;
    return noArtistSongs();
}

void ArtistPage::play() {
    // Always this route's songs: a list still loaded for the previous page plays nothing.
    model_->playback().play(songs(), std::nullopt, std::nullopt, std::nullopt);
}

void ArtistPage::inputsChanged() {
    const std::string id = choice().input;
    if (artist_.id != id) {
        artist_ = Artist::make(id, title().toStdString());
        albums_.clear();
        albumsFor_.reset();
        albumGrid_->setAlbums(std::make_shared<const std::vector<Album>>());
        delete biography_;
        biography_ = nullptr;
    }
    refreshArtist();
    readAlbums();
    refreshCounts();
}

void ArtistPage::refreshArtist() {
    if (const AppModel::ArtistList& artists = model_->artists().value())
        for (const Artist& artist : *artists)
            if (artist.id == artist_.id) artist_ = artist;
    name_->setText(QString::fromStdString(artist_.name));
    const QString itemName = QString::fromStdString(artist_.name);
    favorite_->setFavorite(artist_.starred.has_value(), itemName);
    rating_->setRating(artist_.userRating);
    rating_->setItemName(itemName);
    card_->artwork->load().setId(artist_.coverArt);
    if (!biography_) {
        biography_ = new ArtistBiographyView(model_, artist_.id, artist_.name, biographySlot_);
        biographySlot_->layout()->addWidget(biography_);
    }
    refreshTint();
}

void ArtistPage::refreshCounts() {
    counts_->setText(QString::number(albums_.size()) + QStringLiteral(" albums · ") +
                     QString::number(songs().size()) + QStringLiteral(" songs"));
}

void ArtistPage::readAlbums() {
    const std::uint64_t generation = ++albumsGeneration_;
    LibraryRepository& repository = model_->repository();
    runOn(
        repository.executor(), guiExecutor(),
        [&repository, id = artist_.id] { return repository.albums("", AlbumSort::artist, false, id); },
        [weak = std::weak_ptr<AppModel>(model_), page = QPointer<ArtistPage>(this), generation,
         id = artist_.id](Outcome<std::vector<Album>> outcome) {
            auto model = weak.lock();
            if (!model || model->isShuttingDown() || !page || page->model_ != model) return;
            if (generation != page->albumsGeneration_ || id != page->artist_.id) return;
            if (!outcome.hasValue()) {
                model->reportError(outcome.error());
                return;
            }
            page->albums_ = outcome.get();
            page->albumsFor_ = id;
            page->albumGrid_->setAlbums(std::make_shared<const std::vector<Album>>(page->albums_));
            page->refreshCounts();
            page->refreshTint();
        });
}

ArtistPage::ArtworkRequest ArtistPage::artworkRequest() const {
    ArtworkRequest request{artist_.id, {}, model_->connected().value() && !model_->isOffline().value()};
    if (artist_.coverArt) request.ids.push_back(*artist_.coverArt);
    std::vector<const Album*> covered;
    for (const Album& album : albums_)
        if (album.coverArt) covered.push_back(&album);
    if (!covered.empty()) {
        const Album* first = *std::min_element(covered.begin(), covered.end(),
                                               [](const Album* a, const Album* b) { return a->id < b->id; });
        request.ids.push_back(*first->coverArt);
    }
    return request;
}

AlbumBannerTint ArtistPage::tint() const {
    return loadedArtworkRequest_ == artworkRequest() ? headerTint_ : AlbumBannerTint::fallback();
}

void ArtistPage::refreshTint() {
    const ArtworkRequest request = artworkRequest();
    card_->artwork->load().setConnected(request.connected);
    card_->setTint(tint());
    const QColor contrast = tintContrast(tint());
    rating_->setForeground(contrast);
    play_->setStyleSheet(
        QStringLiteral("QPushButton { color: %1; background: %2; border: none; border-radius: 7px;"
                       " padding: 10px 16px; }")
            .arg(tintColor(tint()).name(), contrast.name()));
    if (runningRequest_ == request) return;
    runningRequest_ = request;
    ++tintGeneration_;
    startTint(request, 0);
}

void ArtistPage::startTint(const ArtworkRequest& request, std::size_t next) {
    const std::uint64_t generation = tintGeneration_;
    auto finish = [this, request](AlbumBannerTint tint) {
        headerTint_ = tint;
        loadedArtworkRequest_ = request;
        refreshTint();
    };
    if (next >= request.ids.size()) {
        finish(AlbumBannerTint::fallback());
        return;
    }
    auto client = model_->isOffline().value() ? nullptr : model_->api();
    model_->artwork().image(
        request.ids[next], client,
        [weak = std::weak_ptr<AppModel>(model_), page = QPointer<ArtistPage>(this), generation, request, next,
         finish](DecodedImagePointer image) {
            auto model = weak.lock();
            if (!model || !page || page->model_ != model || generation != page->tintGeneration_) return;
            if (!image) {
                page->startTint(request, next + 1);
                return;
            }
            if (!page->worker_) {
                finish(AlbumBannerTint::sample(*image));
                return;
            }
            runOn(
                *page->worker_, guiExecutor(), [image] { return AlbumBannerTint::sample(*image); },
                [weak, page, generation, finish](Outcome<AlbumBannerTint> outcome) {
                    auto model = weak.lock();
                    if (!model || !page || page->model_ != model || generation != page->tintGeneration_)
                        return;
                    finish(outcome.hasValue() ? outcome.get() : AlbumBannerTint::fallback());
                });
        });
}

} // namespace sorvalind
