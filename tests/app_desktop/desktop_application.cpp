// One offscreen QGuiApplication for every test of this program: the
// clipboard, timers and queued calls need it.

#include <gtest/gtest.h>

#include <QGuiApplication>

#include <memory>

namespace {

class DesktopApplication : public ::testing::Environment {
public:
    void SetUp() override {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "test_app_desktop";
        static char* argv[] = {name, nullptr};
        application_ = std::make_unique<QGuiApplication>(argc, argv);
    }
    void TearDown() override { application_.reset(); }

private:
    std::unique_ptr<QGuiApplication> application_;
};

const auto* registered = ::testing::AddGlobalTestEnvironment(new DesktopApplication);

} // namespace
