#pragma once
// The statistics page's drawn pieces: a panel with a rounded background
// (a fill or the hero's gradient), the ranking row button that lights up
// while hovered, pressed or focused, and the grid that lays the ranking
// cards out in as many columns as fit.
//
// GUI thread only.

#include <QAbstractButton>
#include <QColor>
#include <QWidget>

#include <vector>

class QGridLayout;

namespace sorvalind {

class RoundedPanel : public QWidget {
    Q_OBJECT
public:
    enum class Fill { tint, heroGradient };
    // `tint` fills with the text colour at `opacity` of the faintest style.
    RoundedPanel(Fill fill, qreal radius, qreal opacity, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Fill fill_;
    qreal radius_;
    qreal opacity_;
};

class StatisticsRowButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit StatisticsRowButton(QWidget* parent = nullptr);
    bool hovered() const noexcept { return hovered_; }
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    bool hasHeightForWidth() const override;
    int heightForWidth(int width) const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    bool hovered_ = false;
};

class StatisticsRankingGrid : public QWidget {
    Q_OBJECT
public:
    StatisticsRankingGrid(std::vector<QWidget*> cards, int minimumWidth, QWidget* parent = nullptr);
    int columns() const noexcept { return columns_; }
    // As narrow as one card: the width decides the columns, not the reverse.
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void arrange(int columns);

    std::vector<QWidget*> cards_;
    int minimum_;
    QGridLayout* grid_;
    int columns_ = 0;
};

} // namespace sorvalind
