#pragma once
// The help window's content: the list of topics beside the selected topic's
// page. A new view opens on "Getting Started"; choosing another topic builds
// its page afresh, scrolled to the top; with no topic selected the
// "Getting Started" page shows with no row highlighted. All text is
// selectable. GUI thread only; reads nothing but its own fixed texts and the
// application's key table.

#include "shell/help_topics.h"

#include <QWidget>

#include <optional>

class QListWidget;
class QScrollArea;
class QSplitter;

namespace sorvalind {

class HelpView : public QWidget {
    Q_OBJECT

public:
    static constexpr int sidebarMinimum = 210;
    static constexpr int sidebarIdeal = 240;
    static constexpr int sidebarMaximum = 280;
    static constexpr int columnMaximum = 600;
    static constexpr int pagePadding = 32;
    static constexpr int smallestWidth = 720;
    static constexpr int smallestHeight = 500;

    explicit HelpView(QWidget* parent = nullptr);

    std::optional<HelpTopic> selection() const;
    void select(std::optional<HelpTopic> topic);
    // The topic whose page is shown.
    HelpTopic shownTopic() const noexcept { return shown_; }

    QListWidget* topicList() const noexcept { return list_; }
    QScrollArea* detail() const noexcept { return detail_; }
    // The page's column: heading, introduction, sections and shortcut rows.
    QWidget* page() const noexcept { return page_; }

private:
    void showTopic(HelpTopic topic);

    QSplitter* splitter_;
    QListWidget* list_;
    QScrollArea* detail_;
    QWidget* page_ = nullptr;
    HelpTopic shown_ = HelpTopics::initial;
};

} // namespace sorvalind
