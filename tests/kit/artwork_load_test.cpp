// A cover-art tile's load: it asks the cache only while shown and visible,
// looks in memory first, asks without a client while offline, retries when
// the connection comes back, never shows one identifier's image under
// another, drops replies for an identity that has moved on (the cache cannot
// cancel them) and releases its image when hidden or scrolled out.

#include "kit/artwork_load.h"

#include "http/network_security.h"
#include "runtime/manual_executor.h"
#include "runtime/virtual_clock.h"
#include "server/api_client.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace sorvalind::test {
namespace {

// The cache as the tile sees it: a memory tier the test fills, and requests
// that wait until the test answers them, in any order.
class ScriptedArtwork final : public ArtworkSource {
public:
    struct Pending {
        std::string id;
        bool withClient = false;
        ImageReply reply;
    };

    std::map<std::string, DecodedImagePointer> memory;
    std::vector<Pending> pending;
    int memoryLookups = 0;

    void data(const std::string&, std::shared_ptr<APIClient>, Reply reply) override { reply(nullptr); }
    DecodedImagePointer cachedImage(const std::string& id) const override {
        ++const_cast<ScriptedArtwork*>(this)->memoryLookups;
        const auto found = memory.find(id);
        return found == memory.end() ? nullptr : found->second;
    }
    void image(const std::string& id, std::shared_ptr<APIClient> api, ImageReply reply) override {
        pending.push_back({id, api != nullptr, std::move(reply)});
    }
    TaskHandle shutdown() override { return {}; }

    // "a+" for a request for "a" with a client, "a-" without, in order.
    std::string log() const {
        std::string text;
        for (const Pending& request : pending)
            text += (text.empty() ? "" : ",") + request.id + (request.withClient ? "+" : "-");
        return text;
    }
};

// Pictures told apart by their width.
DecodedImagePointer picture(int tag) {
    auto image = std::make_shared<DecodedImage>();
    image->width = tag;
    image->height = 1;
    image->bytesPerLine = static_cast<std::size_t>(tag) * 4;
    image->pixels.assign(image->bytesPerLine, 0xFF);
    return image;
}

int tagOf(const DecodedImagePointer& image) {
    return image ? image->width : 0;
}

enum class Op {
    show,
    hide,
    id,
    noId,
    connected,
    disconnected,
    visible,
    hidden,
    offline,
    online,
    reply,
    store
};

struct Step {
    Op op;
    std::string id = {};     // the identifier for id and store
    int tag = 0;             // the picture for reply and store (0: none)
    std::size_t request = 0; // which request reply answers
    // After the step:
    int shown = 0;        // the picture drawn (0: the placeholder)
    std::string log = {}; // every request made so far
};

struct Scenario {
    const char* name;
    std::vector<Step> steps;
};

TEST(ArtworkLoad, FollowsItsIdentityThroughEveryState) {
    const Scenario scenarios[] = {
        {"an absent identifier never asks the cache",
         {{Op::show}, {Op::connected}, {Op::hidden}, {Op::visible}}},
        {"loads while shown, and a failed load keeps the placeholder",
         {{.op = Op::id, .id = "a"},
          {.op = Op::show, .log = "a+"},
          {.op = Op::reply, .tag = 0, .request = 0, .log = "a+"},
          {.op = Op::connected, .log = "a+,a+"},
          {.op = Op::reply, .tag = 7, .request = 1, .shown = 7, .log = "a+,a+"}}},
        {"memory answers without a request",
         {{.op = Op::store, .id = "a", .tag = 3}, {.op = Op::id, .id = "a"}, {.op = Op::show, .shown = 3}}},
        {"offline asks without a client; coming back retries the placeholder",
         {{.op = Op::offline},
          {.op = Op::id, .id = "a"},
          {.op = Op::show, .log = "a-"},
          {.op = Op::reply, .tag = 0, .request = 0, .log = "a-"},
          {.op = Op::online, .log = "a-"},
          {.op = Op::connected, .log = "a-,a+"},
          {.op = Op::reply, .tag = 4, .request = 1, .shown = 4, .log = "a-,a+"}}},
        {"a new identifier shows the placeholder at once, and the old reply is dropped",
         {{.op = Op::id, .id = "a"},
          {.op = Op::show, .log = "a+"},
          {.op = Op::reply, .tag = 1, .request = 0, .shown = 1, .log = "a+"},
          {.op = Op::id, .id = "b", .shown = 0, .log = "a+,b+"},
          {.op = Op::id, .id = "c", .shown = 0, .log = "a+,b+,c+"},
          {.op = Op::reply, .tag = 2, .request = 1, .shown = 0, .log = "a+,b+,c+"},
          {.op = Op::reply, .tag = 3, .request = 2, .shown = 3, .log = "a+,b+,c+"}}},
        {"only the connection changing keeps the image on screen while the cache is asked again",
         {{.op = Op::id, .id = "a"},
          {.op = Op::show, .log = "a+"},
          {.op = Op::reply, .tag = 1, .request = 0, .shown = 1, .log = "a+"},
          {.op = Op::connected, .shown = 1, .log = "a+,a+"},
          {.op = Op::reply, .tag = 0, .request = 1, .shown = 1, .log = "a+,a+"}}},
        {"scrolled out releases; scrolled back finds memory",
         {{.op = Op::id, .id = "a"},
          {.op = Op::show, .log = "a+"},
          {.op = Op::reply, .tag = 5, .request = 0, .shown = 5, .log = "a+"},
          {.op = Op::hidden, .shown = 0, .log = "a+"},
          {.op = Op::store, .id = "a", .tag = 5, .log = "a+"},
          {.op = Op::visible, .shown = 5, .log = "a+"}}},
        {"a tile not visible waits; a reply after it scrolled out is dropped",
         {{.op = Op::hidden},
          {.op = Op::id, .id = "a"},
          {.op = Op::show},
          {.op = Op::visible, .log = "a+"},
          {.op = Op::hidden, .log = "a+"},
          {.op = Op::reply, .tag = 6, .request = 0, .shown = 0, .log = "a+"}}},
        {"hidden releases and drops the late reply; shown again loads again",
         {{.op = Op::id, .id = "a"},
          {.op = Op::show, .log = "a+"},
          {.op = Op::reply, .tag = 1, .request = 0, .shown = 1, .log = "a+"},
          {.op = Op::hide, .shown = 0, .log = "a+"},
          {.op = Op::show, .log = "a+,a+"},
          {.op = Op::hide, .log = "a+,a+"},
          {.op = Op::reply, .tag = 2, .request = 1, .shown = 0, .log = "a+,a+"},
          {.op = Op::show, .log = "a+,a+,a+"},
          {.op = Op::reply, .tag = 2, .request = 2, .shown = 2, .log = "a+,a+,a+"}}},
        {"changes while not shown ask nothing",
         {{.op = Op::id, .id = "a"},
          {Op::connected},
          {Op::hidden},
          {Op::visible},
          {.op = Op::id, .id = "b"}}},
        {"the identifier removed shows the placeholder and asks nothing",
         {{.op = Op::id, .id = "a"},
          {.op = Op::show, .log = "a+"},
          {.op = Op::reply, .tag = 1, .request = 0, .shown = 1, .log = "a+"},
          {.op = Op::noId, .shown = 0, .log = "a+"}}},
    };

    // A client that is never reached: the scripted cache only notes it.
    VirtualClock clock;
    ManualExecutor main{clock};
    const auto client = std::make_shared<APIClient>(ServerConfiguration("http://127.0.0.1:9", "alice", true),
                                                    "sesame", main, NetworkSecurity::session());
    for (const Scenario& scenario : scenarios) {
        SCOPED_TRACE(scenario.name);
        ScriptedArtwork source;
        bool offline = false;
        ArtworkLoad load(source, [&]() { return offline ? nullptr : client; });
        int repaints = 0;
        int lastShown = 0;
        load.setChanged([&] { ++repaints; });
        int step = 0;
        for (const Step& s : scenario.steps) {
            SCOPED_TRACE(step++);
            switch (s.op) {
            case Op::show:
                load.show();
                break;
            case Op::hide:
                load.hide();
                break;
            case Op::id:
                load.setId(s.id);
                break;
            case Op::noId:
                load.setId(std::nullopt);
                break;
            case Op::connected:
                load.setConnected(true);
                break;
            case Op::disconnected:
                load.setConnected(false);
                break;
            case Op::visible:
                load.setVisible(true);
                break;
            case Op::hidden:
                load.setVisible(false);
                break;
            case Op::offline:
                offline = true;
                break;
            case Op::online:
                offline = false;
                break;
            case Op::store:
                source.memory[s.id] = picture(s.tag);
                break;
            case Op::reply:
                ASSERT_LT(s.request, source.pending.size());
                source.pending[s.request].reply(s.tag ? picture(s.tag) : nullptr);
                break;
            }
            EXPECT_EQ(tagOf(load.image()), s.shown);
            EXPECT_EQ(source.log(), s.log);
            // Every change of the picture drawn asked for one repaint.
            if (tagOf(load.image()) != lastShown) {
                EXPECT_GE(repaints, 1);
            }
            lastShown = tagOf(load.image());
            repaints = 0;
        }
        if (scenario.steps.front().op == Op::show && !load.request().id) {
            EXPECT_EQ(source.memoryLookups, 0) << "no identifier, no look-up";
        }
    }
}

TEST(ArtworkLoad, AReplyAfterTheLoadIsGoneIsDropped) {
    ScriptedArtwork source;
    {
        ArtworkLoad load(source, nullptr);
        load.setId("a");
        load.show();
    }
    ASSERT_EQ(source.pending.size(), 1u);
    source.pending[0].reply(picture(1)); // must not touch the destroyed load
    EXPECT_EQ(source.log(), "a-");
}

} // namespace
} // namespace sorvalind::test
