// No text the forms and pages show names another platform's computer, file
// manager, password store or keys: every label, button, tooltip, title,
// placeholder, list entry and message of the views is scanned.

#include "forms_fixture.h"

#include "shell/help_topics.h"
#include "shell/help_window.h"
#include "shell/reset_views.h"
#include "shell/settings_page.h"
#include "shell/sign_in_texts.h"
#include "shell/startup_failure_view.h"

#include "kit/artist_biography_view.h"
#include "kit/key_table.h"
#include "model/artist_biography_texts.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>

namespace sorvalind::test {
namespace {

const char* const foreignWords[] = {"Mac", "Finder", "Keychain", "Command", "⌘", "⌃", "⌥", "⇧"};

// Every text `root` and its descendants show or announce.
QStringList textsOf(QWidget& root) {
    QStringList texts;
    QList<QWidget*> widgets = root.findChildren<QWidget*>();
    widgets.prepend(&root);
    for (QWidget* widget : widgets) {
        texts << widget->toolTip() << widget->accessibleName() << widget->accessibleDescription()
              << widget->windowTitle();
        if (auto* label = qobject_cast<QLabel*>(widget)) texts << label->text();
        if (auto* button = qobject_cast<QAbstractButton*>(widget)) texts << button->text();
        if (auto* field = qobject_cast<QLineEdit*>(widget)) texts << field->placeholderText();
        if (auto* box = qobject_cast<QGroupBox*>(widget)) texts << box->title();
        if (auto* text = qobject_cast<QPlainTextEdit*>(widget)) texts << text->toPlainText();
        if (auto* message = qobject_cast<QMessageBox*>(widget))
            texts << message->text() << message->informativeText();
        if (auto* combo = qobject_cast<QComboBox*>(widget))
            for (int i = 0; i < combo->count(); ++i)
                texts << combo->itemText(i);
        if (auto* list = qobject_cast<QListWidget*>(widget))
            for (int i = 0; i < list->count(); ++i)
                texts << list->item(i)->text();
    }
    texts.removeAll(QString());
    return texts;
}

void expectLinuxWording(const QStringList& texts, const char* where) {
    SCOPED_TRACE(where);
    EXPECT_FALSE(texts.isEmpty());
    for (const QString& text : texts)
        for (const char* word : foreignWords)
            EXPECT_FALSE(text.contains(QString::fromUtf8(word))) << word << " in: " << text.toStdString();
}

struct LinuxWording : FormsFixture {};

TEST_F(LinuxWording, NoViewNamesAnotherPlatform) {
    makeCoordinator();
    launch();
    {
        // The first-run page's form inside the settings page, then the
        // summary with the reset confirmation open.
        SettingsView page(current(), coordinator, workspace);
        page.resize(1000, 900);
        page.show();
        settle();
        expectLinuxWording(textsOf(page), "settings without a server");
    }
    ASSERT_EQ(connect(), nullptr);
    {
        QWidget window;
        auto* page = new SettingsView(current(), coordinator, workspace, &window);
        page->resize(1000, 900);
        window.show();
        settle();
        page->resetButton()->click();
        settle();
        ASSERT_NE(page->resetButton()->confirmation(), nullptr);
        expectLinuxWording(textsOf(window), "settings with a server");
        expectLinuxWording(textsOf(*page->resetButton()->confirmation()), "reset confirmation");
        page->resetButton()->confirmation()->reject();
        settle();
    }
    {
        AppStartupFailure failure(coordinator);
        expectLinuxWording(textsOf(failure), "start-up failure");
    }
    for (HelpTopic topic : HelpTopics::all()) {
        HelpView help;
        help.select(topic);
        expectLinuxWording(textsOf(help), std::string(HelpTopics::title(topic)).c_str());
    }
    {
        QWidget window;
        ArtistBiographyPage sheet("An Artist", "A biography.", &window);
        expectLinuxWording(textsOf(sheet), "biography sheet");
    }
    QStringList fixed = {
        QString::fromUtf8(SignInTexts::introduction.data(), SignInTexts::introduction.size()),
        QString::fromUtf8(SignInTexts::passwordMissing.data(), SignInTexts::passwordMissing.size()),
        QString::fromStdString(ArtistBiographyTexts::readMoreAccessibilityLabel("An Artist"))};
    for (const KeyBinding& binding : keyTable())
        fixed << QString::fromUtf8(binding.action) << binding.keysText();
    expectLinuxWording(fixed, "fixed texts");
}

} // namespace
} // namespace sorvalind::test
