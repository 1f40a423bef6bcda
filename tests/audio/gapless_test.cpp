// The gapless suite on the offline output: what the pipeline renders is
// compared frame by frame with the songs it was given.

#include "coded_songs.h"
#include "pipeline_rig.h"

#include "errors/audio_failure.h"
#include "errors/safe_error.h"
#include "platform/crypto/digest.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <future>
#include <numbers>

namespace sorvalind::testing {
namespace {

constexpr std::size_t tail = 9600;

// Waits until every entry has been decoded to its end.
void waitPrepared(const OfflineRig& rig, const std::string& token, const std::vector<QueueEntry>& entries) {
    for (const auto& entry : entries)
        rig.log.waitFor(token, Event::prepared(entry.id));
}

// Index of the entry's last position event; events.size() when none.
std::size_t lastPosition(const std::vector<Event>& events, const std::string& id) {
    for (std::size_t i = events.size(); i-- > 0;)
        if (events[i].kind == Kind::position && events[i].entryId == id) return i;
    return events.size();
}

PCMBuffer concatenated(const std::vector<std::pair<int, std::int64_t>>& songs) {
    PCMBuffer all;
    for (auto [song, frames] : songs)
        append(all, codedFrames(song, 0, frames));
    return all;
}

struct ChainCase {
    std::string name;
    std::vector<std::int64_t> lengths;
};

void PrintTo(const ChainCase& c, std::ostream* out) {
    *out << c.name;
}

class Chain : public ::testing::TestWithParam<ChainCase> {};

TEST_P(Chain, RendersTheSongsBackToBackThenSilence) {
    OfflineRig rig;
    std::vector<QueueEntry> entries;
    std::vector<AudioPipeline::Source> sources;
    std::vector<std::pair<int, std::int64_t>> songs;
    std::int64_t total = 0;
    for (std::size_t i = 0; i < GetParam().lengths.size(); ++i) {
        auto frames = GetParam().lengths[i];
        entries.push_back(songEntry(static_cast<int>(i)));
        sources.push_back(fileSource(entries.back(), codedFlac(static_cast<int>(i), frames)));
        songs.emplace_back(static_cast<int>(i), frames);
        total += frames;
    }
    auto token = randomUUID();
    rig.pipeline->start(sources, 0, true, token, false);
    waitPrepared(rig, token, entries);
    rig.render(static_cast<std::size_t>(total) + tail);
    rig.log.waitFor(token, Event::ended());

    PCMBuffer expected = concatenated(songs);
    append(expected, silence(tail));
    expectSameFrames(rig.output, expected);

    auto events = rig.log.of(token);
    EXPECT_EQ(events.back(), Event::ended());
    EXPECT_EQ(count(events, Event::ended()), 1u);
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const auto& id = entries[i].id;
        auto began = indexOf(events, Event::began(id));
        ASSERT_LT(began, events.size());
        EXPECT_EQ(count(events, Event::began(id)), 1u);
        // The song sounds once its first buffer has been played: after the
        // last position of the song before it, before its own positions.
        auto last = lastPosition(events, id);
        ASSERT_LT(last, events.size());
        EXPECT_NEAR(events[last].seconds, static_cast<double>(songs[i].second) / 48000, 1e-9) << "song " << i;
        EXPECT_LT(began, last);
        ASSERT_LT(began + 1, events.size());
        EXPECT_EQ(events[began + 1].kind, Kind::position);
        EXPECT_EQ(events[began + 1].entryId, id);
        EXPECT_LT(indexOf(events, Event::buffered(id)), began);
        if (i > 0) {
            EXPECT_LT(lastPosition(events, entries[i - 1].id), began);
        }
    }
    for (const auto& event : events)
        EXPECT_FALSE(event.kind == Kind::buffering && event.buffering) << "no underrun";
}

INSTANTIATE_TEST_SUITE_P(Gapless, Chain,
                         ::testing::Values(ChainCase{"TwoUnaligned", {100003, 77777}},
                                           ChainCase{"ShortBetweenLong", {50001, 1, 4097, 60013}},
                                           ChainCase{"WholeBuffers", {8192 * 3, 8192 * 2}}),
                         [](const auto& info) { return info.param.name; });

struct SpliceCase {
    std::string name;
    bool paused;
    // Frames rendered before the splice: negative counts from the end of A.
    std::int64_t at;
};

void PrintTo(const SpliceCase& c, std::ostream* out) {
    *out << c.name;
}

class Splice : public ::testing::TestWithParam<SpliceCase> {};

// A then B is planned; C replaces B while A plays or is paused. Whatever
// the moment, all of A plays, then C, with no gap and nothing twice.
TEST_P(Splice, PlaysAllOfTheSoundingSongThenTheNewNext) {
    const std::int64_t lengthA = 100003, lengthB = 30011, lengthC = 40009;
    OfflineRig rig;
    auto a = songEntry(0), b = songEntry(1), c = songEntry(2);
    auto sourceA = fileSource(a, codedFlac(0, lengthA));
    auto token = randomUUID();
    rig.pipeline->start({sourceA, fileSource(b, codedFlac(1, lengthB))}, 0, true, token, false);
    waitPrepared(rig, token, {a, b});

    auto at = GetParam().at >= 0 ? GetParam().at : lengthA + GetParam().at;
    rig.render(static_cast<std::size_t>(at));
    if (GetParam().paused) {
        rig.pipeline->pause();
        waitForNode(*rig.pipeline, false);
    }
    rig.pipeline->updateUpcoming({sourceA, fileSource(c, codedFlac(2, lengthC))}, token, false);
    rig.log.waitFor(token, Event::prepared(c.id));
    if (GetParam().paused) {
        rig.pipeline->resume();
        waitForNode(*rig.pipeline, true);
    }
    rig.render(static_cast<std::size_t>(lengthA - at + lengthC) + tail);
    rig.log.waitFor(token, Event::ended());

    PCMBuffer expected = concatenated({{0, lengthA}, {2, lengthC}});
    append(expected, silence(tail));
    expectSameFrames(rig.output, expected);
    auto events = rig.log.of(token);
    EXPECT_EQ(count(events, Event::began(b.id)), 0u);
    EXPECT_EQ(count(events, Event::began(c.id)), 1u);
    EXPECT_NEAR(events[lastPosition(events, a.id)].seconds, static_cast<double>(lengthA) / 48000, 1e-9);
}

INSTANTIATE_TEST_SUITE_P(Gapless, Splice,
                         ::testing::Values(SpliceCase{"PausedAtBufferEdge", true, 8192 * 3},
                                           SpliceCase{"PausedInsideBuffer", true, 8192 * 3 + 1001},
                                           SpliceCase{"PausedOneFrameBeforeEnd", true, -1},
                                           SpliceCase{"PlayingAtBufferEdge", false, 8192 * 3},
                                           SpliceCase{"PlayingInsideBuffer", false, 8192 * 3 + 1001},
                                           SpliceCase{"PlayingOneFrameBeforeEnd", false, -1},
                                           SpliceCase{"PlayingAtStart", false, 0}),
                         [](const auto& info) { return info.param.name; });

TEST(Gapless, RepeatOnePlaysTheSongAgainWithoutAGap) {
    const std::int64_t length = 100003;
    OfflineRig rig;
    auto a = songEntry(0);
    auto token = randomUUID();
    rig.pipeline->start({fileSource(a, codedFlac(0, length))}, 0, true, token, true);
    rig.log.waitFor(token, Event::prepared(a.id), 3);
    rig.render(static_cast<std::size_t>(3 * length));
    rig.log.waitFor(token, Event::began(a.id), 3);

    expectSameFrames(rig.output, concatenated({{0, length}, {0, length}, {0, length}}));
    EXPECT_EQ(count(rig.log.of(token), Event::ended()), 0u);
}

// A context whose songs all decode to nothing would be reopened at the same
// frame for ever under repeat: the run fails instead. One song with audio
// in the context keeps it going.
TEST(Gapless, RepeatOverSongsWithoutAudioFails) {
    OfflineRig rig;
    auto empty = songEntry(0), alsoEmpty = songEntry(1);
    auto token = randomUUID();
    rig.pipeline->start({fileSource(empty, emptyWav(0)), fileSource(alsoEmpty, emptyWav(1))}, 0, true, token,
                        true);
    rig.log.waitFor(token, Event::failed(SafeError::message(AudioFailure::invalidResponse())));
    auto events = rig.log.of(token);
    EXPECT_EQ(count(events, Event::prepared(empty.id)), 1u);
    EXPECT_EQ(count(events, Event::prepared(alsoEmpty.id)), 0u);

    OfflineRig mixed;
    auto song = songEntry(2);
    auto other = randomUUID();
    mixed.pipeline->start({fileSource(empty, emptyWav(0)), fileSource(song, codedFlac(2, 20011))}, 0, true,
                          other, true);
    mixed.log.waitFor(other, Event::prepared(song.id), 2);
    mixed.render(2 * 20011);
    expectSameFrames(mixed.output, concatenated({{2, 20011}, {2, 20011}}));
    EXPECT_EQ(count(mixed.log.of(other), Event::failed(SafeError::message(AudioFailure::invalidResponse()))),
              0u);
}

TEST(Gapless, ASongWithoutAudioAtTheEndOfTheChainEndsIt) {
    OfflineRig rig;
    auto a = songEntry(0), empty = songEntry(1);
    auto token = randomUUID();
    rig.pipeline->start({fileSource(a, codedFlac(0, 20011)), fileSource(empty, emptyWav(1))}, 0, true, token,
                        false);
    waitPrepared(rig, token, {a, empty});
    rig.render(20011 + tail);
    rig.log.waitFor(token, Event::ended());
    PCMBuffer expected = codedFrames(0, 0, 20011);
    append(expected, silence(tail));
    expectSameFrames(rig.output, expected);
}

// Songs at 44100 Hz are resampled each by its own converter: each keeps its
// length in time, and the sine runs on across the join except where the
// converters ring at the edges.
TEST(Gapless, ResampledSongsJoinWithoutAGap) {
    const std::vector<std::int64_t> lengths = {100003, 54321};
    OfflineRig rig;
    std::vector<QueueEntry> entries;
    std::vector<AudioPipeline::Source> sources;
    for (auto frames : lengths) {
        entries.push_back(songEntry(static_cast<int>(entries.size())));
        sources.push_back(fileSource(entries.back(), sineFlac44100(frames)));
    }
    auto token = randomUUID();
    rig.pipeline->start(sources, 0, true, token, false);
    waitPrepared(rig, token, entries);
    rig.render(200000);
    rig.log.waitFor(token, Event::ended());

    // Each song's length, from the position of its last buffer.
    auto events = rig.log.of(token);
    std::vector<std::int64_t> starts = {0};
    for (std::size_t i = 0; i < entries.size(); ++i) {
        double last = 0;
        for (const auto& event : events)
            if (event.kind == Kind::position && event.entryId == entries[i].id) last = event.seconds;
        auto frames = static_cast<std::int64_t>(std::llround(last * 48000));
        EXPECT_NEAR(frames, std::llround(static_cast<double>(lengths[i]) * 48000 / 44100), 1) << "song " << i;
        starts.push_back(starts.back() + frames);
    }
    auto ideal = [](std::int64_t frame) {
        return 0.5 * std::sin(2 * std::numbers::pi * 441.0 * static_cast<double>(frame) / 48000.0);
    };
    for (std::size_t i = 0; i < entries.size(); ++i) {
        // Where the song starts, to a frame, is what fits the sine best.
        double best = 1;
        for (std::int64_t shift = -1; shift <= 1; ++shift) {
            double worst = 0;
            for (auto frame = starts[i] + 64; frame < starts[i + 1] - 64; ++frame)
                worst = std::max(worst, std::abs(rig.output.channels[0][static_cast<std::size_t>(frame)] -
                                                 ideal(frame - starts[i] - shift)));
            best = std::min(best, worst);
        }
        EXPECT_LT(best, 1e-3) << "song " << i;
    }
    // No gap: the join is not silent.
    for (auto frame = starts[1] - 8; frame < starts[1] + 8; ++frame) {
        if (std::abs(ideal(frame - starts[1])) > 0.05 && std::abs(ideal(frame - starts[0])) > 0.05) {
            EXPECT_NE(rig.output.channels[0][static_cast<std::size_t>(frame)], 0.0f) << frame;
        }
    }
}

} // namespace
} // namespace sorvalind::testing

namespace sorvalind::testing {
namespace {

// A song that cannot be opened fails the run with its user text; what was
// scheduled before it still plays to its end.
TEST(PipelineRuns, AFailedSongEndsTheChainAfterWhatIsScheduled) {
    OfflineRig rig;
    auto a = songEntry(0), broken = songEntry(1);
    AudioPipeline::Source unreachable(
        broken, [](double) -> AudioPipeline::ResolvedSource { throw AudioFailure::rangeUnavailable(); });
    auto token = randomUUID();
    rig.pipeline->start({fileSource(a, codedFlac(0, 20011)), unreachable}, 0, true, token, false);
    rig.log.waitFor(token, Event::failed(SafeError::message(AudioFailure::rangeUnavailable())));
    rig.render(20011 + tail);
    rig.log.waitFor(token, Event::bufferingChanged(a.id, true));
    PCMBuffer expected = codedFrames(0, 0, 20011);
    append(expected, silence(tail));
    expectSameFrames(rig.output, expected);
    EXPECT_EQ(count(rig.log.of(token), Event::ended()), 0u);
}

// A run that is stopped while its first song is still being resolved says
// nothing more, even when that song then fails; the next run plays.
TEST(PipelineRuns, AStoppedRunStaysSilent) {
    OfflineRig rig;
    std::promise<void> resolve;
    std::shared_future<void> mayResolve = resolve.get_future().share();
    std::atomic<bool> resolving{false};
    auto a = songEntry(0), b = songEntry(1);
    AudioPipeline::Source slow(a, [mayResolve, &resolving](double) -> AudioPipeline::ResolvedSource {
        resolving = true;
        mayResolve.wait();
        throw AudioFailure::invalidResponse();
    });
    auto stopped = randomUUID(), next = randomUUID();
    rig.pipeline->start({slow}, 0, true, stopped, false);
    waitUntil([&] { return resolving.load(); }, "resolved the first song");
    rig.pipeline->stop();
    rig.pipeline->start({}, 0, true, randomUUID(), false);
    rig.pipeline->start({fileSource(b, codedFlac(1, 9001))}, 0, true, next, false);
    // Only once the control queue has taken the stop is the first run over:
    // a failure before that is still that run's own to report.
    waitUntil([&] { return rig.pipeline->entry(b.id).has_value(); }, "started the next run");
    resolve.set_value();
    rig.log.waitFor(next, Event::prepared(b.id));
    rig.render(9001);
    rig.log.waitFor(next, Event::ended());
    EXPECT_TRUE(rig.log.of(stopped).empty());
    expectSameFrames(rig.output, codedFrames(1, 0, 9001));
}

} // namespace
} // namespace sorvalind::testing
