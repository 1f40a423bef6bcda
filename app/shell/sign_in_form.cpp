#include "shell/sign_in_form.h"
#include "shell/qt_text.h"

#include "shell/form_styles.h"
#include "shell/http_consent_view.h"
#include "shell/sign_in_texts.h"

#include "errors/api_error.h"
#include "errors/safe_error.h"
#include "kit/gui_executor.h"
#include "kit/model_adapter.h"
#include "kit/plain_text.h"
#include "kit/text_styles.h"
#include "model/app_coordinator.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

namespace sorvalind {

namespace {

QLabel* plainLabel(QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    return label;
}

QLineEdit* field(std::string_view title, QWidget* parent) {
    auto* edit = new QLineEdit(parent);
    edit->setAccessibleName(toQString(title));
    edit->setAlignment(Qt::AlignLeading | Qt::AlignVCenter);
    return edit;
}

} // namespace

ConnectionSettingsView::ConnectionSettingsView(std::shared_ptr<AppCoordinator> coordinator, QWidget* parent)
    : QWidget(parent), coordinator_(std::move(coordinator)), coordinatorWatch_(new ModelAdapter(this)),
      modelWatch_(new ModelAdapter(this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setSpacing(12);

    auto* title = plainLabel(this);
    title->setText(toQString(SignInTexts::section));
    applyTextStyle(title, TextStyle::title3, QFont::DemiBold);
    layout->addWidget(title);

    introduction_ = plainLabel(this);
    applyTextStyle(introduction_, TextStyle::body);
    applySecondaryStyle(introduction_);
    layout->addWidget(introduction_);

    fields_ = new QWidget(this);
    auto* form = new QFormLayout(fields_);
    form->setContentsMargins(0, 0, 0, 0);
    form->setLabelAlignment(Qt::AlignLeading | Qt::AlignVCenter);
    form->setFieldGrowthPolicy(QFormLayout::ExpandingFieldsGrow);
    address_ = field(SignInTexts::serverURL, fields_);
    address_->setPlaceholderText(toQString(SignInTexts::addressPlaceholder));
    address_->setInputMethodHints(Qt::ImhUrlCharactersOnly | Qt::ImhNoAutoUppercase);
    username_ = field(SignInTexts::username, fields_);
    username_->setInputMethodHints(Qt::ImhNoAutoUppercase | Qt::ImhNoPredictiveText);
    password_ = field(SignInTexts::password, fields_);
    password_->setEchoMode(QLineEdit::Password);
    for (auto [text, edit] :
         {std::pair{SignInTexts::serverURL, address_}, std::pair{SignInTexts::username, username_},
          std::pair{SignInTexts::password, password_}}) {
        auto* label = new QLabel(fields_);
        label->setTextFormat(Qt::PlainText);
        label->setText(toQString(text));
        label->setBuddy(edit);
        form->addRow(label, edit);
    }
    layout->addWidget(fields_);

    blocked_ = plainLabel(this);
    blocked_->setText(toQString(SafeError::message(APIError::localHTTPRequired())));
    applyTextStyle(blocked_, TextStyle::callout);
    applyErrorStyle(blocked_);
    layout->addWidget(blocked_);

    consent_ = new HTTPConnectionConsent(this);
    layout->addWidget(consent_);

    errorLabel_ = plainLabel(this);
    errorLabel_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    applyTextStyle(errorLabel_, TextStyle::callout);
    applyErrorStyle(errorLabel_);
    layout->addWidget(errorLabel_);

    auto* row = new QHBoxLayout;
    auto* caption = plainLabel(this);
    caption->setWordWrap(false);
    caption->setText(toQString(SignInTexts::passwordCaption));
    applyTextStyle(caption, TextStyle::caption);
    applySecondaryStyle(caption);
    row->addWidget(caption, 0, Qt::AlignVCenter);
    row->addStretch(1);
    cancel_ = new QPushButton(menuText(toQString(SignInTexts::cancel)), this);
    cancel_->setAutoDefault(false);
    row->addWidget(cancel_, 0, Qt::AlignVCenter);
    connect_ = new QPushButton(this);
    connect_->setAutoDefault(false);
    connect_->setDefault(true);
    row->addWidget(connect_, 0, Qt::AlignVCenter);
    layout->addLayout(row);
    layout->addStretch(1);

    connect(address_, &QLineEdit::textChanged, this, [this] {
        // Consent belongs to the exact address it was given for.
        allowHTTP_ = false;
        render();
    });
    connect(username_, &QLineEdit::textChanged, this, [this] { render(); });
    connect(password_, &QLineEdit::textChanged, this, [this] { render(); });
    connect(consent_, &HTTPConnectionConsent::acceptedToggled, this, [this](bool accepted) {
        allowHTTP_ = accepted;
        render();
    });
    connect(cancel_, &QPushButton::clicked, this, [this] { cancel(); });
    connect(connect_, &QPushButton::clicked, this, [this] { startConnect(); });

    // The form follows whichever model the coordinator holds now.
    coordinatorWatch_->watch(coordinator_->model(), [this] { followModel(); });
    connect(coordinatorWatch_, &ModelAdapter::modelChanged, this, &ConnectionSettingsView::render);
    connect(modelWatch_, &ModelAdapter::modelChanged, this, &ConnectionSettingsView::render);
    followModel();
    render();
}

void ConnectionSettingsView::followModel() {
    modelWatch_->clear();
    if (const auto& model = coordinator_->model().value()) modelWatch_->watch(model->credentialsMissing());
}

bool ConnectionSettingsView::cancelShown() const {
    const auto& model = coordinator_->model().value();
    return model && model->configuration() && !model->credentialsMissing().value();
}

SignInFields ConnectionSettingsView::fields() const {
    return {address_->text().toStdString(), username_->text().toStdString(), password_->text().toStdString(),
            allowHTTP_, working_};
}

void ConnectionSettingsView::render() {
    const auto& model = coordinator_->model().value();
    const bool missing = model && model->credentialsMissing().value();
    introduction_->setText(toQString(missing ? SignInTexts::passwordMissing : SignInTexts::introduction));

    fields_->setEnabled(!working_);
    const SignInFields current = fields();
    const bool blocked = SignInAddress::isHTTPBlocked(current.address);
    const bool http = SignInAddress::isHTTP(current.address);
    blocked_->setVisible(blocked);
    consent_->setVisible(!blocked && http);
    consent_->setEnabled(!working_);
    consent_->setAccepted(allowHTTP_);

    errorLabel_->setVisible(error_.has_value());
    errorLabel_->setText(error_ ? QString::fromStdString(*error_) : QString());

    cancel_->setVisible(cancelShown());
    cancel_->setEnabled(!working_);
    connect_->setText(menuText(toQString(working_ ? SignInTexts::connecting : SignInTexts::connect)));
    connect_->setEnabled(connectEnabled(current));
}

void ConnectionSettingsView::prefill() {
    const auto& model = coordinator_->model().value();
    const auto& configuration = model ? model->configuration() : std::nullopt;
    address_->setText(configuration ? QString::fromStdString(configuration->url().absoluteString())
                                    : QString());
    username_->setText(configuration ? QString::fromStdString(configuration->username()) : QString());
    if (model && model->credentialsMissing().value()) password_->setFocus(Qt::OtherFocusReason);
    render();
}

void ConnectionSettingsView::startConnect() {
    if (!connectEnabled(fields())) return;
    working_ = true;
    error_.reset();
    render();
    const SignInFields current = fields();
    const TaskHandle task =
        coordinator_->connect(current.address, current.username, current.password, current.allowHTTP);
    task.whenFinished(guiExecutor(),
                      [self = QPointer<ConnectionSettingsView>(this)](const Outcome<void>& outcome) {
                          // A form closed meanwhile has nothing left to show.
                          if (!self) return;
                          if (outcome.hasValue())
                              self->password_->clear();
                          else
                              self->error_ = SafeError::message(outcome.error());
                          self->working_ = false;
                          self->render();
                      });
}

void ConnectionSettingsView::cancel() {
    if (!cancelShown() || working_) return;
    password_->clear();
    coordinator_->setConnectionPresented(false);
}

void ConnectionSettingsView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // A window restored from its minimised state keeps what was typed.
    if (!event->spontaneous()) prefill();
}

void ConnectionSettingsView::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    if (!event->spontaneous()) password_->clear();
}

void ConnectionSettingsView::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (connect_->isEnabled()) startConnect();
        event->accept();
        return;
    case Qt::Key_Escape:
        if (cancel_->isVisible() && cancel_->isEnabled()) {
            cancel();
            event->accept();
            return;
        }
        break;
    default:
        break;
    }
    QWidget::keyPressEvent(event);
}

} // namespace sorvalind
