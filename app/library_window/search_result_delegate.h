#pragma once
// Paints the search results: section headers in bold, and result rows of one
// height with a 44-point cover (asked for on first paint, so only for rows
// on screen), a title, a secondary line and the trailing chevron, heart or
// duration. A song that cannot play is grey at 40 % opacity.
//
// GUI thread only; the model must outlive the delegate.

#include "songs/cover_images.h"

#include <QStyledItemDelegate>

namespace sorvalind {

class AppModel;

class SearchResultDelegate final : public QStyledItemDelegate {
    Q_OBJECT
public:
    static constexpr int rowHeight = 56;
    static constexpr int coverSide = 44;

    SearchResultDelegate(AppModel* model, QObject* parent = nullptr);

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;

    void retryMissingCovers() { covers_.retryMissing(); }
    const CoverImages& covers() const noexcept { return covers_; }

signals:
    void coverArrived();

private:
    mutable CoverImages covers_;
};

} // namespace sorvalind
