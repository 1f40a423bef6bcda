#pragma once
// The empty state of a list: a symbol, a bold title and a wrapped
// description, centred. It lets mouse events through to what lies below.
// GUI thread only.

#include <QWidget>

class QLabel;

namespace sorvalind {

class ContentUnavailableView : public QWidget {
    Q_OBJECT
public:
    ContentUnavailableView(const QString& symbol, const QString& title, const QString& description,
                           QWidget* parent = nullptr);

    QString title() const;
    QString description() const;

private:
    QLabel* title_;
    QLabel* description_;
};

} // namespace sorvalind
