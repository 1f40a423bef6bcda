#pragma once
// Cover pictures for the rows a delegate paints, by cover-art identifier:
// the first paint of a row asks the cache (its memory at once, else a
// request, with no client while offline), and a picture that arrives calls
// `arrived` so the rows repaint; a row draws whatever its own identifier has
// by then. Identifiers that found nothing are asked again after
// retryMissing() (the connection came back).
//
// GUI thread only; the model must outlive the object.

#include <QImage>

#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>

namespace sorvalind {

class AppModel;

class CoverImages {
public:
    CoverImages(AppModel* model, std::function<void()> arrived);

    // The picture, or a null image while none is in hand.
    QImage image(const std::string& id);
    void retryMissing();
    const std::set<std::string>& requested() const noexcept { return requested_; }

private:
    AppModel* model_;
    std::function<void()> arrived_;
    std::map<std::string, QImage> images_;
    std::set<std::string> requested_;
    std::shared_ptr<int> life_ = std::make_shared<int>(0);
};

} // namespace sorvalind
