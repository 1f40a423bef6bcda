// The responsiveness probe: its log file (created private, emptied, absolute
// paths only) and its arithmetic on synthetic timer firings.

#include "shell/probe_log_file.h"
#include "shell/probe_sampler.h"
#include "shell/ui_responsiveness_probe.h"

#include "loopback/audio/audio_fixtures.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <sys/stat.h>

namespace sorvalind::test {
namespace {

std::string contents(const std::filesystem::path& file) {
    std::ifstream in(file);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

struct ProbeFile : ::testing::Test {
    std::filesystem::path folder = fixtures::temporaryFolder("probe");
    ~ProbeFile() override { std::filesystem::remove_all(folder); }
};

TEST_F(ProbeFile, ALongerOldLogIsEmptiedAndMadePrivate) {
    const auto file = folder / "probe.jsonl";
    std::ofstream(file) << std::string(4096, 'x') << "\n";
    ::chmod(file.c_str(), 0644);
    {
        auto log = ProbeLogFile::open(file.string());
        ASSERT_TRUE(log);
        log->append(R"({"event":"started"})");
    }
    EXPECT_EQ(contents(file), "{\"event\":\"started\"}\n");
    struct stat status {};
    ASSERT_EQ(::stat(file.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0600u);

    const auto fresh = folder / "fresh.jsonl";
    ASSERT_TRUE(ProbeLogFile::open(fresh.string()));
    ASSERT_EQ(::stat(fresh.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0600u);
}

TEST_F(ProbeFile, NoProbeWithoutAnAbsolutePathItCanOpen) {
    const auto cwd = std::filesystem::current_path();
    std::filesystem::current_path(folder);
    for (const std::string path : {"", "probe.jsonl", "./probe.jsonl", "~/probe.jsonl"}) {
        SCOPED_TRACE(path);
        EXPECT_FALSE(ProbeLogFile::open(path));
    }
    EXPECT_FALSE(ProbeLogFile::open((folder / "missing" / "probe.jsonl").string()));
    std::filesystem::current_path(cwd);
    EXPECT_TRUE(std::filesystem::is_empty(folder));

    // Unset, the probe does not start at all.
    ::unsetenv(ProbeLogFile::variable);
    EXPECT_EQ(UIResponsivenessProbe::startIfConfigured(), nullptr);
    ::setenv(ProbeLogFile::variable, "relative.jsonl", 1);
    EXPECT_EQ(UIResponsivenessProbe::startIfConfigured(), nullptr);
    ::unsetenv(ProbeLogFile::variable);
}

TEST(ProbeSampler, P95PicksTheIndexOfTheTruncatedProduct) {
    struct Case {
        std::size_t samples;
        std::size_t index;
    };
    for (const Case c :
         {Case{1, 0}, Case{2, 1}, Case{10, 9}, Case{20, 19}, Case{60, 57}, Case{100, 95}, Case{121, 114}}) {
        SCOPED_TRACE(c.samples);
        std::vector<double> sorted;
        for (std::size_t i = 0; i < c.samples; ++i)
            sorted.push_back(static_cast<double>(i + 1));
        const auto beat = ProbeSampler::summarise(sorted);
        EXPECT_EQ(beat.p95, static_cast<double>(c.index + 1));
        EXPECT_EQ(beat.samples, c.samples);
        EXPECT_EQ(beat.max, static_cast<double>(c.samples));
    }
}

TEST(ProbeSampler, ThresholdsAreStrictAndOnlyCountedIntervalsReport) {
    std::vector<std::string> lines;
    ProbeSampler sampler(100.0, [&](std::string line) { lines.push_back(std::move(line)); });
    // Intervals of exactly 50, 33.3 and 100 ms count nowhere; 50.5, 33.4
    // and 100.5 do. Times are sums of exact binary fractions where it matters.
    double now = 100.0;
    const auto step = [&](double ms, bool counting) {
        now += ms / 1000;
        sampler.tick(now, counting);
    };
    step(8, true);
    step(500, false); // not sampling: no stall, no interval
    EXPECT_TRUE(lines.empty());
    step(50.5, true);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find("\"event\":\"stall\""), std::string::npos);
    step(33.4, true);
    step(100.5, true);
    step(8, true);
    step(400, false); // the one-second window ends here
    ASSERT_EQ(lines.size(), 3u);
    const std::string& heartbeat = lines.back();
    EXPECT_NE(heartbeat.find("\"event\":\"heartbeat\""), std::string::npos) << heartbeat;
    EXPECT_NE(heartbeat.find("\"samples\":5"), std::string::npos) << heartbeat;
    EXPECT_NE(heartbeat.find("\"over_33ms\":3"), std::string::npos) << heartbeat;
    EXPECT_NE(heartbeat.find("\"over_100ms\":1"), std::string::npos) << heartbeat;

    // Exact edges through summarise(): at the threshold is not over it.
    const auto beat = ProbeSampler::summarise({10, 33.3, 50, 100});
    EXPECT_EQ(beat.over33, 2u);
    EXPECT_EQ(beat.over100, 0u);

    // A window without counted intervals writes no heartbeat but restarts.
    lines.clear();
    step(1200, false);
    EXPECT_TRUE(lines.empty());
}

TEST(ProbeSampler, LinesAreJsonWithLocaleFreeNumbers) {
    EXPECT_EQ(ProbeSampler::line("stall", 12.5, {{"duration_ms", ProbeSampler::number(51.25)}}),
              R"({"event":"stall","uptime":12.5,"duration_ms":51.25})");
    EXPECT_EQ(ProbeSampler::line("started", 3), R"({"event":"started","uptime":3})");
}

TEST(ProbeLatency, WrapsModuloTwoToTheThirtyTwoAndNeverGoesNegative) {
    struct Case {
        std::uint32_t now;
        std::uint32_t event;
        double latency;
    };
    for (const Case c : {Case{1000, 990, 10}, Case{5, 0xFFFFFFFBu, 10}, Case{990, 1000, 0}, Case{7, 7, 0}}) {
        SCOPED_TRACE(std::to_string(c.now) + " " + std::to_string(c.event));
        EXPECT_EQ(UIResponsivenessProbe::latencyMilliseconds(c.now, c.event), c.latency);
    }
}

} // namespace
} // namespace sorvalind::test
