#include "kit/artist_biography_view.h"

#include "kit/elided_text.h"
#include "kit/model_adapter.h"
#include "kit/plain_text.h"
#include "kit/text_styles.h"
#include "model/app_model.h"
#include "model/artist_biography_texts.h"

#include <QHBoxLayout>
#include <QHideEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

namespace sorvalind {

namespace {

constexpr int sheetPadding = 32;
constexpr int sheetSpacing = 20;

} // namespace

ArtistBiographyPage::ArtistBiographyPage(const std::string& artistName, const std::string& text,
                                         QWidget* parent)
    : QDialog(parent), title_(new QLabel(this)), body_(new QPlainTextEdit(this)),
      done_(new QPushButton(this)) {
    setFixedSize(ArtistBiographyTexts::pageWidth, ArtistBiographyTexts::pageHeight);
    setWindowTitle(QString::fromStdString(ArtistBiographyTexts::pageTitle(artistName)));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(sheetPadding, sheetPadding, sheetPadding, sheetPadding);
    layout->setSpacing(sheetSpacing);

    auto* row = new QHBoxLayout;
    title_->setTextFormat(Qt::PlainText);
    title_->setText(QString::fromStdString(ArtistBiographyTexts::pageTitle(artistName)));
    applyTextStyle(title_, TextStyle::title2, QFont::Bold);
    row->addWidget(title_, 1, Qt::AlignVCenter);
    done_->setText(
        menuText(QString::fromUtf8(ArtistBiographyTexts::done.data(), ArtistBiographyTexts::done.size())));
    done_->setAutoDefault(false);
    row->addWidget(done_, 0, Qt::AlignVCenter);
    layout->addLayout(row);
    // QDialog closes on Escape; Done is the same.
    connect(done_, &QPushButton::clicked, this, &QDialog::reject);

    body_->setReadOnly(true);
    body_->setPlainText(QString::fromStdString(text));
    body_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    body_->setFrameShape(QFrame::NoFrame);
    body_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    // The text sits on the sheet itself, not in a white well.
    QPalette palette = body_->palette();
    palette.setColor(QPalette::Base, palette.color(QPalette::Window));
    body_->setPalette(palette);
    layout->addWidget(body_, 1);
}

ArtistBiographyView::ArtistBiographyView(std::shared_ptr<AppModel> model, std::string artistID,
                                         std::string artistName, QWidget* parent)
    : QWidget(parent), model_(model), artistID_(std::move(artistID)), artistName_(std::move(artistName)),
      content_(new QWidget(this)),
      preview_(new ElidedTextLabel(ArtistBiographyTexts::previewLines, content_)),
      readMore_(new QPushButton(content_)) {
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(content_);
    auto* layout = new QVBoxLayout(content_);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);
    applyTextStyle(preview_, TextStyle::callout);
    applySecondaryStyle(preview_);
    layout->addWidget(preview_);
    readMore_->setText(menuText(
        QString::fromUtf8(ArtistBiographyTexts::readMore.data(), ArtistBiographyTexts::readMore.size())));
    readMore_->setAccessibleName(
        QString::fromStdString(ArtistBiographyTexts::readMoreAccessibilityLabel(artistName_)));
    readMore_->setAutoDefault(false);
    layout->addWidget(readMore_, 0, Qt::AlignLeading);
    layout->addStretch(1);
    connect(readMore_, &QPushButton::clicked, this, &ArtistBiographyView::openSheet);

    if (model) {
        auto* watch = new ModelAdapter(this);
        watch->watch(model->artistBiographies(), [this] { render(); });
        // The client is no published value: it comes and goes with these,
        // and "model changed" asks again when it did.
        watch->watch(model->connected());
        watch->watch(model->isOffline());
        watch->watch(model->credentialsLocked());
        watch->watch(model->credentialsMissing());
        connect(watch, &ModelAdapter::modelChanged, this, &ArtistBiographyView::reload);
    }
    render();
}

ArtistBiographyView::~ArtistBiographyView() {
    stop_.request_stop();
}

bool ArtistBiographyView::Request::same(const std::string& id,
                                        const std::shared_ptr<APIClient>& other) const {
    // Owner comparison: a held weak reference keeps the client's identity
    // even after the client itself is gone.
    return artistID == id && !client.owner_before(other) && !other.owner_before(client);
}

void ArtistBiographyView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // A window coming back from its minimised state is no new appearance.
    if (event->spontaneous()) return;
    request_.reset();
    reload();
}

void ArtistBiographyView::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    if (event->spontaneous()) return;
    stop_.request_stop();
    request_.reset();
}

void ArtistBiographyView::reload() {
    const auto model = model_.lock();
    if (!model || !isVisible()) return;
    const std::shared_ptr<APIClient>& client = model->api();
    if (request_ && request_->same(artistID_, client)) return;
    stop_.request_stop();
    stop_ = std::stop_source();
    request_ = Request{artistID_, client};
    model->loadArtistBiography(artistID_, stop_.get_token());
}

void ArtistBiographyView::render() {
    const QString text = QString::fromStdString(biography());
    content_->setVisible(!text.isEmpty());
    preview_->setText(text);
}

std::string ArtistBiographyView::biography() const {
    const auto model = model_.lock();
    if (!model) return {};
    const auto& biographies = model->artistBiographies().value();
    const auto found = biographies.find(artistID_);
    return found == biographies.end() ? std::string() : found->second;
}

void ArtistBiographyView::openSheet() {
    if (sheet_) return;
    const std::string text = biography();
    if (text.empty()) return;
    sheet_ = new ArtistBiographyPage(artistName_, text, window());
    sheet_->setAttribute(Qt::WA_DeleteOnClose);
    sheet_->setWindowModality(Qt::WindowModal);
    sheet_->open();
}

} // namespace sorvalind
