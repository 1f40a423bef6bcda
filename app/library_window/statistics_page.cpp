#include "library_window/statistics_page.h"

#include "kit/artwork_slot.h"
#include "kit/artwork_view.h"
#include "kit/elided_text.h"
#include "kit/model_adapter.h"
#include "kit/plain_text.h"
#include "kit/symbols.h"
#include "kit/text_styles.h"
#include "kit/visibility_tracker.h"
#include "library_window/busy_indicator.h"
#include "library_window/empty_state.h"
#include "library_window/statistics_widgets.h"
#include "model/app_model.h"
#include "platform/text/date_time.h"
#include "platform/text/locale_number.h"

#include <QFontMetrics>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

namespace sorvalind {

namespace {

QString plainQt(const std::string& text) {
    return QString::fromStdString(text);
}

QLabel* styledLabel(const std::string& text, TextStyle style, QWidget* parent,
                    std::optional<QFont::Weight> weight = std::nullopt) {
    QLabel* label = plainLabel(plainQt(text), parent);
    applyTextStyle(label, style, weight);
    return label;
}

QLabel* symbolLabel(const std::string& symbol, int side, const QColor& color, QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setPixmap(symbolPixmap(plainQt(symbol), QSize(side, side), color, parent->devicePixelRatioF()));
    label->setFixedSize(side, side);
    return label;
}

// A symbol beside a line of text, both in the text's colour.
QWidget* symbolLine(const std::string& symbol, const std::string& text, TextStyle style, QWidget* parent,
                    bool secondary, std::optional<QFont::Weight> weight = std::nullopt) {
    auto* line = new QWidget(parent);
    auto* layout = new QHBoxLayout(line);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);
    QLabel* words = styledLabel(text, style, line, weight);
    words->setWordWrap(true);
    if (secondary) applySecondaryStyle(words);
    const QColor color = words->palette().color(words->foregroundRole());
    const int side = QFontMetrics(words->font()).height();
    layout->addWidget(symbolLabel(symbol, side, color, line), 0, Qt::AlignTop);
    layout->addWidget(words, 1);
    line->setAccessibleName(plainQt(text));
    return line;
}

} // namespace

StatisticsPage::StatisticsPage(std::shared_ptr<AppModel> model, PageChoice choice, QString title,
                               Navigation onNavigate, QWidget* parent)
    : LibraryPage(std::move(choice), std::move(title), parent), model_(std::move(model)),
      onNavigate_(std::move(onNavigate)), adapter_(new ModelAdapter(this)), scroll_(new QScrollArea(this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(scroll_);
    scroll_->setFrameShape(QFrame::NoFrame);
    scroll_->setWidgetResizable(true);
    scroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    tracker_ = new VisibilityTracker(*scroll_);

    // The column: at most 1100 wide plus its padding, centred.
    auto* canvas = new QWidget;
    auto* row = new QHBoxLayout(canvas);
    row->setContentsMargins(0, 0, 0, 0);
    auto* column = new QWidget(canvas);
    column->setMaximumWidth(1100 + 2 * 24);
    column_ = new QVBoxLayout(column);
    column_->setContentsMargins(24, 24, 24, 24);
    column_->setSpacing(24);
    row->addStretch(1);
    row->addWidget(column, 100);
    row->addStretch(1);
    scroll_->setWidget(canvas);

    syncing_ = model_->syncing().value();
    const auto changed = [this] { present(presentStatistics(inputs())); };
    adapter_->watch(model_->statistics(), changed);
    adapter_->watch(model_->statisticsError(), changed);
    adapter_->watch(model_->statisticsLoading(), changed);
    adapter_->watch(model_->connected(), changed);
    adapter_->watch(model_->isOffline(), changed);
    adapter_->watch(model_->syncing(), [this] {
        const bool syncing = model_->syncing().value();
        const bool ended = syncing_ && !syncing;
        syncing_ = syncing;
        present(presentStatistics(inputs()));
        if (ended) model_->loadStatistics();
    });
    present(presentStatistics(inputs()));
}

StatisticsPage::~StatisticsPage() = default;

StatisticsInputs StatisticsPage::inputs() const {
    StatisticsInputs in;
    in.statistics = model_->statistics().value();
    in.error = model_->statisticsError().value();
    in.loading = model_->statisticsLoading().value();
    in.syncing = model_->syncing().value();
    in.connected = model_->connected().value();
    in.offline = model_->isOffline().value();
    in.hasClient = model_->api() != nullptr;
    if (const auto& configuration = model_->configuration())
        in.account = StatisticsInputs::Account{configuration->url().host(), configuration->username()};
    in.localeId = text::userLocaleId();
    in.timeZoneId = text::userTimeZoneId();
    return in;
}

void StatisticsPage::showEvent(QShowEvent* event) {
    LibraryPage::showEvent(event);
    if (!event->spontaneous()) model_->loadStatistics();
}

void StatisticsPage::present(StatisticsPresentation presentation) {
    presentation_ = std::move(presentation);
    rebuild();
}

int StatisticsPage::rankingColumns() const {
    return rankings_ ? rankings_->columns() : 0;
}

void StatisticsPage::activate(const ListeningStatistics::Action& action) {
    if (statisticsClick(action, static_cast<bool>(onNavigate_)) == StatisticsClick::navigate) {
        onNavigate_(action);
        return;
    }
    const auto& statistics = model_->statistics().value();
    model_->activateStatistics(action, statistics ? statistics->topSongs : std::vector<Song>{});
}

void StatisticsPage::rebuild() {
    if (body_) {
        // Off the page at once, so nothing finds the former rows; deleted
        // later, as a click may still be running in one of them.
        column_->removeWidget(body_);
        body_->hide();
        body_->setParent(nullptr);
        body_->deleteLater();
    }
    rankings_ = nullptr;
    body_ = new QWidget(column_->parentWidget());
    auto* layout = new QVBoxLayout(body_);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(24);
    layout->addWidget(buildHero());
    using State = StatisticsPresentation::State;
    switch (presentation_.state) {
    case State::statistics: {
        layout->addWidget(buildSummary());
        if (presentation_.recap) {
            auto* recap =
                new EmptyState(plainQt(presentation_.recap->symbol), plainQt(presentation_.recap->title),
                               plainQt(presentation_.recap->description), body_);
            recap->setObjectName(QStringLiteral("statisticsRecap"));
            recap->setMinimumHeight(200);
            layout->addWidget(recap);
        } else {
            std::vector<QWidget*> cards;
            for (const auto& card : presentation_.cards)
                cards.push_back(buildCard(card));
            const int minimum = statisticsRankingMinimum(QFontInfo(textFont(TextStyle::body)).pixelSize());
            rankings_ = new StatisticsRankingGrid(std::move(cards), minimum, body_);
            layout->addWidget(rankings_);
        }
        layout->addWidget(buildProvenance());
        break;
    }
    case State::error: {
        auto* failure =
            new EmptyState(plainQt(presentation_.failure->symbol), plainQt(presentation_.failure->title),
                           plainQt(presentation_.failure->description), body_);
        failure->setObjectName(QStringLiteral("statisticsFailure"));
        failure->setMinimumHeight(200);
        layout->addWidget(failure);
        layout->addWidget(loadButton(presentation_.tryAgainTitle), 0, Qt::AlignHCenter);
        break;
    }
    case State::loading: {
        auto* panel = new QWidget(body_);
        auto* box = new QVBoxLayout(panel);
        box->setContentsMargins(40, 40, 40, 40);
        box->setSpacing(8);
        auto* spinner = new BusyIndicator(plainQt(presentation_.loadingText), panel);
        box->addWidget(spinner, 0, Qt::AlignHCenter);
        QLabel* words = styledLabel(presentation_.loadingText, TextStyle::body, panel);
        words->setObjectName(QStringLiteral("statisticsLoading"));
        applySecondaryStyle(words);
        box->addWidget(words, 0, Qt::AlignHCenter);
        layout->addWidget(panel);
        break;
    }
    case State::loadButton:
        layout->addWidget(loadButton(presentation_.loadTitle), 0, Qt::AlignLeft);
        break;
    }
    layout->addStretch(1);
    column_->addWidget(body_);
}

QPushButton* StatisticsPage::loadButton(const std::string& title) {
    auto* button = new QPushButton(menuText(plainQt(title)), body_);
    button->setObjectName(QStringLiteral("statisticsLoad"));
    connect(button, &QPushButton::clicked, this, [this] { model_->loadStatistics(); });
    return button;
}

QWidget* StatisticsPage::buildHero() {
    const auto& hero = presentation_.hero;
    auto* panel = new RoundedPanel(RoundedPanel::Fill::heroGradient, 20, 1, body_);
    panel->setObjectName(QStringLiteral("statisticsHero"));
    QPalette white = panel->palette();
    white.setColor(QPalette::WindowText, Qt::white);
    panel->setPalette(white);
    auto* layout = new QVBoxLayout(panel);
    layout->setContentsMargins(28, 28, 28, 28);
    layout->setSpacing(12);

    auto* badge = new QWidget(panel);
    auto* badgeRow = new QHBoxLayout(badge);
    badgeRow->setContentsMargins(0, 0, 0, 0);
    badgeRow->setSpacing(6);
    QLabel* badgeText = styledLabel(hero.badge, TextStyle::caption, badge, QFont::Bold);
    QFont tracked = badgeText->font();
    tracked.setLetterSpacing(QFont::AbsoluteSpacing, 2);
    badgeText->setFont(tracked);
    const int side = QFontMetrics(tracked).height();
    badgeRow->addWidget(symbolLabel("chart.bar.xaxis", side, Qt::white, badge));
    badgeRow->addWidget(badgeText);
    badgeRow->addStretch(1);
    layout->addWidget(badge);
    layout->addWidget(styledLabel(hero.title, TextStyle::largeTitle, panel, QFont::Bold));
    layout->addWidget(styledLabel(hero.tagline, TextStyle::title3, panel));
    if (hero.account) {
        QLabel* account = styledLabel(*hero.account, TextStyle::callout, panel);
        account->setObjectName(QStringLiteral("statisticsAccount"));
        QPalette faded = account->palette();
        faded.setColor(QPalette::WindowText, QColor(255, 255, 255, 217));
        account->setPalette(faded);
        layout->addWidget(account);
    }
    return panel;
}

QWidget* StatisticsPage::buildSummary() {
    auto* grid = new QWidget(body_);
    auto* layout = new QGridLayout(grid);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setHorizontalSpacing(16);
    layout->setVerticalSpacing(16);
    int column = 0;
    for (const auto& metric : presentation_.metrics) {
        auto* panel = new RoundedPanel(RoundedPanel::Fill::tint, 16, 0.35, grid);
        panel->setObjectName(plainQt("statisticsMetric:" + metric.symbol));
        panel->setAccessibleName(plainQt(metric.value + " " + metric.label));
        panel->setMinimumWidth(10);
        auto* box = new QVBoxLayout(panel);
        box->setContentsMargins(20, 20, 20, 20);
        box->setSpacing(10);
        box->addWidget(symbolLabel(metric.symbol, 22, accentColor(), panel));
        QLabel* value = styledLabel(metric.value, TextStyle::title, panel, QFont::Bold);
        value->setObjectName(QStringLiteral("value"));
        QLabel* label = styledLabel(metric.label, TextStyle::callout, panel);
        label->setWordWrap(true);
        applySecondaryStyle(label);
        box->addWidget(value);
        box->addWidget(label);
        box->addStretch(1);
        layout->addWidget(panel, 0, column);
        layout->setColumnStretch(column, 1);
        ++column;
    }
    return grid;
}

QWidget* StatisticsPage::buildCard(const StatisticsPresentation::Card& card) {
    auto* panel = new RoundedPanel(RoundedPanel::Fill::tint, 16, 0.25, body_);
    panel->setObjectName(plainQt("statisticsCard:" + card.symbol));
    auto* layout = new QVBoxLayout(panel);
    layout->setContentsMargins(20, 20, 20, 20);
    layout->setSpacing(16);
    layout->addWidget(styledLabel(card.title, TextStyle::title2, panel, QFont::Bold));
    QLabel* subtitle = styledLabel(card.subtitle, TextStyle::callout, panel);
    applySecondaryStyle(subtitle);
    subtitle->setWordWrap(true);
    layout->addWidget(subtitle);
    if (card.emptyNote) {
        QLabel* note = styledLabel(*card.emptyNote, TextStyle::body, panel);
        note->setWordWrap(true);
        applySecondaryStyle(note);
        layout->addWidget(note);
    }
    auto* rows = new QVBoxLayout;
    rows->setSpacing(2);
    for (const auto& row : card.rows)
        rows->addWidget(buildRow(card, row));
    layout->addLayout(rows);
    return panel;
}

QWidget* StatisticsPage::buildRow(const StatisticsPresentation::Card& card,
                                  const StatisticsPresentation::Row& row) {
    auto* button = new StatisticsRowButton(body_);
    button->setObjectName(plainQt(row.accessibilityId));
    button->setToolTip(plainToolTip(plainQt(row.hint)));
    button->setAccessibleDescription(plainQt(row.hint));
    button->setAccessibleName(
        plainQt(row.name + (row.subtitle ? ", " + *row.subtitle : "") + ", " + row.plays));
    auto* layout = new QHBoxLayout(button);
    layout->setContentsMargins(10, 8, 10, 8);
    layout->setSpacing(14);

    QLabel* rank = styledLabel(row.rank, TextStyle::headline, button);
    const QFont digits = rank->font();
    applySecondaryStyle(rank);
    rank->setFixedWidth(QFontMetrics(digits).horizontalAdvance(QStringLiteral("10")) + 4);
    layout->addWidget(rank);

    auto* art = new ArtworkView(*model_, row.coverArt, 48, plainQt(card.symbol),
                                presentation_.artworkConnected, button);
    art->setFixedSize(48, 48);
    tracker_->track(art, [art](bool visible) { art->setScrollVisible(visible); });
    layout->addWidget(art);

    auto* texts = new QVBoxLayout;
    texts->setSpacing(4);
    auto* name = new ElidedTextLabel(2, button);
    name->setText(plainQt(row.name));
    applyTextStyle(name, TextStyle::headline);
    name->setObjectName(QStringLiteral("name"));
    texts->addWidget(name);
    if (row.subtitle) {
        auto* subtitle = new ElidedTextLabel(1, button);
        subtitle->setText(plainQt(*row.subtitle));
        applyTextStyle(subtitle, TextStyle::caption);
        applySecondaryStyle(subtitle);
        texts->addWidget(subtitle);
    }
    QLabel* plays = styledLabel(row.plays, TextStyle::callout, button);
    plays->setObjectName(QStringLiteral("plays"));
    applySecondaryStyle(plays);
    texts->addWidget(plays);
    layout->addLayout(texts, 1);
    layout->addWidget(symbolLabel(row.trailingSymbol, 18, accentColor(), button));

    for (QWidget* child : button->findChildren<QWidget*>())
        child->setAttribute(Qt::WA_TransparentForMouseEvents);
    const ListeningStatistics::Action action = row.action;
    connect(button, &QAbstractButton::clicked, this, [this, action] { activate(action); });
    return button;
}

QWidget* StatisticsPage::buildProvenance() {
    using Kind = StatisticsPresentation::Line::Kind;
    auto* block = new QWidget(body_);
    block->setObjectName(QStringLiteral("statisticsProvenance"));
    auto* layout = new QVBoxLayout(block);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(10);
    for (const auto& line : presentation_.provenance) {
        QWidget* shown = nullptr;
        if (line.symbol.empty()) {
            QLabel* words = styledLabel(line.text, TextStyle::callout, block);
            words->setWordWrap(true);
            applySecondaryStyle(words);
            shown = words;
        } else {
            shown = symbolLine(line.symbol, line.text,
                               line.kind == Kind::heading ? TextStyle::headline : TextStyle::callout, block,
                               true);
        }
        shown->setProperty("provenanceLine", true);
        layout->addWidget(shown);
        if (line.kind == Kind::error && presentation_.tryAgain) {
            auto* again = new QPushButton(menuText(plainQt(presentation_.tryAgainTitle)), block);
            again->setObjectName(QStringLiteral("statisticsTryAgain"));
            again->setEnabled(presentation_.tryAgainEnabled);
            connect(again, &QPushButton::clicked, this, [this] { model_->loadStatistics(); });
            layout->addWidget(again, 0, Qt::AlignLeft);
        }
    }
    auto* refresh = new QPushButton(menuText(plainQt(presentation_.refreshTitle)), block);
    refresh->setObjectName(QStringLiteral("statisticsRefresh"));
    refresh->setEnabled(presentation_.refreshEnabled);
    connect(refresh, &QPushButton::clicked, this, [this] { model_->refresh(); });
    layout->addWidget(refresh, 0, Qt::AlignLeft);
    return block;
}

} // namespace sorvalind
