// The pipeline's control calls meeting a decoder at work: a new run while
// the decoder waits for room ahead of the sound, and updates of what follows
// the playing song while it still decodes, without naming it, or from a run
// that is no longer current. What is rendered is compared frame by frame.

#include "coded_songs.h"
#include "pipeline_rig.h"

#include "platform/crypto/digest.h"

#include <gtest/gtest.h>

namespace sorvalind::testing {
namespace {

constexpr std::size_t silenceAfter = 9600;
// Longer than the lead the decoder keeps scheduled ahead of the sound, so
// with nothing rendered it stops short of the song's end and waits.
constexpr std::int64_t longerThanTheLead = AudioPipeline::aheadFrames + 80003;

void waitForFullLead(const OfflineRig& rig) {
    waitUntil([&] { return rig.pipeline->node()->scheduledFrames() >= AudioPipeline::aheadFrames; },
              "filled the lead");
}

// Control calls run in call order and report nothing: once a pause and a
// resume after them have reached the node, they have all run.
void waitForControls(const OfflineRig& rig) {
    rig.pipeline->pause();
    waitForNode(*rig.pipeline, false);
    rig.pipeline->resume();
    waitForNode(*rig.pipeline, true);
}

TEST(PipelineBackPressure, ANewRunWakesTheWaitingDecoderAndTheOldRunEndsSilently) {
    OfflineRig rig;
    auto a = songEntry(0), b = songEntry(1);
    auto first = randomUUID(), second = randomUUID();
    rig.pipeline->start({fileSource(a, codedFlac(0, longerThanTheLead))}, 0, true, first, false);
    rig.log.waitFor(first, Event::buffered(a.id));
    waitForFullLead(rig);
    EXPECT_EQ(count(rig.log.of(first), Event::prepared(a.id)), 0u) << "decoded past the lead";

    // The decoder queue runs one loop at a time: the new run's song decodes
    // only once the waiting loop has woken and left.
    rig.pipeline->start({fileSource(b, codedFlac(1, 30011))}, 0, true, second, false);
    rig.log.waitFor(second, Event::prepared(b.id));
    rig.render(30011 + silenceAfter);
    rig.log.waitFor(second, Event::ended());

    PCMBuffer expected = codedFrames(1, 0, 30011);
    append(expected, silence(silenceAfter));
    expectSameFrames(rig.output, expected);
    // Nothing of the first run after its first buffer was scheduled: no
    // song decoded, failed, begun or ended.
    for (const auto& event : rig.log.of(first))
        EXPECT_TRUE(event.kind == Kind::buffered || event.kind == Kind::buffering)
            << "event " << static_cast<int>(event.kind);
}

TEST(PipelineUpcoming, FollowsTheLatestListOfTheCurrentRunOnly) {
    enum class List { namingThePlayingEntry, withoutThePlayingEntry };
    struct Case {
        const char* name;
        bool stillDecoding; // the playing song waits for room, its end unknown
        List list;
        bool staleToken;
        int follows; // 1: the song first planned; 2: the one the update names
    };
    const Case cases[] = {
        {"while the playing song still decodes", true, List::namingThePlayingEntry, false, 2},
        {"without the playing entry", false, List::withoutThePlayingEntry, false, 2},
        {"without the playing entry while it decodes", true, List::withoutThePlayingEntry, false, 2},
        {"from a stale run", false, List::namingThePlayingEntry, true, 1},
        {"from a stale run while the song decodes", true, List::namingThePlayingEntry, true, 1},
    };
    const std::int64_t lengths[] = {0, 30011, 40009};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::int64_t lengthA = c.stillDecoding ? longerThanTheLead : 100003;
        OfflineRig rig;
        auto a = songEntry(0), b = songEntry(1), n = songEntry(2);
        auto sourceA = fileSource(a, codedFlac(0, lengthA));
        auto token = randomUUID();
        rig.pipeline->start({sourceA, fileSource(b, codedFlac(1, lengths[1]))}, 0, true, token, false);
        if (c.stillDecoding) {
            rig.log.waitFor(token, Event::buffered(a.id));
            waitForFullLead(rig);
        } else {
            rig.log.waitFor(token, Event::prepared(b.id));
        }

        std::vector<AudioPipeline::Source> list;
        if (c.list == List::namingThePlayingEntry) list.push_back(sourceA);
        list.push_back(fileSource(n, codedFlac(2, lengths[2])));
        rig.pipeline->updateUpcoming(list, c.staleToken ? randomUUID() : token, false);
        waitForControls(rig);

        const auto& following = c.follows == 2 ? n : b;
        std::size_t rendered = 0;
        if (c.stillDecoding) {
            // Room for the rest: the song decodes to its end and chains.
            rendered = 200000;
            rig.render(rendered);
            rig.log.waitFor(token, Event::prepared(a.id));
        }
        rig.log.waitFor(token, Event::prepared(following.id));
        rig.render(static_cast<std::size_t>(lengthA + lengths[c.follows]) + silenceAfter - rendered);
        rig.log.waitFor(token, Event::ended());

        PCMBuffer expected = codedFrames(0, 0, lengthA);
        append(expected, codedFrames(c.follows, 0, lengths[c.follows]));
        append(expected, silence(silenceAfter));
        expectSameFrames(rig.output, expected);
        auto events = rig.log.of(token);
        EXPECT_EQ(count(events, Event::began(following.id)), 1u);
        EXPECT_EQ(count(events, Event::began((c.follows == 2 ? b : n).id)), 0u);
        EXPECT_EQ(count(events, Event::ended()), 1u);
    }
}

} // namespace
} // namespace sorvalind::testing
