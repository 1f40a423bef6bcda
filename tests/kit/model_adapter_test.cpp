// The model adapter keeps views out of the model's call stack, updates each
// watched value once per loop turn with its latest value, hands over every
// event in order and goes quiet with the view or the model it followed.

#include "kit/model_adapter.h"

#include "support/widgets/gui_model_world.h"
#include "support/widgets/gui_wait.h"

#include <gtest/gtest.h>

#include <QSignalSpy>

#include <memory>
#include <string>
#include <vector>

namespace sorvalind::test {
namespace {

TEST(ModelAdapter, UpdatesEachValueOncePerTurnWithItsLatestValueOutsideTheSetter) {
    Published<int> count{0};
    Published<std::string> title{"a"};
    ModelAdapter adapter;
    bool insideSet = false;
    std::vector<int> seenCounts;
    std::vector<std::string> seenTitles;
    std::vector<bool> calledInsideSet;
    adapter.watch(count, [&] {
        seenCounts.push_back(count.value());
        calledInsideSet.push_back(insideSet);
    });
    adapter.watch(title, [&] { seenTitles.push_back(title.value()); });
    QSignalSpy changed(&adapter, &ModelAdapter::modelChanged);

    // The value at subscription is no change.
    processEvents();
    EXPECT_TRUE(seenCounts.empty());
    EXPECT_EQ(changed.count(), 0);

    for (int value : {1, 2, 3}) {
        insideSet = true;
        count.set(value);
        insideSet = false;
    }
    title.set("b");
    EXPECT_TRUE(seenCounts.empty()) << "nothing runs on the setter's stack";
    processEvents();
    EXPECT_EQ(seenCounts, std::vector<int>{3});
    EXPECT_EQ(calledInsideSet, std::vector<bool>{false});
    EXPECT_EQ(seenTitles, std::vector<std::string>{"b"});
    EXPECT_EQ(changed.count(), 1);

    // A later turn reports again.
    count.set(4);
    processEvents();
    EXPECT_EQ(seenCounts, (std::vector<int>{3, 4}));
    EXPECT_EQ(changed.count(), 2);
}

TEST(ModelAdapter, HandsOverEveryEventInOrderBeforeTheValues) {
    Subject<std::string> edits;
    Published<int> revision{0};
    ModelAdapter adapter;
    std::vector<std::string> log;
    adapter.watchEvents<std::string>(edits, [&](const std::string& song) { log.push_back("edit " + song); });
    adapter.watch(revision, [&] { log.push_back("revision " + std::to_string(revision.value())); });

    revision.set(1);
    edits.send("so-1");
    edits.send("so-2");
    revision.set(2);
    edits.send("so-1");
    processEvents();
    EXPECT_EQ(log, (std::vector<std::string>{"edit so-1", "edit so-2", "edit so-1", "revision 2"}));
}

TEST(ModelAdapter, GoesQuietWhenClearedOrDestroyedWithChangesPending) {
    Published<int> count{0};
    int calls = 0;
    {
        auto adapter = std::make_unique<ModelAdapter>();
        adapter->watch(count, [&] { ++calls; });
        count.set(1);
        adapter.reset(); // a flush is queued for a dead adapter
        count.set(2);
        processEvents();
    }
    EXPECT_EQ(calls, 0);

    ModelAdapter adapter;
    adapter.watch(count, [&] { ++calls; });
    count.set(3);
    adapter.clear();
    count.set(4);
    processEvents();
    EXPECT_EQ(calls, 0);
}

TEST(ModelAdapter, AHandlerThatSetsAgainIsCalledAgainOnTheNextTurn) {
    Published<int> count{0};
    ModelAdapter adapter;
    std::vector<int> seen;
    adapter.watch(count, [&] {
        seen.push_back(count.value());
        if (count.value() < 3) count.set(count.value() + 1);
    });
    count.set(1);
    ASSERT_TRUE(waitUntil([&] { return seen.size() == 3; }));
    EXPECT_EQ(seen, (std::vector<int>{1, 2, 3}));
}

// Over a real model: the status line follows a sign-in without the view
// ever running inside the model, and a view still watching a model that the
// coordinator replaced and dropped neither crashes nor hears from it.
TEST(ModelAdapter, FollowsARealModelAndOutlivesIt) {
    GuiModelWorld world;
    ASSERT_TRUE(world.launch());
    std::weak_ptr<AppModel> first = world.current();

    ModelAdapter adapter;
    std::vector<std::string> statuses;
    adapter.watch(first.lock()->status(), [&] {
        if (auto model = first.lock()) statuses.push_back(model->status().value());
    });
    std::vector<bool> presence;
    ModelAdapter coordinatorAdapter;
    coordinatorAdapter.watch(world.coordinator().model(),
                             [&] { presence.push_back(world.current() != nullptr); });

    ASSERT_TRUE(world.connect());
    ASSERT_TRUE(waitUntil([&] { return first.expired(); })) << "the replaced model is dropped";
    processEvents();
    EXPECT_FALSE(presence.empty());
    EXPECT_TRUE(presence.back());
    EXPECT_EQ(world.current()->status().value(), AppModel::upToDateStatus);
}

} // namespace
} // namespace sorvalind::test
