#include "runtime/published.h"
#include "runtime/subject.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace sorvalind {
namespace {

TEST(Published, DeliversCurrentValueThenOnlyChanges) {
    Published<int> volume(5);
    std::vector<int> seen;
    auto subscription = volume.subscribe([&](const int& v) { seen.push_back(v); });
    volume.set(5);
    volume.set(7);
    volume.set(7);
    volume.set(3);
    EXPECT_EQ(seen, (std::vector<int>{5, 7, 3}));
    EXPECT_EQ(volume.value(), 3);
}

TEST(Published, TypesWithoutEqualityDeliverEverySet) {
    struct Opaque {
        int n;
    };
    Published<Opaque> state(Opaque{1});
    int deliveries = 0;
    auto subscription = state.subscribe([&](const Opaque&) { ++deliveries; });
    state.set(Opaque{1});
    state.set(Opaque{1});
    EXPECT_EQ(deliveries, 3);
}

TEST(Published, SubscriptionLifetime) {
    auto value = std::make_unique<Published<std::string>>("a");
    std::vector<std::string> seen;
    {
        auto subscription = value->subscribe([&](const std::string& v) { seen.push_back("scoped " + v); });
        value->set("b");
    }
    value->set("c");

    Subscription moved;
    {
        auto inner = value->subscribe([&](const std::string& v) { seen.push_back("moved " + v); });
        moved = std::move(inner);
    }
    value->set("d");
    value.reset();
    moved.cancel(); // publisher already gone
    EXPECT_EQ(seen, (std::vector<std::string>{"scoped a", "scoped b", "moved c", "moved d"}));
}

TEST(Published, ObserversMayCancelThemselvesAndOthersDuringADelivery) {
    Published<int> value(0);
    std::vector<std::string> seen;
    std::optional<Subscription> first, second, third;
    first = value.subscribe([&](const int& v) {
        seen.push_back("first " + std::to_string(v));
        if (v == 1) {
            first.reset(); // itself
            third.reset(); // one not yet called in this delivery
        }
    });
    second = value.subscribe([&](const int& v) { seen.push_back("second " + std::to_string(v)); });
    third = value.subscribe([&](const int& v) { seen.push_back("third " + std::to_string(v)); });
    seen.clear();
    value.set(1);
    value.set(2);
    EXPECT_EQ(seen, (std::vector<std::string>{"first 1", "second 1", "second 2"}));
}

TEST(Published, ANestedSetWinsAndEveryObserverEndsOnTheCurrentValue) {
    Published<int> value(0);
    std::vector<std::string> seen;
    auto a = value.subscribe([&](const int& v) {
        seen.push_back("a" + std::to_string(v));
        if (v == 1) value.set(2); // e.g. clamping
    });
    auto b = value.subscribe([&](const int& v) { seen.push_back("b" + std::to_string(v)); });
    seen.clear();
    value.set(1);
    EXPECT_EQ(seen, (std::vector<std::string>{"a1", "a2", "b2"}));
}

TEST(Published, OwnerDestroyedFromInsideACallbackIsSafe) {
    auto owner = std::make_unique<Published<int>>(0);
    int later = 0;
    auto a = owner->subscribe([&](const int& v) {
        if (v == 1) owner.reset();
    });
    auto b = owner->subscribe([&](const int&) { ++later; });
    owner->set(1);
    EXPECT_EQ(owner, nullptr);
    EXPECT_EQ(later, 2) << "the delivery under way completes";
}

TEST(Subject, DeliversOnlyEventsSentWhileSubscribed) {
    Subject<std::string> songChanged;
    songChanged.send("before");
    std::vector<std::string> seen;
    std::optional<Subscription> late;
    auto subscription = songChanged.subscribe([&](const std::string& id) {
        seen.push_back(id);
        if (!late) late = songChanged.subscribe([&](const std::string& id) { seen.push_back("late " + id); });
    });
    songChanged.send("s1");
    songChanged.send("s2");
    late.reset();
    songChanged.send("s3");
    EXPECT_EQ(seen, (std::vector<std::string>{"s1", "s2", "late s2", "s3"}));
}

} // namespace
} // namespace sorvalind
