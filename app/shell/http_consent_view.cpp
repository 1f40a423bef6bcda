#include "shell/http_consent_view.h"

#include "kit/plain_text.h"
#include "kit/text_styles.h"
#include "model/http_connection_consent_texts.h"
#include "shell/qt_text.h"

#include <QCheckBox>
#include <QLabel>
#include <QVBoxLayout>

namespace sorvalind {

HTTPConnectionConsent::HTTPConnectionConsent(QWidget* parent)
    : QWidget(parent), warning_(new QLabel(this)), toggle_(new QCheckBox(this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);

    warning_->setText(QString::fromUtf8(HTTPConnectionConsentTexts::warning));
    warning_->setTextFormat(Qt::PlainText);
    warning_->setWordWrap(true);
    applyTextStyle(warning_, TextStyle::callout);
    applySecondaryStyle(warning_);
    layout->addWidget(warning_);

    toggle_->setText(menuText(toQString(HTTPConnectionConsentTexts::allowToggle)));
    layout->addWidget(toggle_);
    connect(toggle_, &QCheckBox::toggled, this, &HTTPConnectionConsent::acceptedToggled);

    // One element for assistive technology: the warning is what the
    // checkbox's consent is about.
    toggle_->setAccessibleDescription(warning_->text());
}

bool HTTPConnectionConsent::accepted() const {
    return toggle_->isChecked();
}

void HTTPConnectionConsent::setAccepted(bool accepted) {
    const QSignalBlocker blocker(toggle_);
    toggle_->setChecked(accepted);
}

} // namespace sorvalind
