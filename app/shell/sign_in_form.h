#pragma once
// The one form in which the user enters or changes the server address, the
// user name and the password (the "Server" section of the first-run page and
// of the settings page). It checks only what it sees locally (empty fields,
// the HTTP rules) and hands everything else to the coordinator's sign-in,
// showing the text of whatever that ends with.
//
// Leaving the form (a hide by the application, not a minimised window)
// clears the password; showing it again prefills the saved address and user
// name. GUI thread only; the coordinator's model is read, never kept.

#include "shell/sign_in_address.h"

#include <QWidget>

#include <memory>
#include <optional>
#include <string>

class QLabel;
class QLineEdit;
class QPushButton;

namespace sorvalind {

class AppCoordinator;
class HTTPConnectionConsent;
class ModelAdapter;

class ConnectionSettingsView : public QWidget {
    Q_OBJECT

public:
    explicit ConnectionSettingsView(std::shared_ptr<AppCoordinator> coordinator, QWidget* parent = nullptr);

    bool isWorking() const noexcept { return working_; }
    bool allowsHTTP() const noexcept { return allowHTTP_; }
    const std::optional<std::string>& error() const noexcept { return error_; }

    QLabel* introduction() const noexcept { return introduction_; }
    QLineEdit* addressField() const noexcept { return address_; }
    QLineEdit* usernameField() const noexcept { return username_; }
    QLineEdit* passwordField() const noexcept { return password_; }
    HTTPConnectionConsent* consent() const noexcept { return consent_; }
    QLabel* blockedLabel() const noexcept { return blocked_; }
    QLabel* errorLabel() const noexcept { return errorLabel_; }
    QPushButton* cancelButton() const noexcept { return cancel_; }
    QPushButton* connectButton() const noexcept { return connect_; }

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void prefill();
    void followModel();
    void render();
    void startConnect();
    void cancel();
    bool cancelShown() const;
    SignInFields fields() const;

    std::shared_ptr<AppCoordinator> coordinator_;
    // The coordinator's values, and those of the model it holds now.
    ModelAdapter* coordinatorWatch_;
    ModelAdapter* modelWatch_;

    bool working_ = false;
    bool allowHTTP_ = false;
    std::optional<std::string> error_;

    QLabel* introduction_;
    QWidget* fields_;
    QLineEdit* address_;
    QLineEdit* username_;
    QLineEdit* password_;
    QLabel* blocked_;
    HTTPConnectionConsent* consent_;
    QLabel* errorLabel_;
    QPushButton* cancel_;
    QPushButton* connect_;
};

} // namespace sorvalind
