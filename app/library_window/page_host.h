#pragma once
// The detail column's one page: a choice of another kind replaces the page
// with a freshly built one (the old one and its view state go at once); a
// choice of the same kind keeps the page and hands it the new inputs.
//
// GUI thread only.

#include "library_window/page_factory.h"

#include <QPointer>
#include <QWidget>

#include <memory>

class QVBoxLayout;

namespace sorvalind {

class PageHost : public QWidget {
    Q_OBJECT
public:
    PageHost(PageFactory factory, QWidget* parent = nullptr);

    void showPage(const std::shared_ptr<AppModel>& model, const PageChoice& choice, const QString& title);
    LibraryPage* page() const noexcept { return page_; }
    const PageFactory& factory() const noexcept { return factory_; }

private:
    PageFactory factory_;
    QVBoxLayout* layout_;
    QPointer<LibraryPage> page_;
};

} // namespace sorvalind
