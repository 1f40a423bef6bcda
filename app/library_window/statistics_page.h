#pragma once
// The server statistics page: a hero banner, the summary figures, three
// rankings whose rows open or play what they name, and where the numbers
// come from. It keeps no data of its own: it draws what presentStatistics()
// makes of the model's published state and calls model operations. It asks
// for the statistics each time it is shown and again when a library refresh
// ends, so the figures follow the library.
//
// GUI thread only.

#include "library_window/library_page.h"
#include "library_window/statistics_presenter.h"

#include <functional>
#include <memory>

class QPushButton;
class QScrollArea;
class QVBoxLayout;

namespace sorvalind {

class AppModel;
class ModelAdapter;
class StatisticsRankingGrid;
class VisibilityTracker;

class StatisticsPage final : public LibraryPage {
    Q_OBJECT
public:
    // When set, rows that do not play a song call this instead of the model.
    using Navigation = std::function<void(const ListeningStatistics::Action&)>;

    StatisticsPage(std::shared_ptr<AppModel> model, PageChoice choice, QString title,
                   Navigation onNavigate = {}, QWidget* parent = nullptr);
    ~StatisticsPage() override;

    // The model's state as the page reads it.
    StatisticsInputs inputs() const;
    // Draws `presentation` (the model's, on every change).
    void present(StatisticsPresentation presentation);
    const StatisticsPresentation& presentation() const noexcept { return presentation_; }

    // A row's click, as the row's button does it.
    void activate(const ListeningStatistics::Action& action);

    // The rankings' column count now (0 without rankings).
    int rankingColumns() const;
    QScrollArea& scrollArea() const noexcept { return *scroll_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void rebuild();
    QWidget* buildHero();
    QWidget* buildSummary();
    QWidget* buildCard(const StatisticsPresentation::Card& card);
    QWidget* buildRow(const StatisticsPresentation::Card& card, const StatisticsPresentation::Row& row);
    QWidget* buildProvenance();
    QPushButton* loadButton(const std::string& title);

    std::shared_ptr<AppModel> model_;
    Navigation onNavigate_;
    ModelAdapter* adapter_;
    QScrollArea* scroll_;
    QVBoxLayout* column_;
    QWidget* body_ = nullptr;
    StatisticsRankingGrid* rankings_ = nullptr;
    VisibilityTracker* tracker_;
    StatisticsPresentation presentation_;
    bool syncing_ = false;
};

} // namespace sorvalind
