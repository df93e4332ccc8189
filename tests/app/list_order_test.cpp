// Which customers the list shows, in which order: finding, sorting, who is due, and the
// program's own settings line by line.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <span>
#include <thread>

#include "app/list_order.h"
#include "app/program_settings.h"
#include "dialogs/follow_up_dialog.h"
#include "jet/text.h"
#include "runtime/headless/backend.h"
#include "services/search_text.h"
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
    ListOrder order(shop(), &backend.code_pages());
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
    EXPECT_EQ(app::parse_sort("9,asc"), (SortChoice{9, false}));  // the tags
    for (const char* bad : {"", "1,asc", "10,asc", "3,up", "3", "x,desc"})
        EXPECT_EQ(app::parse_sort(bad), SortChoice{}) << bad;
}

// A shop of many customers with few distinct values, loaded in no particular order: every
// find and sort must give what filtering and sorting the customers one by one gives.
TEST(ListOrder, ManyCustomersFoundAndSortedAsOneByOne) {
    runtime::headless::Backend backend;
    const char* const names[] = {"Alice", "bob", "张三", "李四", "ｚｑ", "Zq王"};
    // Long notes that start alike, as follow-ups make them: the order is told far in, and
    // two that differ only in letter case or width are equal.
    const std::string start = "问了尺码和发货时间，说再看看，嫌贵";
    const std::string far = start + "想要便宜点，要求包邮，已发优惠券，下周再联系";
    const std::string notes[] = {"",         "问了尺码xy",        "RED\r\nbag", "说再看看",
                                 "xy",       start.substr(0, 48), start + "。", far + "A",
                                 far + "ａ", far + "b",           far};
    std::vector<CustomerRow> customers;
    for (int i = 0; i < 600; ++i)
        customers.push_back({(i * 7919) % 1000 + 1, names[i % 6], names[(i / 6) % 2 + 2],
                             46300.0 + i % 5, 46350.0 + (i / 5) % 4, 46360.0 + i % 3,
                             i % 50 ? notes[(i / 3) % std::size(notes)] : "稀有"});
    const auto key = [&](std::string_view t) { return backend.code_pages().sort_key(t); };
    ListOrder order(customers, &backend.code_pages());
    const auto expected = [&](const ListQuery& q) {
        std::vector<std::size_t> rows;
        const std::string needle = services::search_key(q.find);
        for (std::size_t i = 0; i < customers.size(); ++i) {
            const auto& c = customers[i];
            for (const std::string* field : {&c.buyer, &c.our_id, &c.note})
                if (services::search_key(*field).find(needle) != std::string::npos) {
                    rows.push_back(i);
                    break;
                }
        }
        const auto value = [&](std::size_t i) -> std::string {
            const auto& c = customers[i];
            const auto date = [](double d) { return std::to_string(static_cast<int>(d * 10)); };
            switch (q.sort.column) {
                case 3:
                    return key(services::search_key(c.buyer));
                case 4:
                    return key(services::search_key(c.our_id));
                case 5:
                    return date(c.first_enquiry);
                case 6:
                    return date(q.closed ? c.deal_date : c.last_follow_up);
                case 7:
                    return key(services::search_key(c.note));
                default:
                    return {};
            }
        };
        std::stable_sort(rows.begin(), rows.end(), [&](std::size_t a, std::size_t b) {
            const std::string x = value(a), y = value(b);
            if (x != y) return q.sort.descending ? x > y : x < y;
            return customers[a].id > customers[b].id;
        });
        return rows;
    };
    // "yzq" only runs from one customer's note into the next one's ID; "稀有" finds a few.
    for (const char* find : {"", "a", "ALI", "zq", "yzq", "尺码", "xy", "bag", "稀有", "nobody"})
        for (int column : {0, 3, 4, 5, 6, 7})
            for (bool down : {false, true})
                for (bool closed : {false, true}) {
                    ListQuery q;
                    q.find = find;
                    q.sort = {column, down};
                    q.closed = closed;
                    EXPECT_EQ(order.shown(q), expected(q))
                        << find << " column " << column << (down ? " desc" : "")
                        << (closed ? " closed" : "");
                }
    // Orders made on the preparing thread are the same, whether a sort waits for them or
    // comes first; an order destroyed while its thread works stops it.
    for (int first : {3, 7}) {
        ListOrder prepared(customers, &backend.code_pages());
        prepared.prepare_text_orders();
        for (int column : {first, 0, 5, 3, 4, 7}) {
            ListQuery q;
            q.sort = {column, true};
            EXPECT_EQ(prepared.shown(q), expected(q)) << "prepared, column " << column;
        }
    }
}

// Keys like the program's adapter, but the first call waits until released: the preparing
// thread is caught in the middle of its work.
class HeldKeys final : public runtime::CodePageAdapter {
  public:
    explicit HeldKeys(runtime::CodePageAdapter& real) : real_(real) {}
    std::string utf8_to_gbk(std::string_view t) override { return real_.utf8_to_gbk(t); }
    std::string gbk_to_utf8(std::string_view t) override { return real_.gbk_to_utf8(t); }
    runtime::SortKeys sort_keys(std::span<const std::string_view> texts) override {
        std::unique_lock lock(mutex_);
        if (calls_++ == 0) {
            entered_ = true;
            changed_.notify_all();
            changed_.wait(lock, [&] { return released_; });
        }
        lock.unlock();
        return real_.sort_keys(texts);
    }
    void wait_entered() {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return entered_; });
    }
    void release() {
        std::lock_guard lock(mutex_);
        released_ = true;
        changed_.notify_all();
    }
    int calls() {
        std::lock_guard lock(mutex_);
        return calls_;
    }

  private:
    runtime::CodePageAdapter& real_;
    std::mutex mutex_;
    std::condition_variable changed_;
    int calls_ = 0;
    bool entered_ = false, released_ = false;
};

TEST(ListOrder, DestroyingAnOrderStopsItsPreparingThreadAtOnce) {
    runtime::headless::Backend backend;
    std::vector<CustomerRow> customers;
    for (int i = 0; i < 2000; ++i)
        customers.push_back({i + 1, "买家" + std::to_string(i), "店主", 46300.0, 46300.0, 0,
                             "备注" + std::to_string(i % 37)});
    HeldKeys keys(backend.code_pages());
    {
        // Unheld, the text columns take more than one call.
        HeldKeys free_keys(backend.code_pages());
        free_keys.release();
        ListOrder whole(customers, &free_keys);
        whole.prepare_text_orders();
        ListQuery q;
        q.sort = {7, false};
        whole.shown(q);
        q.sort = {4, false};
        whole.shown(q);
        ASSERT_GT(free_keys.calls(), 1);
    }
    std::atomic<bool> destroying = false;
    std::thread releaser;
    {
        ListOrder order(customers, &keys);
        order.prepare_text_orders();
        keys.wait_entered();
        releaser = std::thread([&] {
            while (!destroying)
                std::this_thread::yield();
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            keys.release();
        });
        destroying = true;
    }
    // The destructor waited for the thread, which made no key after the one it was in.
    EXPECT_EQ(keys.calls(), 1);
    releaser.join();
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

TEST(ListOrder, ANextDateRulesInPlaceOfTheCadenceAndSortsLastWhenUnset) {
    const auto with = [](double last, double next) {
        CustomerRow c{1, "a", "b", 0, last, 0, ""};
        c.next_follow_up = next;
        return c;
    };
    constexpr double kDay = 46365;
    // Due on its day whatever the hour, overdue from the next; the cadence no longer counts,
    // not even with no cadence at all.
    const struct {
        double last, next, today;
        int cadence;
        Due want;
    } cases[] = {{0, kDay + 1, kDay + 0.99, 3, Due::no},
                 {0, kDay + 0.7, kDay, 3, Due::due},
                 {0, kDay, kDay + 0.99, 0, Due::due},
                 {kDay, kDay - 1, kDay + 0.01, 3, Due::overdue},
                 {kDay - 30, kDay + 5, kDay, 3, Due::no}};
    for (const auto& c : cases)
        EXPECT_EQ(app::due_state(with(c.last, c.next), false, c.today, c.cadence), c.want)
            << c.next << " on " << c.today;
    EXPECT_EQ(app::due_state(with(0, kToday - 9), true, kToday, 3), Due::no);  // closed

    std::vector<CustomerRow> rows = {with(kToday - 4, 0), with(kToday, kToday - 2),
                                     with(kToday, kToday + 2), with(kToday, 0)};
    for (std::int32_t i = 0; i < 4; ++i)
        rows[static_cast<std::size_t>(i)].id = i + 1;
    ListOrder order(rows, nullptr);
    ListQuery q;
    q.today = kToday;
    q.sort = {app::kNextDateColumn, false};
    EXPECT_EQ(ids(order, order.shown(q)), (std::vector<std::int32_t>{2, 3, 4, 1}));
    q.sort.descending = true;
    EXPECT_EQ(ids(order, order.shown(q)), (std::vector<std::int32_t>{4, 1, 3, 2}));
    // Due soonest first: day -2 by its date before day -1 by the cadence.
    q = {};
    q.today = kToday;
    q.due_only = true;
    EXPECT_EQ(ids(order, order.shown(q)), (std::vector<std::int32_t>{2, 1}));
    EXPECT_EQ(app::parse_sort(app::sort_text({8, true})), (SortChoice{8, true}));
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
