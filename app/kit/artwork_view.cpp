#include "kit/artwork_view.h"

#include <QPainter>

namespace sorvalind {

ArtworkView::ArtworkView(ArtworkSource& source, ArtworkLoad::ClientProvider client, int size,
                         QString placeholder, QWidget* parent)
    : QWidget(parent), slot_(source, std::move(client), std::move(placeholder), [this] { update(); }),
      side_(size) {
    setFixedSize(size, size);
}

ArtworkView::ArtworkView(AppModel& model, std::optional<std::string> id, int size, QString placeholder,
                         bool connected, QWidget* parent)
    : QWidget(parent), slot_(model, std::move(placeholder), [this] { update(); }), side_(size) {
    setFixedSize(size, size);
    slot_.load().setId(std::move(id));
    slot_.load().setConnected(connected);
}

void ArtworkView::setSide(int size) {
    if (size == side_) return;
    side_ = size;
    setFixedSize(size, size);
    update();
}

void ArtworkView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    slot_.paint(painter, QRectF(rect()), palette());
}

void ArtworkView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    slot_.load().show();
}

void ArtworkView::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    slot_.load().hide();
}

} // namespace sorvalind
