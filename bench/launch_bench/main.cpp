// A second launch (which finds the first running, asks it to come forward
// and ends) against the cheapest start the program has: the saved-connection
// check on an empty profile, which ends before anything of the application
// exists. Both are whole processes, timed from spawn to exit. Goal: the
// second launch within 1.5 times the check.
//   launch_bench <path of sorvalind> [runs]

#include "store_bench/bench_timing.h"
#include "support/child_process.h"
#include "support/paths.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <thread>

using namespace sorvalind;
using namespace std::chrono_literals;

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: launch_bench <sorvalind> [runs]\n");
        return 2;
    }
    const std::filesystem::path program = argv[1];
    const int runs = argc > 2 ? std::atoi(argv[2]) : 20;
    test::TempDir scratch;
    for (const char* folder : {"config", "data", "cache", "tmp", "run"})
        std::filesystem::create_directories(scratch.path() / folder);
    std::filesystem::permissions(scratch.path() / "run", std::filesystem::perms::owner_all);
    const std::vector<std::pair<std::string, std::string>> environment = {
        {"XDG_CONFIG_HOME", (scratch.path() / "config").string()},
        {"XDG_DATA_HOME", (scratch.path() / "data").string()},
        {"XDG_CACHE_HOME", (scratch.path() / "cache").string()},
        {"TMPDIR", (scratch.path() / "tmp").string()},
        {"XDG_RUNTIME_DIR", (scratch.path() / "run").string()},
        {"QT_QPA_PLATFORM", "offscreen"},
        {"DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent"},
    };

    test::ChildProcess first(program, {}, environment, scratch.path());
    // Serving once its socket is there.
    for (int i = 0; i < 1000; ++i) {
        bool found = false;
        for (const auto& entry : std::filesystem::directory_iterator(scratch.path() / "run"))
            found = found || entry.path().extension() == ".socket";
        if (found) break;
        std::this_thread::sleep_for(10ms);
    }

    const auto timed = [&](const std::vector<std::string>& arguments, int expected) {
        return [&, arguments, expected] {
            test::ChildProcess child(program, arguments, environment, scratch.path());
            if (child.wait(30s) != expected) {
                std::fprintf(stderr, "unexpected exit: %s\n", child.err().c_str());
                std::exit(1);
            }
        };
    };
    const auto check = timed({"--verify-saved-connection"}, 1);
    const auto second = timed({}, 0);
    check();
    second();
    bench::Samples floor;
    bench::Samples launch;
    for (int i = 0; i < runs; ++i) {
        auto begin = bench::Clock::now();
        check();
        floor.add(bench::secondsSince(begin));
        begin = bench::Clock::now();
        second();
        launch.add(bench::secondsSince(begin));
    }
    first.signal(SIGTERM);
    first.wait(5s);
    const double ratio = launch.median() / floor.median();
    std::printf("saved-connection check on an empty profile: median %.1f ms (floor)\n", floor.median() * 1e3);
    std::printf("second launch: median %.1f ms, p99 %.1f ms\n", launch.median() * 1e3, launch.p99() * 1e3);
    std::printf("second launch / floor: %.2fx (goal <= 1.5x) %s\n", ratio, ratio <= 1.5 ? "PASS" : "FAIL");
    return 0;
}
