#include "library_window/home_album_row.h"

#include "library_window/home_album_tile.h"

#include "kit/artwork_slot.h"
#include "kit/artwork_view.h"
#include "kit/plain_text.h"
#include "kit/symbols.h"
#include "kit/text_styles.h"
#include "kit/visibility_tracker.h"
#include "model/app_model.h"

#include <QCoreApplication>
#include <QEasingCurve>
#include <QHBoxLayout>
#include <QLabel>
#include <QPropertyAnimation>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWheelEvent>

#include <cmath>

namespace sorvalind {
namespace {

QToolButton* arrowButton(const QString& symbol, const QString& label, QWidget* parent) {
    auto* button = new QToolButton(parent);
    button->setIcon(symbolIcon(symbol, parent->palette().color(QPalette::ButtonText)));
    button->setIconSize(QSize(20, 20));
    button->setAccessibleName(label);
    button->setToolTip(plainToolTip(label));
    button->setAutoRaise(false);
    QSizePolicy policy = button->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    button->setSizePolicy(policy);
    return button;
}

} // namespace

HomeAlbumRow::HomeAlbumRow(std::shared_ptr<AppModel> model, const HomeRow& row, QAbstractScrollArea* page,
                           QWidget* parent)
    : QWidget(parent), model_(model), title_(QString::fromStdString(row.title)), page_(page) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(14);

    auto* titleLine = new QHBoxLayout;
    titleLine->setSpacing(6);
    QLabel* title = plainLabel(title_, this);
    applyTextStyle(title, TextStyle::title2, QFont::DemiBold);
    titleLine->addWidget(title);
    titleLine->addStretch(1);
    left_ = arrowButton(QStringLiteral("chevron.left"), QStringLiteral("Scroll %1 left").arg(title_), this);
    right_ =
        arrowButton(QStringLiteral("chevron.right"), QStringLiteral("Scroll %1 right").arg(title_), this);
    titleLine->addWidget(left_);
    titleLine->addWidget(right_);
    titleLine->addSpacing(8);
    auto* allAlbums = new QPushButton(QStringLiteral("All Albums"), this);
    allAlbums->setFlat(true);
    allAlbums->setCursor(Qt::PointingHandCursor);
    allAlbums->setStyleSheet(
        QStringLiteral("QPushButton { border: none; padding: 2px 4px; color: palette(link); }"));
    allAlbums_ = allAlbums;
    titleLine->addWidget(allAlbums);
    layout->addLayout(titleLine);

    strip_ = new QScrollArea(this);
    strip_->setFrameShape(QFrame::NoFrame);
    strip_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    strip_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    strip_->setWidgetResizable(false);
    strip_->setBackgroundRole(QPalette::Window);
    tiles_ = new QWidget;
    tiles_->setBackgroundRole(QPalette::Window);
    auto* tileLayout = new QHBoxLayout(tiles_);
    tileLayout->setContentsMargins(0, 0, 0, 0);
    tileLayout->setSpacing(int(kRowTileStride) - HomeAlbumTile::kSide);
    tileLayout->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    tileLayout->setSizeConstraint(QLayout::SetFixedSize);
    const bool connected = model ? artworkConnected(*model) : false;
    tracker_ = new VisibilityTracker(*strip_);
    for (const Album& album : row.albums) {
        auto* tile = new HomeAlbumTile(*model, album, connected, tiles_);
        tileLayout->addWidget(tile, 0, Qt::AlignTop);
        artwork_.push_back(tile->artwork());
        connect(tile, &HomeAlbumTile::activated, this, [this, id = album.id] {
            if (auto shared = model_.lock()) shared->setRoute("album:" + id);
        });
        tracker_->track(tile->artwork(),
                        [view = tile->artwork()](bool visible) { view->setScrollVisible(visible); });
    }
    strip_->setWidget(tiles_);
    strip_->setFixedHeight(tiles_->sizeHint().height());
    strip_->viewport()->installEventFilter(this);
    layout->addWidget(strip_);

    animation_ = new QPropertyAnimation(strip_->horizontalScrollBar(), "value", this);
    animation_->setDuration(250);
    animation_->setEasingCurve(QEasingCurve::InOutQuad);

    QScrollBar* bar = strip_->horizontalScrollBar();
    connect(bar, &QScrollBar::valueChanged, this, [this] { geometryChanged(); });
    connect(bar, &QScrollBar::rangeChanged, this, [this] { geometryChanged(); });
    connect(left_, &QToolButton::clicked, this, [this] { scrollBy(-1); });
    connect(right_, &QToolButton::clicked, this, [this] { scrollBy(+1); });
    connect(allAlbums, &QPushButton::clicked, this, [this] {
        if (auto shared = model_.lock()) shared->setRoute(std::string("Albums"));
    });
    geometryChanged();
}

QWidget* HomeAlbumRow::tile(int index) const {
    auto* item = tiles_->layout()->itemAt(index);
    return item ? item->widget() : nullptr;
}

int HomeAlbumRow::tileCount() const {
    return tiles_->layout()->count();
}

void HomeAlbumRow::setConnected(bool connected) {
    for (ArtworkView* view : artwork_)
        view->setConnected(connected);
}

void HomeAlbumRow::scrollBy(int direction) {
    // From the strip's last report, not from an earlier click's aim.
    const double target = geometry_.target(direction);
    target_ = target;
    QScrollBar* bar = strip_->horizontalScrollBar();
    animation_->stop();
    const int value = int(std::lround(target));
    if (reduceMotion_) {
        bar->setValue(value);
        return;
    }
    animation_->setStartValue(bar->value());
    animation_->setEndValue(value);
    animation_->start();
}

void HomeAlbumRow::geometryChanged() {
    const QScrollBar* bar = strip_->horizontalScrollBar();
    geometry_ = RowGeometry::fromBar(bar->value(), strip_->viewport()->width(), bar->maximum());
    const bool shown = geometry_.arrowsShown();
    left_->setVisible(shown);
    right_->setVisible(shown);
    left_->setEnabled(shown && geometry_.canScrollLeft());
    right_->setEnabled(shown && geometry_.canScrollRight());
}

bool HomeAlbumRow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == strip_->viewport()) {
        if (event->type() == QEvent::Resize) geometryChanged();
        if (event->type() == QEvent::Wheel && page_) {
            auto* wheel = static_cast<QWheelEvent*>(event);
            const QPoint delta = wheel->angleDelta();
            if (std::abs(delta.y()) > std::abs(delta.x())) {
                QCoreApplication::sendEvent(page_->verticalScrollBar(), wheel);
                return true;
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace sorvalind
