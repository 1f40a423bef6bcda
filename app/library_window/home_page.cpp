#include "library_window/home_page.h"

#include "library_window/home_album_banner.h"
#include "library_window/home_album_row.h"

#include "kit/gui_executor.h"

#include "kit/artwork_slot.h"
#include "kit/model_adapter.h"
#include "kit/plain_text.h"
#include "kit/scroll_restorer.h"
#include "kit/text_styles.h"
#include "model/app_model.h"
#include "platform/motion_preference.h"

#include <QLabel>
#include <QLocale>
#include <QScrollArea>
#include <QVBoxLayout>

namespace sorvalind {

HomePage::HomePage(std::shared_ptr<AppModel> model, PageChoice choice, QString title, QWidget* parent)
    : HomePage(std::move(model), std::move(choice), std::move(title), processCollectionKey(), parent) {}

HomePage::HomePage(std::shared_ptr<AppModel> model, PageChoice choice, QString title, CollectionKey key,
                   QWidget* parent)
    : LibraryPage(std::move(choice), std::move(title), parent), model_(model),
      adapter_(new ModelAdapter(this)), motion_(new MotionPreference(this)), cache_(key) {
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    scroll_ = new QScrollArea(this);
    scroll_->setObjectName(QStringLiteral("homeScroll"));
    scroll_->setFrameShape(QFrame::NoFrame);
    scroll_->setWidgetResizable(true);
    scroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    outer->addWidget(scroll_);

    auto* content = new QWidget;
    auto* column = new QVBoxLayout(content);
    column->setContentsMargins(24, 24 + 8, 24, 24);
    column->setSpacing(28);

    auto* header = new QVBoxLayout;
    header->setSpacing(6);
    QLabel* heading = plainLabel(QStringLiteral("Your music"), content);
    applyTextStyle(heading, TextStyle::largeTitle, QFont::Bold);
    header->addWidget(heading);
    statistics_ = plainLabel(QString(), content);
    statistics_->setObjectName(QStringLiteral("homeStatistics"));
    applySecondaryStyle(statistics_);
    header->addWidget(statistics_);
    column->addLayout(header);

    banner_ = new HomeAlbumBanner(model, guiExecutor(), content);
    column->addWidget(banner_);

    rowsLayout_ = new QVBoxLayout;
    rowsLayout_->setContentsMargins(0, 0, 0, 0);
    rowsLayout_->setSpacing(28);
    column->addLayout(rowsLayout_);
    column->addStretch(1);
    scroll_->setWidget(content);

    restorer_ = new ScrollRestorer(*scroll_, *model);
    restorer_->setKey(model->browseScrollKey("home"), true);

    adapter_->watch(model->albums(), [this] {
        refreshStatistics();
        refreshRows();
    });
    adapter_->watch(model->artists(), [this] { refreshStatistics(); });
    adapter_->watch(model->librarySongCount(), [this] { refreshStatistics(); });
    adapter_->watch(model->connected(), [this] { refreshConnected(); });
    adapter_->watch(model->isOffline(), [this] { refreshConnected(); });
    connect(motion_, &MotionPreference::changed, this, [this] { refreshMotion(); });
    refreshStatistics();
    refreshRows();
    refreshMotion();
}

void HomePage::refreshStatistics() {
    auto model = model_.lock();
    if (!model) return;
    const QLocale locale;
    const auto& albums = model->albums().value();
    const auto& artists = model->artists().value();
    const qint64 albumCount = albums ? qint64(albums->size()) : 0;
    const qint64 artistCount = artists ? qint64(artists->size()) : 0;
    setPlainText(statistics_, locale.toString(albumCount) + QStringLiteral(" albums · ") +
                                  locale.toString(artistCount) + QStringLiteral(" artists · ") +
                                  locale.toString(qint64(model->librarySongCount().value())) +
                                  QStringLiteral(" songs"));
}

void HomePage::refreshRows() {
    auto model = model_.lock();
    if (!model) return;
    const std::vector<HomeRow>& rows = cache_.rows(model->albums().value());
    if (cache_.derivations() == shownDerivation_) return;
    shownDerivation_ = cache_.derivations();
    for (HomeAlbumRow* row : rows_)
        delete row;
    rows_.clear();
    for (const HomeRow& row : rows) {
        auto* widget = new HomeAlbumRow(model, row, scroll_, scroll_->widget());
        rowsLayout_->addWidget(widget);
        rows_.push_back(widget);
    }
    refreshMotion();
}

void HomePage::refreshConnected() {
    auto model = model_.lock();
    if (!model) return;
    const bool connected = artworkConnected(*model);
    for (HomeAlbumRow* row : rows_)
        row->setConnected(connected);
}

void HomePage::refreshMotion() {
    banner_->setReduceMotion(motion_->reduceMotion());
    for (HomeAlbumRow* row : rows_)
        row->setReduceMotion(motion_->reduceMotion());
}

} // namespace sorvalind
