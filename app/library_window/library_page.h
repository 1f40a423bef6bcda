#pragma once
// One page of the library window's detail column. A page built for one
// kind of route takes the inputs of another route of that kind in place
// (setInputs), so its view state survives a move between two albums, two
// artists or two playlists.
//
// GUI thread only.

#include "library_window/page_route.h"

#include <QWidget>

class QLabel;

namespace sorvalind {

class LibraryPage : public QWidget {
    Q_OBJECT
public:
    LibraryPage(PageChoice choice, QString title, QWidget* parent = nullptr);

    const PageChoice& choice() const noexcept { return choice_; }
    // The page's title, as the window shows it.
    const QString& title() const noexcept { return title_; }
    void setInputs(const PageChoice& choice, const QString& title);

protected:
    virtual void inputsChanged() {}

private:
    PageChoice choice_;
    QString title_;
};

// A page whose views come later: the page's name, centred.
class PlaceholderPage final : public LibraryPage {
    Q_OBJECT
public:
    PlaceholderPage(PageChoice choice, QString title, QWidget* parent = nullptr);

private:
    void inputsChanged() override;
    QLabel* name_;
};

// A view built elsewhere (the settings page, the song table), hosted as a
// page.
class HostedPage final : public LibraryPage {
    Q_OBJECT
public:
    HostedPage(PageChoice choice, QString title, QWidget* content, QWidget* parent = nullptr);
    QWidget* content() const noexcept { return content_; }

private:
    QWidget* content_;
};

} // namespace sorvalind
