#include "shell/help_window.h"
#include "shell/qt_text.h"

#include "shell/help_page.h"

#include "kit/symbols.h"
#include "kit/text_styles.h"

#include <QHBoxLayout>
#include <QListWidget>
#include <QScrollArea>
#include <QScrollBar>
#include <QSplitter>

namespace sorvalind {

namespace {

constexpr int listSymbolSize = 16;

} // namespace

HelpView::HelpView(QWidget* parent)
    : QWidget(parent), splitter_(new QSplitter(Qt::Horizontal, this)), list_(new QListWidget(splitter_)),
      detail_(new QScrollArea(splitter_)) {
    setMinimumSize(smallestWidth, smallestHeight);
    setWindowTitle(toQString(HelpTopics::windowTitle));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(splitter_);

    list_->setAccessibleName(toQString(HelpTopics::windowTitle));
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setMinimumWidth(sidebarMinimum);
    list_->setMaximumWidth(sidebarMaximum);
    list_->setIconSize(QSize(listSymbolSize, listSymbolSize));
    for (HelpTopic topic : HelpTopics::all()) {
        auto* item = new QListWidgetItem(symbolIcon(toQString(HelpTopics::symbol(topic)), accentColor()),
                                         toQString(HelpTopics::title(topic)), list_);
        item->setData(Qt::UserRole, static_cast<int>(topic));
    }
    detail_->setWidgetResizable(true);
    detail_->setFrameShape(QFrame::NoFrame);
    detail_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    detail_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    splitter_->setCollapsible(0, false);
    splitter_->setCollapsible(1, false);
    splitter_->setStretchFactor(0, 0);
    splitter_->setStretchFactor(1, 1);
    splitter_->setSizes({sidebarIdeal, smallestWidth - sidebarIdeal});

    connect(list_, &QListWidget::itemSelectionChanged, this, [this] {
        const std::optional<HelpTopic> topic = selection();
        showTopic(topic.value_or(HelpTopics::initial));
    });
    select(HelpTopics::initial);
    if (!page_) showTopic(HelpTopics::initial);
}

std::optional<HelpTopic> HelpView::selection() const {
    const QList<QListWidgetItem*> selected = list_->selectedItems();
    if (selected.isEmpty()) return std::nullopt;
    return static_cast<HelpTopic>(selected.front()->data(Qt::UserRole).toInt());
}

void HelpView::select(std::optional<HelpTopic> topic) {
    if (!topic) {
        list_->clearSelection();
        return;
    }
    list_->setCurrentRow(static_cast<int>(*topic));
}

void HelpView::showTopic(HelpTopic topic) {
    if (page_ && shown_ == topic) return;
    shown_ = topic;
    // A new page for every topic, so each starts at its top.
    page_ = makeHelpPage(topic);
    detail_->setWidget(page_);
    detail_->verticalScrollBar()->setValue(0);
}

} // namespace sorvalind
