#include "library_window/album_header.h"

#include "kit/artist_links.h"
#include "kit/artwork_view.h"
#include "kit/favorite_controls.h"
#include "kit/gui_executor.h"
#include "kit/rating_controls.h"
#include "kit/symbols.h"
#include "kit/text_styles.h"
#include "kit/view_task.h"
#include "platform/qt_image_decoder.h"

#include "library/clock_text.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLinearGradient>
#include <QMenu>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

#include <span>

namespace sorvalind {
namespace {

QColor colorOf(const AlbumBannerTint& tint) {
    return QColor::fromRgbF(static_cast<float>(tint.red), static_cast<float>(tint.green),
                            static_cast<float>(tint.blue));
}

} // namespace

QString albumSummaryText(const Album& album, std::size_t songCount) {
    QStringList parts;
    if (album.year) parts << QString::number(*album.year);
    parts << QString::number(songCount) + QStringLiteral(" songs");
    if (album.duration) parts << QString::fromStdString(clockText(*album.duration));
    return parts.join(QStringLiteral(" · "));
}

std::vector<Artist> albumCredits(const AppModel& model, const Album& album) {
    if (album.albumArtists && !album.albumArtists->empty()) return *album.albumArtists;
    if (album.artists && !album.artists->empty()) return *album.artists;
    return model.legacyArtistCredits(album.artist, album.artistId);
}

AppModel::SongList currentRouteSongs(const AppModel& model) {
    if (model.loadedSongRoute() == model.route().value()) return model.songs().value();
    return std::make_shared<const std::vector<Song>>();
}

AlbumHeader::AlbumHeader(std::shared_ptr<AppModel> model, Executor& tintWorker, QWidget* parent)
    : QWidget(parent), model_(std::move(model)), tintWorker_(tintWorker),
      songs_(std::make_shared<const std::vector<Song>>()),
      tintTask_(std::make_unique<ViewTask<TintKey>>(this)) {
    setObjectName(QStringLiteral("albumHeader"));
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(24, 24, 24, 24);
    row->setSpacing(20);
    artwork_ = new ArtworkView(*model_, std::nullopt, 140, QStringLiteral("music.note"),
                               artworkConnected(*model_), this);
    row->addWidget(artwork_, 0, Qt::AlignBottom);

    auto* column = new QVBoxLayout();
    column->setSpacing(8);
    title_ = new QLabel(this);
    title_->setTextFormat(Qt::PlainText);
    title_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    applyTextStyle(title_, TextStyle::largeTitle, QFont::Bold);
    credits_ = new ArtistLinks(this);
    applyTextStyle(credits_, TextStyle::title3);
    summary_ = new QLabel(this);
    summary_->setTextFormat(Qt::PlainText);
    summary_->setObjectName(QStringLiteral("albumSummary"));
    applyTextStyle(summary_, TextStyle::callout);

    auto* controls = new QHBoxLayout();
    controls->setSpacing(12);
    favorite_ = new FavoriteButton(
        false, QString(), [this] { model_->favorite(album_); }, this);
    rating_ = new StarRatingControl(
        std::nullopt, QString(), std::nullopt, [this](int rating) { model_->rate(album_, rating); }, this);
    controls->addWidget(favorite_, 0, Qt::AlignVCenter);
    controls->addWidget(rating_, 0, Qt::AlignVCenter);
    controls->addStretch(1);

    auto* actions = new QHBoxLayout();
    actions->setContentsMargins(0, 6, 0, 0);
    play_ = new QPushButton(symbolIcon(QStringLiteral("play.fill"), QColor(Qt::white)),
                            QStringLiteral("Play"), this);
    play_->setDefault(true);
    QPalette prominent = play_->palette();
    prominent.setColor(QPalette::Button, accentColor());
    prominent.setColor(QPalette::ButtonText, Qt::white);
    play_->setPalette(prominent);
    connect(play_, &QPushButton::clicked, this, &AlbumHeader::play);
    download_ = new QToolButton(this);
    download_->setText(QStringLiteral("Download"));
    download_->setIcon(symbolIcon(QStringLiteral("arrow.down"), palette().color(QPalette::ButtonText)));
    download_->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    download_->setPopupMode(QToolButton::InstantPopup);
    auto* menu = new QMenu(download_);
    for (DownloadQuality quality : DownloadQuality::allCases())
        connect(menu->addAction(QString::fromStdString(quality.label())), &QAction::triggered, this,
                [this, quality] { download(quality); });
    download_->setMenu(menu);
    actions->addWidget(play_);
    actions->addWidget(download_);
    actions->addStretch(1);

    column->addWidget(title_);
    column->addWidget(credits_);
    column->addWidget(summary_);
    column->addLayout(controls);
    column->addLayout(actions);
    row->addLayout(column, 1);

    connect(credits_, &ArtistLinks::artistClicked, this, [this](const QString&, int index) {
        const auto& artists = credits_->artists();
        if (index >= 0 && static_cast<std::size_t>(index) < artists.size())
            model_->showArtist(artists[static_cast<std::size_t>(index)]);
    });
    applyTint(tint_);
}

AlbumHeader::~AlbumHeader() = default;

void AlbumHeader::setAlbum(const Album& album) {
    album_ = album;
    title_->setText(QString::fromStdString(album.name));
    credits_->setArtists(albumCredits(*model_, album), album.artist ? QString::fromStdString(*album.artist)
                                                                    : QStringLiteral("Unknown Artist"));
    const QString name = QString::fromStdString(album.name);
    favorite_->setFavorite(album.starred.has_value(), name);
    rating_->setItemName(name);
    rating_->setRating(album.userRating);
    artwork_->setId(album.coverArt);
    refreshText();
    refreshTint();
}

void AlbumHeader::refreshSongs() {
    songs_ = currentRouteSongs(*model_);
    refreshText();
}

void AlbumHeader::refreshConnection() {
    artwork_->setConnected(artworkConnected(*model_));
    refreshTint();
}

void AlbumHeader::refreshText() {
    summary_->setText(albumSummaryText(album_, songs_->size()));
}

void AlbumHeader::play() {
    model_->playback().play(*songs_, std::nullopt, std::nullopt, std::nullopt);
}

void AlbumHeader::download(DownloadQuality quality) {
    model_->downloads().enqueue(*songs_, quality);
}

void AlbumHeader::refreshTint() {
    TintKey key{album_.coverArt, artworkConnected(*model_)};
    if (tintKey_ == key) return;
    tintKey_ = key;
    const std::uint64_t generation = ++*tintGeneration_;
    tintTask_->cancel();
    tintCurrent_ = false;
    if (!key.coverArt) {
        applyTint(AlbumBannerTint::fallback());
        return;
    }
    QPointer<AlbumHeader> self = this;
    model_->artwork().data(
        *key.coverArt, artworkClient(*model_)(),
        [self, weakGeneration = std::weak_ptr<std::uint64_t>(tintGeneration_), generation,
         key](ArtworkBytes bytes) {
            auto current = weakGeneration.lock();
            if (!self || !current || *current != generation) return;
            if (!bytes) {
                self->applyTint(AlbumBannerTint::fallback());
                return;
            }
            self->tintTask_->run(
                key, self->tintWorker_,
                [bytes](std::stop_token) {
                    return AlbumBannerTint::sample(std::span<const std::uint8_t>(*bytes), QtImageDecoder());
                },
                [self](Outcome<AlbumBannerTint> outcome) {
                    if (!self) return;
                    self->applyTint(outcome.hasValue() ? outcome.get() : AlbumBannerTint::fallback());
                });
        });
}

void AlbumHeader::applyTint(AlbumBannerTint tint) {
    tint_ = tint;
    tintCurrent_ = tintKey_.has_value();
    const bool dark = tint.usesDarkText();
    QPalette palette = this->palette();
    const QColor text = dark ? QColor(Qt::black) : QColor(Qt::white);
    palette.setColor(QPalette::WindowText, text);
    palette.setColor(QPalette::Text, text);
    palette.setColor(QPalette::ButtonText, text);
    title_->setPalette(palette);
    QPalette secondary = palette;
    QColor faded = text;
    faded.setAlphaF(0.7f);
    secondary.setColor(QPalette::WindowText, faded);
    secondary.setColor(QPalette::Text, faded);
    summary_->setPalette(secondary);
    credits_->setPalette(secondary);
    credits_->setLinkColor(dark ? QColor(0, 72, 186) : QColor(120, 190, 255));
    favorite_->setPalette(palette);
    rating_->setPalette(palette);
    artwork_->setPalette(palette);
    update();
}

void AlbumHeader::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const AlbumBannerTint::Gradient gradient = tint_.gradient();
    QLinearGradient fill(rect().topLeft(), rect().bottomRight());
    fill.setColorAt(0, colorOf(gradient.start));
    fill.setColorAt(1, colorOf(gradient.end));
    painter.fillRect(rect(), fill);
}

} // namespace sorvalind
