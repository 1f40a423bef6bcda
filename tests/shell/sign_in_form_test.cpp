// The sign-in form over a real coordinator and the loopback server: its HTTP
// rows and Connect's enabling as the user types, a failed and a successful
// sign-in, the prefill, the missing-password state and the keys.

#include "forms_fixture.h"
#include "shell/qt_text.h"

#include "shell/http_consent_view.h"
#include "shell/sign_in_form.h"
#include "shell/sign_in_texts.h"

#include "model/http_connection_consent_texts.h"

#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace sorvalind::test {
namespace {

struct SignInForm : FormsFixture {
    std::unique_ptr<ConnectionSettingsView> form;

    void open() {
        form = std::make_unique<ConnectionSettingsView>(coordinator);
        form->resize(640, 420);
        form->show();
        settle();
    }
    void fill(const std::string& address, const std::string& user = "alice",
              const std::string& password = "sesame") {
        form->addressField()->setText(QString::fromStdString(address));
        form->usernameField()->setText(QString::fromStdString(user));
        form->passwordField()->setText(QString::fromStdString(password));
        settle();
    }
    void press(int key) {
        QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(form->passwordField(), &event);
    }
    void connectAndWait() {
        form->connectButton()->click();
        driveUI([&] { return !form->isWorking(); });
    }
};

TEST_F(SignInForm, ShowsTheHTTPRowsAndEnablesConnectByTheAddress) {
    makeCoordinator();
    launch();
    open();
    struct Case {
        const char* address;
        bool consent;
        bool blocked;
        bool enabled;
    };
    const Case cases[] = {
        {"https://music.example.com", false, false, true},
        {" http://192.168.1.5:4533/ ", true, false, false},
        {"HTTP://10.0.0.2", true, false, false},
        {"http://[fd00::1]/", true, false, false},
        {"http://music.example.com", false, true, false},
        {"localhost:4533", false, false, true},
        {"not a url", false, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.address);
        fill(c.address);
        EXPECT_EQ(form->consent()->isVisible(), c.consent);
        EXPECT_EQ(form->blockedLabel()->isVisible(), c.blocked);
        EXPECT_EQ(form->connectButton()->isEnabled(), c.enabled);
    }
    fill("http://music.example.com");
    screenshot(*form, "sign_in_blocked");

    // Consent enables Connect for exactly the address it was given for.
    fill("http://192.168.1.5:4533");
    ASSERT_FALSE(form->consent()->accepted());
    form->consent()->toggle()->click();
    settle();
    EXPECT_TRUE(form->allowsHTTP());
    EXPECT_TRUE(form->connectButton()->isEnabled());
    EXPECT_EQ(form->consent()->warningLabel()->text(), toQString(HTTPConnectionConsentTexts::warning));
    screenshot(*form, "sign_in_consent");
    form->addressField()->end(false);
    form->addressField()->insert("0");
    settle();
    EXPECT_FALSE(form->allowsHTTP());
    EXPECT_FALSE(form->consent()->accepted());
    EXPECT_FALSE(form->connectButton()->isEnabled());

    // Without a field, no Connect.
    fill("https://music.example.com", "alice", "");
    EXPECT_FALSE(form->connectButton()->isEnabled());
}

TEST_F(SignInForm, AFailureKeepsTheFieldsAndASuccessClearsThePassword) {
    makeCoordinator();
    launch();
    open();
    EXPECT_EQ(form->introduction()->text(), toQString(SignInTexts::introduction));
    EXPECT_EQ(form->addressField()->placeholderText(), toQString(SignInTexts::addressPlaceholder));
    // The first-run page has nothing to go back to.
    EXPECT_FALSE(form->cancelButton()->isVisible());

    // Blanks pass the form's own test; the sign-in refuses them.
    fill("   ");
    ASSERT_TRUE(form->connectButton()->isEnabled());
    form->connectButton()->click();
    EXPECT_TRUE(form->isWorking());
    EXPECT_EQ(form->connectButton()->text(), toQString(SignInTexts::connecting));
    EXPECT_FALSE(form->addressField()->isEnabled());
    EXPECT_FALSE(form->connectButton()->isEnabled());
    driveUI([&] { return !form->isWorking(); });
    ASSERT_TRUE(form->error());
    EXPECT_TRUE(form->errorLabel()->isVisible());
    EXPECT_EQ(form->errorLabel()->text().toStdString(), *form->error());
    EXPECT_EQ(form->passwordField()->text(), QStringLiteral("sesame"));
    EXPECT_EQ(form->addressField()->text(), QStringLiteral("   "));
    screenshot(*form, "sign_in_error");

    // A wrong password: the server's refusal, shown; a new attempt clears it.
    fill(server->baseUrl(), "alice", "wrong");
    form->consent()->toggle()->click();
    connectAndWait();
    ASSERT_TRUE(form->error());
    const std::string refused = *form->error();
    EXPECT_EQ(form->passwordField()->text(), QStringLiteral("wrong"));

    form->passwordField()->setText("sesame");
    settle();
    // The consent stays: only the address withdraws it.
    ASSERT_TRUE(form->connectButton()->isEnabled());
    form->connectButton()->click();
    EXPECT_FALSE(form->error());
    driveUI([&] { return !form->isWorking(); });
    EXPECT_FALSE(form->error()) << *form->error();
    EXPECT_TRUE(form->passwordField()->text().isEmpty());
    EXPECT_EQ(form->addressField()->text().toStdString(), server->baseUrl());
    EXPECT_EQ(form->usernameField()->text(), QStringLiteral("alice"));
    ASSERT_TRUE(current());
    ASSERT_TRUE(current()->configuration());
    EXPECT_EQ(current()->configuration()->username(), "alice");
    drive([&] { return !current()->syncing().value(); });
}

TEST_F(SignInForm, ReopeningPrefillsTheServerAndAsksForConsentAgain) {
    makeCoordinator();
    launch();
    ASSERT_EQ(connect(), nullptr);
    coordinator->setConnectionPresented(true);
    QWidget window;
    window.resize(640, 420);
    auto* view = new ConnectionSettingsView(coordinator, &window);
    view->resize(640, 420);
    window.show();
    settle();
    EXPECT_EQ(view->addressField()->text().toStdString(), server->baseUrl());
    EXPECT_EQ(view->usernameField()->text(), QStringLiteral("alice"));
    EXPECT_TRUE(view->passwordField()->text().isEmpty());
    EXPECT_TRUE(view->consent()->isVisible());
    EXPECT_FALSE(view->consent()->accepted());
    ASSERT_TRUE(view->cancelButton()->isVisible());

    // Minimising and restoring the window keeps what was typed.
    view->addressField()->setText("https://changed.example.com");
    view->passwordField()->setText("typed");
    window.setWindowState(Qt::WindowMinimized);
    settle();
    window.setWindowState(Qt::WindowNoState);
    window.show();
    settle();
    EXPECT_EQ(view->addressField()->text(), QStringLiteral("https://changed.example.com"));
    EXPECT_EQ(view->passwordField()->text(), QStringLiteral("typed"));

    // Escape is Cancel: the password goes, the settings page shows its summary.
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(view->passwordField(), &escape);
    settle();
    EXPECT_TRUE(view->passwordField()->text().isEmpty());
    EXPECT_FALSE(coordinator->connectionPresented().value());

    // Leaving the form by the application's hand clears the password; coming
    // back prefills the saved server again.
    view->passwordField()->setText("typed");
    view->hide();
    EXPECT_TRUE(view->passwordField()->text().isEmpty());
    view->show();
    settle();
    EXPECT_EQ(view->addressField()->text().toStdString(), server->baseUrl());
}

TEST_F(SignInForm, ReturnConnectsAndEscapeDoesNothingWithoutCancel) {
    makeCoordinator();
    launch();
    open();
    fill("https://music.example.com", "alice", "");
    press(Qt::Key_Return);
    EXPECT_FALSE(form->isWorking());
    press(Qt::Key_Escape);
    EXPECT_TRUE(form->isVisible());

    fill(server->baseUrl());
    form->consent()->toggle()->click();
    settle();
    press(Qt::Key_Return);
    EXPECT_TRUE(form->isWorking());
    driveUI([&] { return !form->isWorking(); });
    EXPECT_FALSE(form->error());
    drive([&] { return !current()->syncing().value(); });
}

TEST_F(SignInForm, AMissingPasswordAsksForItWithoutCancel) {
    saveServer(configuration());
    keyringFailure = std::make_exception_ptr(CredentialError::status(CredentialError::itemNotFound));
    makeCoordinator();
    launch();
    ASSERT_TRUE(current());
    ASSERT_TRUE(current()->credentialsMissing().value());

    QWidget window;
    window.resize(640, 420);
    form = std::make_unique<ConnectionSettingsView>(coordinator, &window);
    form->resize(640, 420);
    window.show();
    window.activateWindow();
    settle();
    EXPECT_EQ(form->introduction()->text(), toQString(SignInTexts::passwordMissing));
    EXPECT_EQ(form->addressField()->text().toStdString(), server->baseUrl());
    EXPECT_TRUE(form->passwordField()->hasFocus() || window.focusWidget() == form->passwordField());
    EXPECT_FALSE(form->cancelButton()->isVisible());
    form.reset();
}

} // namespace
} // namespace sorvalind::test
