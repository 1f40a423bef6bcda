#include "support/widgets/offscreen_application.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFont>
#include <QLocale>
#include <QStyle>
#include <QStyleFactory>

#include <cstdlib>
#include <memory>

namespace sorvalind::test {

namespace {

class OffscreenApplication : public ::testing::Environment {
public:
    explicit OffscreenApplication(const char* programName) : name_(const_cast<char*>(programName)) {}

    void SetUp() override {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        qputenv("QT_SCALE_FACTOR", "1");
        qputenv("QT_ENABLE_HIGHDPI_SCALING", "0");
        qputenv("LANG", "en_US.UTF-8");
        qputenv("LC_ALL", "en_US.UTF-8");
        // The desktop's own theme and settings must not reach the tests.
        qunsetenv("QT_QPA_PLATFORMTHEME");
        qunsetenv("QT_STYLE_OVERRIDE");
        static int argc = 1;
        static char* argv[] = {name_, nullptr};
        application_ = std::make_unique<QApplication>(argc, argv);
        QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
        QApplication::setPalette(QApplication::style()->standardPalette());
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setPointSize(10);
        QApplication::setFont(font);
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        for (auto effect : {Qt::UI_AnimateMenu, Qt::UI_FadeMenu, Qt::UI_AnimateCombo, Qt::UI_AnimateTooltip,
                            Qt::UI_FadeTooltip, Qt::UI_AnimateToolBox, Qt::UI_General})
            QApplication::setEffectEnabled(effect, false);
        QApplication::setCursorFlashTime(0);
    }
    void TearDown() override { application_.reset(); }

private:
    char* name_;
    std::unique_ptr<QApplication> application_;
};

} // namespace

void registerOffscreenApplication(const char* programName) {
    ::testing::AddGlobalTestEnvironment(new OffscreenApplication(programName));
}

} // namespace sorvalind::test
