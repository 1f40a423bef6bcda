// Coming back to the application: the first state is the start, not a
// return; each later change into the active state counts once.

#include "kit/window_activity.h"

#include <gtest/gtest.h>

#include <QSignalSpy>

#include <vector>

namespace sorvalind::test {
namespace {

TEST(WindowActivity, CountsEachReturnToTheActiveStateAfterTheFirstValue) {
    using S = Qt::ApplicationState;
    const S active = Qt::ApplicationActive;
    const S inactive = Qt::ApplicationInactive;
    const S hidden = Qt::ApplicationHidden;
    const struct {
        std::vector<S> states;
        int returns;
    } cases[] = {
        {{active}, 0},
        {{inactive}, 0},
        {{inactive, active}, 1},
        {{active, active}, 0},
        {{active, inactive, active}, 1},
        {{inactive, hidden, active, inactive, active}, 2},
        {{active, hidden, inactive}, 0},
    };
    for (const auto& c : cases) {
        WindowActivity activity;
        QSignalSpy returns(&activity, &WindowActivity::becameActive);
        for (const S state : c.states)
            activity.observe(state);
        EXPECT_EQ(returns.count(), c.returns) << "case with " << c.states.size() << " states";
    }
}

} // namespace
} // namespace sorvalind::test
