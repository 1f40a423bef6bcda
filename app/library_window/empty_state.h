#pragma once
// The panel a page shows over an empty list: a symbol, a title and a line
// of description, centred. It lets clicks through. GUI thread only.

#include <QWidget>

class QLabel;

namespace sorvalind {

class EmptyState final : public QWidget {
    Q_OBJECT
public:
    EmptyState(const QString& symbol, const QString& title, const QString& description,
               QWidget* parent = nullptr);

    QString title() const;
    QString description() const;

private:
    QLabel* title_;
    QLabel* description_;
};

} // namespace sorvalind
