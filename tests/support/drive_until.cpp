#include "support/drive_until.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace sorvalind::test {

void driveUntil(ManualExecutor& main, const std::function<bool()>& done, std::chrono::milliseconds bound,
                std::source_location where) {
    main.runUntil(done, bound);
    main.runUntilIdle();
    if (done()) return;
    const std::string reason =
        "driveUntil: the awaited condition did not hold within " + std::to_string(bound.count()) + " ms";
    ADD_FAILURE_AT(where.file_name(), static_cast<int>(where.line())) << reason;
    std::fprintf(stderr, "%s:%u: %s\n", where.file_name(), static_cast<unsigned>(where.line()),
                 reason.c_str());
    std::fflush(nullptr);
    std::abort();
}

} // namespace sorvalind::test
