// Which customers the list shows, in which order: finding, sorting, who is due, and the
// program's own settings line by line.
#include <gtest/gtest.h>

#include "app/list_order.h"
#include "app/program_settings.h"
#include "dialogs/follow_up_dialog.h"
#include "runtime/headless/backend.h"
#include "services/settings_lines.h"

namespace {

using app::Due;
using app::ListOrder;
using app::ListQuery;
using app::SortChoice;
using store::CustomerRow;

constexpr double kToday = 46365.6;  // 2026-12-09, in the afternoon

std::vector<CustomerRow> shop() {
    return {
        {1, "Alice", "店主一", 46300, 46362, 0, "likes RED\r\nsecond line"},
        {2, "ｂｏｂ１", "店主二", 46300, 46359, 0, "问了\"尺码\""},
        {3, "张三", "店主一", 46310, 0, 0, "a<!vantel!>b"},
        {4, "李四", "店主二", 46200, 46362, 0, ""},
        {5, "alice", "店主三", 46310, 46365.2, 0, "ＲＥＤ　ｂａｇ"},
    };
}

std::vector<std::int32_t> ids(const ListOrder& order, const std::vector<std::size_t>& rows) {
    std::vector<std::int32_t> out;
    for (auto r : rows)
        out.push_back(order.customers()[r].id);
    return out;
}

TEST(ListOrder, FindsIgnoringCaseAndWidthInsideEveryField) {
    runtime::headless::Backend backend;
    ListOrder order(shop(), nullptr);
    const std::vector<std::pair<std::string, std::vector<std::int32_t>>> cases = {
        {"", {5, 4, 3, 2, 1}},  // nothing typed: everyone, newest first
        {"ALICE", {5, 1}},      // letter case
        {"BOB1", {2}},          // full-width letters and digits found by half-width
        {"ｒｅｄ", {5, 1}},     // and the other way round
        {"red bag", {5}},       // the ideographic space is a space
        {"second line", {1}},   // the second line of a note
        {"\"尺码\"", {2}},      // a quote
        {"<!vantel!>", {3}},    // the sheet's marker, as plain text
        {"店主一", {3, 1}},     // our ID
        {"ice店", {}},          // never across two fields
        {"nobody", {}},
    };
    for (const auto& [find, want] : cases) {
        ListQuery q;
        q.find = find;
        EXPECT_EQ(ids(order, order.shown(q)), want) << find;
    }
}

TEST(ListOrder, SortsEachColumnBothWaysWithTiesNewestFirst) {
    runtime::headless::Backend backend;
    // The stand-in order of the code pages: GBK bytes, which lay 李 before 张 as pinyin does.
    ListOrder order(shop(), [&](std::string_view t) { return backend.code_pages().sort_key(t); });
    const std::vector<std::tuple<int, bool, std::vector<std::int32_t>>> cases = {
        {1, false, {5, 4, 3, 2, 1}},
        {3, false, {5, 1, 2, 4, 3}},  // Alice and alice alike: the newer first
        {3, true, {3, 4, 2, 5, 1}},
        {4, false, {4, 2, 5, 3, 1}},  // 店主二, 店主三, 店主一: er, san, yi
        {5, false, {4, 2, 1, 5, 3}},
        {5, true, {5, 3, 2, 1, 4}},
        {6, false, {3, 2, 4, 1, 5}},  // the null follow-up first, then by date, ties newest first
        {6, true, {5, 4, 1, 2, 3}},
        {7, false, {4, 3, 1, 5, 2}},
    };
    for (const auto& [column, down, want] : cases) {
        ListQuery q;
        q.sort = {column, down};
        EXPECT_EQ(ids(order, order.shown(q)), want)
            << "column " << column << (down ? " desc" : " asc");
    }
    // The status column: online first, the rest newest first.
    ListQuery q;
    q.sort = {2, false};
    EXPECT_EQ(ids(order, order.shown(q, [](std::size_t r) { return r == 1 || r == 3; })),
              (std::vector<std::int32_t>{4, 2, 5, 3, 1}));
    // Clicks: a new column ascending, again descending, 序号 newest first.
    EXPECT_EQ(app::sort_after_click({}, 5), (SortChoice{5, false}));
    EXPECT_EQ(app::sort_after_click({5, false}, 5), (SortChoice{5, true}));
    EXPECT_EQ(app::sort_after_click({5, true}, 1), SortChoice{});
    EXPECT_EQ(app::parse_sort(app::sort_text({6, true})), (SortChoice{6, true}));
    for (const char* bad : {"", "9,asc", "3,up", "3", "x,desc"})
        EXPECT_EQ(app::parse_sort(bad), SortChoice{}) << bad;
}

TEST(ListOrder, WhoIsDueAtTheCadenceAndTwiceIt) {
    const auto at = [](double last) { return CustomerRow{1, "a", "b", 0, last, 0, ""}; };
    // Whole days count: the time of day does not.
    EXPECT_EQ(app::due_state(at(46363.9), false, kToday, 3), Due::no);       // 2 days
    EXPECT_EQ(app::due_state(at(46362.0), false, kToday, 3), Due::due);      // exactly 3
    EXPECT_EQ(app::due_state(at(46360.5), false, kToday, 3), Due::due);      // 5
    EXPECT_EQ(app::due_state(at(46359.0), false, kToday, 3), Due::overdue);  // exactly 6
    EXPECT_EQ(app::due_state(at(0), false, kToday, 3), Due::overdue);        // never followed up
    EXPECT_EQ(app::due_state(at(46370), false, kToday, 3), Due::no);         // a date ahead
    EXPECT_EQ(app::due_state(at(0), true, kToday, 3), Due::no);              // closed
    EXPECT_EQ(app::due_state(at(46364.0), false, kToday, 1), Due::due);

    ListOrder order(shop(), nullptr);
    ListQuery q;
    q.due_only = true;
    q.today = kToday;
    // Longest waiting first: the null date, then 46359, then 46362 (ties newest first).
    EXPECT_EQ(ids(order, order.shown(q)), (std::vector<std::int32_t>{3, 2, 4, 1}));
    q.closed = true;
    EXPECT_TRUE(order.shown(q).empty());
}

TEST(ProgramSettings, LinesKeepWhatTheyDoNotKnow) {
    services::SettingsLines lines("future=1\r\ncadence=5\r\nnot a setting\r\ncadence=7\r\n");
    EXPECT_EQ(lines.get("cadence"), "7");  // the later line wins
    EXPECT_EQ(app::cadence_of(lines), 7);
    lines.set("cadence", "4\r\nsneaky=1");
    lines.set("sort", "5,desc");
    EXPECT_EQ(lines.text(), "future=1\r\ncadence=4\r\nnot a setting\r\nsort=5,desc\r\n");
    for (const char* bad : {"0", "366", "-2", "3x", ""})
        EXPECT_EQ(app::cadence_of(services::SettingsLines(std::string("cadence=") + bad)), 3)
            << bad;
    const runtime::WindowState w{{-1200, 30, 900, 600}, true};
    EXPECT_EQ(app::window_of(services::SettingsLines("window=" + app::window_text(w))), w);
    EXPECT_EQ(app::window_of(services::SettingsLines("window=1,2,3,4,1")), std::nullopt);
    EXPECT_EQ(app::columns_of(services::SettingsLines("columns=60,50,135,135,100,100")),
              (std::array<int, 6>{60, 50, 135, 135, 100, 100}));
    EXPECT_EQ(app::columns_of(services::SettingsLines("columns=60,50,135")), std::nullopt);
    // The follow-up's line: the list's date, H:MM, what was said.
    EXPECT_EQ(dialogs::follow_up_line(46365.0 + 9.0 / 24 + 5.0 / 1440, "问了价格"),
              "2026-12-9 9:05 问了价格");
    EXPECT_EQ(dialogs::follow_up_line(46365.99999, "x"), "2026-12-9 23:59 x");
}

}  // namespace
