// The offscreen application every test of this program draws in.

#include "support/widgets/offscreen_application.h"

namespace {
const bool registered = (sorvalind::test::registerOffscreenApplication("test_player"), true);
} // namespace
