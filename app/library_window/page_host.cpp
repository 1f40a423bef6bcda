#include "library_window/page_host.h"

#include <QVBoxLayout>

namespace sorvalind {

PageHost::PageHost(PageFactory factory, QWidget* parent)
    : QWidget(parent), factory_(std::move(factory)), layout_(new QVBoxLayout(this)) {
    layout_->setContentsMargins(0, 0, 0, 0);
}

void PageHost::showPage(const std::shared_ptr<AppModel>& model, const PageChoice& choice,
                        const QString& title) {
    if (page_ && page_->choice().kind == choice.kind) {
        page_->setInputs(choice, title);
        return;
    }
    if (page_) {
        layout_->removeWidget(page_);
        delete page_.data();
    }
    page_ = factory_.build(model, choice, title, this);
    layout_->addWidget(page_);
}

} // namespace sorvalind
