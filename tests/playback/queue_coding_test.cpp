#include "playback/queue_state.h"

#include <gtest/gtest.h>

namespace sorvalind {
namespace {

using nlohmann::json;

QueueState sampleQueue() {
    Song full = Song::make("s1", "Full", "Artist", "al-1");
    full.duration = 215.5;
    full.suffix = "flac";
    full.userRating = 4;
    full.starred = "pending";
    QueueState queue;
    queue.replace({full, Song::make("s2", "Two"), Song::make("s3", "Three"), Song::make("s4", "Four")},
                  std::nullopt, 1);
    queue.enqueue({Song::make("m", "Manual")}, false);
    queue.repeatMode = RepeatMode::all;
    queue.shuffle = true;
    return queue;
}

TEST(QueueCoding, RoundTripIsEqualEntryByEntry) {
    for (QueueState queue : {sampleQueue(), QueueState()}) {
        QueueState back = fromJSONText<QueueState>(toJSONText(queue));
        EXPECT_EQ(back, queue);
        EXPECT_EQ(toJSONText(back), toJSONText(queue));
    }
    // Past the end: no current entry, and the key is left out.
    QueueState ended = sampleQueue();
    ended.repeatMode = RepeatMode::off;
    while (ended.advance()) {
    }
    json encoded = ended.encode();
    EXPECT_FALSE(encoded.contains("current"));
    EXPECT_EQ(fromJSON<QueueState>(encoded), ended);
}

TEST(QueueCoding, WritesTheStoredShape) {
    QueueState queue = sampleQueue();
    json encoded = queue.encode();
    std::set<std::string> keys;
    for (const auto& [key, value] : encoded.items())
        keys.insert(key);
    EXPECT_EQ(keys, (std::set<std::string>{"current", "manual", "context", "history", "originalOrder",
                                           "repeatMode", "shuffle"}));
    EXPECT_EQ(encoded["repeatMode"], "all");
    EXPECT_EQ(encoded["shuffle"], true);
    EXPECT_EQ(encoded["current"]["song"]["title"], "Two");
    EXPECT_EQ(encoded["history"][0]["song"]["duration"], 215.5);
    EXPECT_EQ(encoded["originalOrder"].size(), 4u);
    const std::string id = encoded["current"]["id"];
    EXPECT_EQ(id.size(), 36u);
    EXPECT_EQ(id.find_first_of("abcdef"), std::string::npos) << id;
}

// A queue as an earlier version of the program stored it: no "current",
// lower-case identifiers, keys it does not know.
constexpr const char* kStoredQueue = R"({
  "shuffle": false, "repeatMode": "one", "volumeHint": 3,
  "manual": [{"id": "0f8fad5b-d9cb-469f-a165-70867728950e", "song": {"id": "9", "title": "Nine", "x": 1}}],
  "context": [],
  "history": [{"id": "7C9E6679-7425-40DE-944B-E07FC1F90AE7", "song": {"id": "1", "title": "One",
               "duration": 180, "artists": [{"id": "a", "name": "A"}]}}],
  "originalOrder": ["7c9e6679-7425-40de-944b-e07fc1f90ae7"]
})";

TEST(QueueCoding, DecodesAStoredQueue) {
    QueueState queue = fromJSONText<QueueState>(kStoredQueue);
    EXPECT_FALSE(queue.current);
    EXPECT_EQ(queue.repeatMode, RepeatMode::one);
    ASSERT_EQ(queue.manual.size(), 1u);
    EXPECT_EQ(queue.manual[0].id, "0F8FAD5B-D9CB-469F-A165-70867728950E");
    EXPECT_EQ(queue.manual[0].song.title, "Nine");
    ASSERT_EQ(queue.history.size(), 1u);
    EXPECT_EQ(queue.history[0].song.duration, 180.0);
    // Identifiers compare as the same UUID whatever case they were stored in.
    EXPECT_EQ(queue.originalOrder, std::vector<std::string>{queue.history[0].id});

    json withNull = json::parse(kStoredQueue);
    withNull["current"] = nullptr;
    EXPECT_FALSE(fromJSON<QueueState>(withNull).current);

    // A restored queue plays on: repeat one is lifted to start the manual entry.
    EXPECT_TRUE(queue.enqueue({}, false));
    EXPECT_EQ(queue.current->song.id, "9");
}

TEST(QueueCoding, RefusesAMalformedQueueAsAWhole) {
    const json good = json::parse(kStoredQueue);
    ASSERT_NO_THROW(fromJSON<QueueState>(good));
    struct Case {
        const char* pointer;
        json value; // null with `remove` set means: take the key out
        bool remove;
        const char* path;
    } cases[] = {
        {"/repeatMode", "shuffle", false, "repeatMode"},
        {"/repeatMode", "One", false, "repeatMode"},
        {"/repeatMode", nullptr, true, "repeatMode"},
        {"/shuffle", "false", false, "shuffle"},
        {"/shuffle", nullptr, true, "shuffle"},
        {"/context", nullptr, true, "context"},
        {"/history", json::object(), false, "history"},
        {"/originalOrder/0", "not-a-uuid", false, "originalOrder[0]"},
        {"/originalOrder/0", 7, false, "originalOrder[0]"},
        {"/manual/0/id", "0f8fad5b-d9cb-469f-a165", false, "manual[0].id"},
        {"/manual/0/song", nullptr, true, "manual[0].song"},
        {"/manual/0/song/title", nullptr, true, "manual[0].song.title"},
        {"/current", "0f8fad5b-d9cb-469f-a165-70867728950e", false, "current"},
        {"/current", json{{"id", "0f8fad5b-d9cb-469f-a165-70867728950e"}}, false, "current.song"},
    };
    for (const Case& c : cases) {
        json broken = good;
        json::json_pointer pointer(c.pointer);
        if (c.remove) {
            broken[pointer.parent_pointer()].erase(pointer.back());
        } else {
            broken[pointer] = c.value;
        }
        try {
            fromJSON<QueueState>(broken);
            ADD_FAILURE() << c.pointer << " decoded";
        } catch (const DecodingError& error) {
            EXPECT_EQ(error.path(), c.path) << c.pointer;
        }
    }
    EXPECT_THROW(fromJSONText<QueueState>("not json"), DecodingError);
    EXPECT_THROW(fromJSONText<QueueState>("[]"), DecodingError);
}

} // namespace
} // namespace sorvalind
