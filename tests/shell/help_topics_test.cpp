// The help window's fixed topics: their order, names and raw values.

#include "shell/help_topics.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace sorvalind {
namespace {

TEST(HelpTopicsTest, ListsSixTopicsInOrderWithUniqueRawValues) {
    const char* titles[] = {"Getting Started",         "Browsing Your Library", "Playback & Queue",
                            "Downloads & Offline Use", "Keyboard Shortcuts",    "Troubleshooting"};
    ASSERT_EQ(HelpTopics::all().size(), std::size(titles));
    std::set<std::string_view> raws;
    for (std::size_t i = 0; i < HelpTopics::all().size(); ++i) {
        const HelpTopic topic = HelpTopics::all()[i];
        EXPECT_EQ(HelpTopics::title(topic), titles[i]);
        EXPECT_EQ(HelpTopics::fromRaw(HelpTopics::rawValue(topic)), topic);
        raws.insert(HelpTopics::rawValue(topic));
        EXPECT_FALSE(HelpTopics::page(topic).sections.empty());
    }
    EXPECT_EQ(raws.size(), HelpTopics::all().size());
    EXPECT_EQ(HelpTopics::fromRaw("Connecting"), std::nullopt);
    EXPECT_EQ(HelpTopics::fromRaw(""), std::nullopt);
    EXPECT_EQ(HelpTopics::initial, HelpTopic::connecting);
}

TEST(HelpTopicsTest, OnlyTheKeyboardTopicHoldsTheShortcutTable) {
    for (HelpTopic topic : HelpTopics::all())
        EXPECT_EQ(HelpTopics::page(topic).showsShortcuts, topic == HelpTopic::shortcuts)
            << HelpTopics::title(topic);
    EXPECT_FALSE(HelpTopics::page(HelpTopic::connecting).introduction.empty());
    EXPECT_TRUE(HelpTopics::page(HelpTopic::library).introduction.empty());
}

} // namespace
} // namespace sorvalind
