// The pure helpers: ID cleaning, the stored our-ID list, list dates and the days label.
#include <gtest/gtest.h>

#include "dialogs/dates.h"
#include "dialogs/id_text.h"

namespace {

using dialogs::clean_id_text;

TEST(IdText, CleaningFollowsItsSteps) {
    EXPECT_EQ(clean_id_text(" ab c\t"), "abc");
    EXPECT_EQ(clean_id_text("张三：李四"), "张三:李四");
    EXPECT_EQ(clean_id_text("　 　"), "");
    EXPECT_EQ(clean_id_text("\r\n\r\n\r\na\r\n\r\n\r\n\r\nb\r\n"), "a\r\nb\r\n");
    EXPECT_EQ(clean_id_text("a\r\n \r\nb\r\n"), "a\r\nb\r\n");  // a line of spaces is empty
    EXPECT_EQ(clean_id_text("a　b"), "a　b");                   // full-width inside stays
    EXPECT_EQ(clean_id_text(" \r\n \r\n"), "");
}

TEST(IdText, StoredListsAndChoices) {
    using V = std::vector<std::string>;
    EXPECT_EQ(dialogs::split_our_ids("a\r\n\r\nb\r\n"), (V{"a", "b"}));
    EXPECT_EQ(dialogs::split_our_ids("a"), (V{"a"}));  // no line end: still an ID
    EXPECT_EQ(dialogs::split_our_ids("a\r\nb"), (V{"a", "b"}));
    EXPECT_EQ(dialogs::split_our_ids(""), V{});
    EXPECT_EQ(dialogs::split_our_ids("a b\r\na"), (V{"a b", "a"}));
    const V shops{"shop:a", "shop", "Other"};
    EXPECT_EQ(dialogs::choose_our_id(shops, "shop"), 1);
    EXPECT_EQ(dialogs::choose_our_id(shops, "SHOP:A"), 0);
    EXPECT_EQ(dialogs::choose_our_id(shops, "sh"), 0);
    EXPECT_EQ(dialogs::choose_our_id(shops, "oth"), 2);
    EXPECT_EQ(dialogs::choose_our_id(shops, "none"), -1);
    EXPECT_EQ(dialogs::choose_our_id(shops, ""), -1);
    EXPECT_EQ(dialogs::stored_length("abc"), 3u);
    EXPECT_EQ(dialogs::stored_length("中文"), 2u);
    EXPECT_EQ(dialogs::stored_length("😀"), 2u);  // a surrogate pair in the file
}

TEST(Dates, ListDatesAndTheDaysLabel) {
    EXPECT_EQ(dialogs::parse_list_date("2015-1-9"), 42013.0);
    EXPECT_EQ(dialogs::parse_list_date("2014-12-31"), 42004.0);
    EXPECT_EQ(dialogs::parse_list_date("1899-12-30"), 0.0);
    EXPECT_EQ(dialogs::parse_list_date("2015-01-09"), 42013.0);
    EXPECT_EQ(dialogs::parse_list_date(""), std::nullopt);
    EXPECT_EQ(dialogs::parse_list_date("2015-2-30"), std::nullopt);
    EXPECT_EQ(dialogs::parse_list_date("2015-13-1"), std::nullopt);
    EXPECT_EQ(dialogs::parse_list_date("2015-1-9x"), std::nullopt);
    EXPECT_EQ(dialogs::days_tracked_text(42013.0, 42013.0), "已跟踪了：1天");
    EXPECT_EQ(dialogs::days_tracked_text(42013.0, 42013.9), "已跟踪了：1天");
    EXPECT_EQ(dialogs::days_tracked_text(42013.0, 42016.0), "已跟踪了：4天");
    EXPECT_EQ(dialogs::days_tracked_text(42013.0, 42012.0), "已跟踪了：0天");
    EXPECT_EQ(dialogs::days_tracked_text(42013.0, 42010.0), "已跟踪了：-2天");
    EXPECT_GT(dialogs::now_as_date(), 45000.0);  // some day after 2023
}

}  // namespace
