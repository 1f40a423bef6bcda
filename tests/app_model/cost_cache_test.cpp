// The memory tiers' bound: total cost, least recently used out first.
#include "model/cost_cache.h"

#include <gtest/gtest.h>

namespace sorvalind::test {
namespace {

TEST(CostCacheTest, EvictsTheLeastRecentlyUsedPastTheLimit) {
    CostCache<int> cache(100);
    for (int i = 0; i < 4; ++i)
        cache.insert(std::to_string(i), std::make_shared<const int>(i), 30);
    // 120 > 100: the oldest went.
    EXPECT_FALSE(cache.get("0"));
    EXPECT_EQ(cache.totalCost(), 90u);

    ASSERT_TRUE(cache.get("1")); // now the most recent
    cache.insert("4", std::make_shared<const int>(4), 30);
    EXPECT_TRUE(cache.get("1"));
    EXPECT_FALSE(cache.get("2"));

    // Replacing an entry counts its new cost only; one costing more than
    // the whole limit is not kept and drops the old value.
    cache.insert("1", std::make_shared<const int>(10), 10);
    EXPECT_EQ(*cache.get("1"), 10);
    EXPECT_EQ(cache.totalCost(), 70u);
    cache.insert("1", std::make_shared<const int>(11), 101);
    EXPECT_FALSE(cache.get("1"));
    EXPECT_EQ(cache.count(), 2u);

    cache.clear();
    EXPECT_EQ(cache.totalCost(), 0u);
    EXPECT_FALSE(cache.get("4"));
}

} // namespace
} // namespace sorvalind::test
