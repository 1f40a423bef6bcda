// A second launch (which finds the first running, asks it to come forward
// and ends) against the cheapest start the program has: the saved-connection
// check on an empty profile, which ends before anything of the application
// exists. Both are whole processes, timed from spawn to exit. Goal: the
// second launch within 1.5 times the check.
//   launch_bench <path of sorvalind> [runs]

#include "store_bench/bench_timing.h"
#include "support/program_profile.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>

using namespace sorvalind;
using namespace std::chrono_literals;

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: launch_bench <sorvalind> [runs]\n");
        return 2;
    }
    const std::filesystem::path program = argv[1];
    const int runs = argc > 2 ? std::atoi(argv[2]) : 20;
    const test::ProgramProfile profile(program);
    const auto first = profile.start();
    if (!profile.waitUntilServing(*first)) {
        std::fprintf(stderr, "the first instance did not start: %s\n", first->err().c_str());
        return 1;
    }

    const auto timed = [&](const std::vector<std::string>& arguments, int expected) {
        return [&, arguments, expected] {
            const auto child = profile.start(arguments);
            if (child->wait(30s) != expected) {
                std::fprintf(stderr, "unexpected exit: %s\n", child->err().c_str());
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
    first->signal(SIGTERM);
    first->wait(5s);
    const double ratio = launch.median() / floor.median();
    std::printf("saved-connection check on an empty profile: median %.1f ms (floor)\n", floor.median() * 1e3);
    std::printf("second launch: median %.1f ms, p99 %.1f ms\n", launch.median() * 1e3, launch.p99() * 1e3);
    std::printf("second launch / floor: %.2fx (goal <= 1.5x) %s\n", ratio, ratio <= 1.5 ? "PASS" : "FAIL");
    return 0;
}
