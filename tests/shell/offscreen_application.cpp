// One offscreen QApplication for every test of this program, set up as a
// person's screen would not vary: Fusion, scale 1, DejaVu, en_US.

#include <gtest/gtest.h>

#include <QApplication>
#include <QFont>
#include <QLocale>
#include <QStyleFactory>

#include <memory>

namespace {

class OffscreenApplication : public ::testing::Environment {
public:
    void SetUp() override {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        qputenv("QT_SCALE_FACTOR", "1");
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        static int argc = 1;
        static char name[] = "test_shell";
        static char* argv[] = {name, nullptr};
        application_ = std::make_unique<QApplication>(argc, argv);
        QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
        QApplication::setFont(QFont(QStringLiteral("DejaVu Sans"), 10));
        QApplication::setEffectEnabled(Qt::UI_AnimateCombo, false);
        QApplication::setCursorFlashTime(0);
    }
    void TearDown() override { application_.reset(); }

private:
    std::unique_ptr<QApplication> application_;
};

const auto* registered = ::testing::AddGlobalTestEnvironment(new OffscreenApplication);

} // namespace
