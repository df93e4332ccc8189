// Customers exported by the program and imported into an empty database come back the same;
// an import whose writes fail part way adds no one and leaves the file as it was.
#include <sys/resource.h>

#include <csignal>

#include "jet/memory_file_system.h"
#include "store/customer_actions.h"
#include "tests/dialogs/import_flow.h"
#include "tests/formats/tools.h"

namespace dialog_tests {
namespace {

namespace fs = std::filesystem;
namespace im = forms::import;
using runtime::Event;
using Messages = std::vector<std::pair<std::string, std::string>>;

constexpr int kClosedList = 4, kExport = 7;

class ImportRoundTrip : public ImportFlow {
  protected:
    void SetUp() override {
        ImportFlow::SetUp();
        backend_.windows().on_save_dialog(
            [this](const runtime::Control&, std::string_view) -> std::optional<std::string> {
                return save_as_;
            });
    }
    void export_list(const std::string& path, bool workbook) {
        save_as_ = path;
        backend_.windows().set_save_filter(workbook ? 1 : 0);
        toolbar(kExport);
        ASSERT_EQ(messages(), (Messages{{"导出文档成功！", "恭喜："}}));
    }
    // Imports a file as the dialog guesses it, checking the guess.
    void import_as_guessed(const std::string& path, const std::vector<std::string>& guessed,
                           int list) {
        run_import(path, [&](HeadlessWindow& d) {
            EXPECT_EQ(meanings(d), guessed);
            EXPECT_EQ(d.selected_choice(im::kList), list);
            d.fire(im::kOkButton, Event::clicked);
        });
    }
    std::string save_as_;
};

TEST_F(ImportRoundTrip, SheetsAndWorkbooksOfBothListsBringBackTheSameCustomers) {
    fresh_store();
    add("buyer'1", "店主一", 41782, 41783, "line one\r\nsaid \"two\", 三");
    add("TB-x", "店主二", 41948, 41949, "买家\r\n\r\n备注");
    add("quiet", "店主一", 41654, 41654);
    const store::StoreLocation where{db_path_, store::kDatabasePassword};
    {
        store::StoreConnection c;
        store::RowSet rs;
        const int shut = add("shut", "店主二", 41654, 41700, "成交了");
        const int done = add("done", "店主一", 41700, 41710);
        ASSERT_TRUE(store::register_deal(c, rs, where, shut, 41948));
        ASSERT_TRUE(store::register_deal(c, rs, where, done, 41720));
    }
    // A sheet has no follow-up date of a closed customer: the import takes the deal date.
    std::vector<std::string> want;
    for (std::string line : stored()) {
        if (line.ends_with("|")) {
            want.push_back(line);
            continue;
        }
        std::vector<std::string> f;
        for (std::size_t at = 0, end = 0; end != std::string::npos; at = end + 1)
            f.push_back(line.substr(at, (end = line.find('|', at)) - at));
        want.push_back(f[0] + "|" + f[1] + "|" + f[2] + "|" + f[6] + "|" + f[4] + "|1|" + f[6]);
    }
    std::sort(want.begin(), want.end());

    open_main();
    messages();
    export_list(dir_ + "/open.xls", false);
    export_list(dir_ + "/open.xlsx", true);
    toolbar(kClosedList);
    export_list(dir_ + "/closed.xls", false);
    export_list(dir_ + "/closed.xlsx", true);

    const std::vector<std::string> open_columns{"序号",           "客户旺旺",     "我们的旺旺",
                                                "第一次咨询日期", "最后跟踪日期", "备注",
                                                "不导入",         "不导入"};
    std::vector<std::string> closed_columns = open_columns;
    closed_columns[4] = "交易日期";
    for (const std::string kind : {".xls", ".xlsx"}) {
        SCOPED_TRACE(kind);
        fs::remove(db_path_);
        store::provision_store(files_, db_path_);  // no customers, no IDs of ours
        import_as_guessed(dir_ + "/open" + kind, open_columns, 0);
        import_as_guessed(dir_ + "/closed" + kind, closed_columns, 1);
        EXPECT_EQ(messages(), (Messages{{"导入完成：新增 3 位客户。", "导入客户"},
                                        {"导入完成：新增 2 位客户。", "导入客户"}}));
        auto got = stored();
        std::sort(got.begin(), got.end());
        EXPECT_EQ(got, want);
        // Once more: every customer is there already, whatever the list.
        const std::string before = bytes(db_path_);
        import_as_guessed(dir_ + "/open" + kind, open_columns, 0);
        EXPECT_EQ(messages(), (Messages{{"导入完成：新增 0 位客户。\r\n跳过：已经登记过的 3 "
                                         "行。\r\n\r\n要查看没有导入的行吗？（行号和原因）",
                                         "导入客户"}}));
        EXPECT_EQ(stored().size(), want.size());
    }
}

// A real short write: the system refuses every byte past the size the file has, as a full
// disk does. Nothing is added, the file is byte for byte as before, and the user is told.
TEST_F(ImportRoundTrip, AFullDiskMidwayAddsNoOneAndSaysSo) {
    fresh_store();
    add("stored", "店主一", 41654, 41655);
    std::string csv = "客户旺旺,我们的旺旺,第一次咨询,最后跟踪,备注\r\n";
    for (int i = 0; i < 300; ++i)
        csv += "buyer" + std::to_string(i) + ",店主一,2014-5-23,2014-5-24," +
               std::string(1500, static_cast<char>('a' + i % 26)) + "\r\n";
    const std::string file = dir_ + "/many.csv";
    format_tests::write_text(file, csv);
    HeadlessWindow& main = open_main();
    messages();
    const std::string before = bytes(db_path_);

    std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit small = saved;
    small.rlim_cur = before.size() + 64 * 1024;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    run_import(file, [](HeadlessWindow& d) { d.fire(im::kOkButton, Event::clicked); });
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto told = messages();
    ASSERT_EQ(told.size(), 1u);
    EXPECT_EQ(told[0].first.rfind("导入失败，一位客户也没有加进去。\r\n", 0), 0u) << told[0].first;
    EXPECT_EQ(bytes(db_path_), before);
    EXPECT_EQ(stored().size(), 1u);
    EXPECT_EQ(main.item_count(forms::main::kList), 1);

    // With room again the same file goes in whole.
    run_import(file, [](HeadlessWindow& d) { d.fire(im::kOkButton, Event::clicked); });
    EXPECT_EQ(messages(), (Messages{{"导入完成：新增 300 位客户。", "导入客户"}}));
    EXPECT_EQ(stored().size(), 301u);
    EXPECT_EQ(main.item_count(forms::main::kList), 301);
}

// Reading and importing run off the window's thread with a progress window: 取消 forgets the
// file being read at once, and an import the user cancels (Esc, 取消 or the close box) is
// waited for until it has undone itself, with the file byte for byte as before and the import
// dialog still open for another try.
TEST_F(ImportRoundTrip, ProgressAndCancelLeaveTheStoreAsItWas) {
    namespace pg = forms::progress;
    fresh_store();
    add("stored", "店主一", 41654, 41655);
    std::string csv = "客户旺旺,我们的旺旺,第一次咨询,最后跟踪\r\n";
    for (int i = 0; i < 1200; ++i)
        csv += "buyer" + std::to_string(i) + ",店主一,2014-5-23,2014-5-24\r\n";
    const std::string file = dir_ + "/many.csv";
    format_tests::write_text(file, csv);
    HeadlessWindow& main = open_main();
    messages();
    const std::string before = bytes(db_path_);
    auto& windows = backend_.windows();

    // What each progress window does, in the order they open; each says what it saw.
    using Step = std::function<void(HeadlessWindow&)>;
    std::vector<Step> steps;
    std::vector<std::string> seen;
    on_open("WorkProgress", [&](HeadlessWindow& d) {
        seen.push_back(d.text("") + "|" + d.text(pg::kLabel) + "|" +
                       (d.visible(pg::kCancelButton) ? "取消" : "-"));
        const std::size_t at = seen.size() - 1;
        if (at < steps.size()) steps[at](d);
        if (d.closed()) return;
        windows.finish_background();
        EXPECT_TRUE(d.tick("poll"));
        EXPECT_TRUE(d.closed());
    });
    const Step esc = [](HeadlessWindow& d) {
        EXPECT_TRUE(d.press_key("Esc"));
        EXPECT_FALSE(d.closed());  // waits for the import to undo itself
        EXPECT_EQ(d.text(pg::kLabel), "正在取消，请稍候…");
        EXPECT_FALSE(d.visible(pg::kCancelButton));
    };
    const Step close_box = [](HeadlessWindow& d) { d.user_close(); };
    const Step nothing = [](HeadlessWindow&) {};

    // Reading cancelled: no import dialog, nothing said.
    windows.hold_background(true);
    steps = {[](HeadlessWindow& d) {
        EXPECT_EQ(d.progress(pg::kBar), (std::pair<int, int>{0, 0}));  // how long: unknown
        d.fire(pg::kCancelButton, Event::clicked);
        EXPECT_TRUE(d.closed());
    }};
    run_import(file, [](HeadlessWindow&) { ADD_FAILURE() << "opened"; });
    windows.finish_background();
    EXPECT_EQ(seen, (std::vector<std::string>{"正在读取|请稍候…|取消"}));
    EXPECT_TRUE(messages().empty());

    // The import cancelled by Esc, then by the close box (the window comes back until the
    // import has undone itself); then, let go, it goes in whole.
    seen.clear();
    steps = {nothing, esc, close_box, nothing};
    int tries = 0;
    run_import(file, [&](HeadlessWindow& d) {
        for (; tries < 2; ++tries) {
            d.fire(im::kOkButton, Event::clicked);
            EXPECT_FALSE(d.closed());
            EXPECT_TRUE(messages().empty());
            EXPECT_EQ(bytes(db_path_), before);
        }
        windows.hold_background(false);
        d.fire(im::kOkButton, Event::clicked);
        EXPECT_TRUE(d.closed());
    });
    EXPECT_EQ(seen,
              (std::vector<std::string>{"正在读取|请稍候…|取消", "正在导入|请稍候…|取消",
                                        "正在导入|请稍候…|取消", "正在导入|正在取消，请稍候…|-"}));
    EXPECT_EQ(messages(), (Messages{{"导入完成：新增 1200 位客户。", "导入客户"}}));
    EXPECT_EQ(stored().size(), 1201u);
    EXPECT_EQ(main.item_count(forms::main::kList), 1201);
}

// One failed step anywhere in the import, over the file system in memory: the import says it
// failed and the file is byte for byte what it was, or it says done and everyone is in.
TEST(ImportAtomicity, OneFailedStepAnywhereMeansAllOrNothing) {
    const store::StoreLocation where{"/shop/yrkb_com.db", store::kDatabasePassword};
    jet::MemoryFileSystem base;
    store::provision_store(base, where.path);
    std::vector<store::ImportCandidate> candidates;
    {
        store::StoreConnection c(base);
        store::RowSet rs;
        for (int i = 0; i < 30; ++i)
            ASSERT_EQ(store::save_new_customer(c, rs, where,
                                               {"old" + std::to_string(i), "店主一", 41654, 41655,
                                                std::string(300, 'o')}),
                      store::SaveOutcome::saved);
    }
    for (int i = 0; i < 60; ++i)
        candidates.push_back({{"new" + std::to_string(i), "店主二", 41782, 41783,
                               std::string(i % 5 == 0 ? 3000 : 40, 'n')},
                              i % 2 ? std::optional<double>(41790) : std::nullopt});
    candidates.push_back({{"OLD3", "店主一", 41782, 41783, ""}, std::nullopt});
    const auto count = [&](jet::MemoryFileSystem& fs) {
        store::StoreConnection c(fs);
        store::RowSet rs;
        return store::count_customers(c, rs, where, false).value_or(-1) +
               store::count_customers(c, rs, where, true).value_or(-1);
    };
    const auto original = base.contents(where.path);

    jet::MemoryFileSystem whole = base;
    const std::uint64_t start = whole.steps();
    {
        store::StoreConnection c(whole);
        store::RowSet rs;
        store::ImportReport report;
        ASSERT_TRUE(store::import_customers(c, rs, where, candidates, report));
        EXPECT_EQ(report.added, 60);
        EXPECT_EQ(report.already_stored, std::vector<std::size_t>{60});
    }
    const std::uint64_t steps = whole.steps() - start;
    ASSERT_EQ(count(whole), 90);

    int failed = 0;
    for (std::uint64_t n = 0; n < steps; n += std::max<std::uint64_t>(1, steps / 200)) {
        SCOPED_TRACE("failing step " + std::to_string(n) + " of " + std::to_string(steps));
        jet::MemoryFileSystem fs = base;
        fs.fail_after(n);
        store::StoreConnection c(fs);
        store::RowSet rs;
        store::ImportReport report;
        if (store::import_customers(c, rs, where, candidates, report)) {
            EXPECT_EQ(report.added, 60);
            EXPECT_EQ(count(fs), 90);
            continue;
        }
        ++failed;
        EXPECT_EQ(report.added, 0);
        EXPECT_TRUE(fs.contents(where.path) == original);
        EXPECT_EQ(count(fs), 30);
    }
    EXPECT_GT(failed, 0);
}

}  // namespace
}  // namespace dialog_tests
