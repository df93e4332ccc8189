// "店铺统计": which days each period choice means, and the window opened by its shortcut over a
// real store: the table per ID of ours with its total, a header click, the chart's data, the
// workbook read back by openpyxl and LibreOffice, and the chart's picture.
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "dialogs/dates.h"
#include "dialogs/shop_figures_table.h"
#include "forms/forms.h"
#include "jet/civil_date.h"
#include "store/customer_actions.h"
#include "store/next_steps.h"
#include "store/provision.h"
#include "tests/dialogs/dialog_fixture.h"
#include "tests/formats/tools.h"

namespace dialog_tests {
namespace {

namespace fs = std::filesystem;
namespace fw = forms::figures;
using runtime::Event;

double day(std::int64_t y, unsigned m, unsigned d) {
    return static_cast<double>(jet::days_from_civil({y, m, d}) + jet::kEngineEpochOffset);
}

TEST(FigurePeriods, EachChoiceCoversItsDaysAtTheYearsEdge) {
    const double jan15 = day(2026, 1, 15) + 0.75;
    const struct {
        int choice;
        double from, to;  // as picked, for 自定义
        store::FigurePeriod want;
    } cases[] = {
        {0, 0, 0, {day(2026, 1, 1), day(2026, 2, 1)}},
        {1, 0, 0, {day(2025, 12, 1), day(2026, 1, 1)}},
        {2, 0, 0, {day(2025, 12, 17), day(2026, 1, 16)}},
        {3, 0, 0, {day(2026, 1, 1), day(2027, 1, 1)}},
        // Picked the wrong way round, with times of day: the whole days between, both counted.
        {4, day(2026, 3, 9) + 0.5, day(2026, 3, 2) + 0.2, {day(2026, 3, 2), day(2026, 3, 10)}},
    };
    for (const auto& c : cases) {
        const auto got = dialogs::period_for(c.choice, jan15, c.from, c.to);
        EXPECT_EQ(std::make_pair(got.from, got.to), std::make_pair(c.want.from, c.want.to))
            << c.choice;
    }
    EXPECT_EQ(dialogs::series_months(jan15), std::make_pair(202502, 202601));
    EXPECT_EQ(dialogs::series_months(day(2026, 12, 31)), std::make_pair(202601, 202612));
}

class FiguresFlow : public DialogFlow {
  protected:
    static std::vector<std::vector<std::string>> table_of(const HeadlessWindow& w) {
        std::vector<std::vector<std::string>> out;
        for (int r = 0; r < w.item_count(fw::kTable); ++r) {
            out.emplace_back();
            for (int c = 0; c < dialogs::kFigureColumnCount; ++c)
                out.back().push_back(w.cell(fw::kTable, r, c));
        }
        return out;
    }
    std::string read_file(const std::string& path) const {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
};

TEST_F(FiguresFlow, TheWindowCountsSortsAndExportsTheShopsNumbers) {
    dialogs::set_clock([] { return day(2026, 2, 20) + 0.5; });
    set_our_ids("甲\r\n乙\r\n丙");
    const int a = add("b1", "甲", day(2026, 2, 2), day(2026, 2, 2));
    add("b2", "甲", day(2026, 2, 3), day(2026, 2, 3));
    const int c = add("b3", "乙", day(2026, 1, 30), day(2026, 1, 30));
    add("b4", "乙", day(2026, 2, 19), day(2026, 2, 19));
    {
        store::StoreConnection conn;
        store::RowSet rs;
        const store::StoreLocation where{db_path_, store::kDatabasePassword};
        ASSERT_TRUE(store::register_deal(conn, rs, where, a, day(2026, 2, 5)));
        ASSERT_TRUE(store::register_deal(conn, rs, where, c, day(2026, 2, 4)));
        ASSERT_TRUE(store::record_follow_up(conn, rs, where, c, {day(2026, 2, 1), "问", "", 0}));
    }
    open_main();
    messages();
    const std::string book = dir_ + "/figures.xlsx", picture = dir_ + "/figures.png";
    std::vector<std::string> offered;
    backend_.windows().on_save_dialog([&](const runtime::Control& d, std::string_view name) {
        offered.emplace_back(name);
        return std::optional<std::string>(d.name == fw::kSheetDialog ? book : picture);
    });
    std::vector<std::vector<std::string>> shown, sorted;
    runtime::FigureChart chart;
    on_open("ShopFigures", [&](HeadlessWindow& w) {
        EXPECT_EQ(w.text(fw::kPeriod), "本月");
        shown = table_of(w);
        chart = w.figure_chart(fw::kChart);
        w.fire(fw::kTable, Event::column_clicked, {1, {}});  // 新咨询, most first
        sorted = table_of(w);
        EXPECT_TRUE(w.press_key("Ctrl+S"));
        EXPECT_TRUE(w.press_key("Ctrl+P"));
        EXPECT_TRUE(w.press_key("Esc"));
    });
    ASSERT_TRUE(main_->press_key("Ctrl+M"));
    // February: 甲's two asked, one bought; 乙's b4 asked, b3 (asked in January) bought in
    // 5 days; 丙 has none. Due by the three days' cadence: b2 only (b4 asked yesterday).
    using Rows = std::vector<std::vector<std::string>>;
    EXPECT_EQ(shown, (Rows{{"甲", "2", "1", "50.0%", "3.0", "0", "0", "1"},
                           {"乙", "1", "1", "0.0%", "5.0", "1", "0", "0"},
                           {"丙", "0", "0", "—", "—", "0", "0", "0"},
                           {"合计", "3", "2", "33.3%", "4.0", "1", "0", "1"}}));
    EXPECT_EQ(sorted.front()[0], "甲");
    EXPECT_EQ(sorted.back()[0], "合计");
    EXPECT_EQ(chart.groups, (std::vector<std::string>{"甲", "乙", "丙"}));
    EXPECT_EQ(chart.bars, (std::vector<std::vector<double>>{{2, 1, 0}, {1, 1, 0}}));
    ASSERT_EQ(chart.line.size(), 12u);
    EXPECT_EQ(chart.line[10], std::optional<double>(100.0));  // January: b3 asked and bought
    EXPECT_EQ(chart.line[0], std::nullopt);
    EXPECT_EQ(messages(), (std::vector<std::pair<std::string, std::string>>{
                              {"店铺统计已导出。", "信息："}, {"统计图已导出。", "信息："}}));
    EXPECT_EQ(offered, (std::vector<std::string>{"店铺统计20260201-20260228",
                                                 "店铺统计图20260201-20260228"}));

    const std::string want =
        "店铺统计|2026-02-01 至 2026-02-28\n"
        "我们的旺旺|新咨询|成交|转化率|平均成交天数|跟进次数|放弃|待跟进|放弃原因\n"
        "甲|2|1|50.0%|3|0|0|1\n乙|1|1|0.0%|5|1|0|0\n丙|0|0|||0|0|0\n合计|3|2|33.3%|4|1|0|1\n"
        "\n月份|新咨询|其中已成交|转化率\n";
    const std::string& python = format_tests::openpyxl_python();
    if (!python.empty()) {
        auto run = format_tests::python(python, R"(
import sys, openpyxl, datetime
ws = openpyxl.load_workbook(sys.argv[1]).worksheets[0]
for r in ws.iter_rows(max_row=8):
    cells = []
    for c in r:
        v = c.value
        if v is None: v = ''
        elif c.number_format == '0.0%': v = '%.1f%%' % (v * 100)
        elif isinstance(v, float) and v.is_integer(): v = int(v)
        cells.append(str(v))
    print('|'.join(cells).rstrip('|'))
months = [r for r in ws.iter_rows(min_row=9, values_only=True)]
print(len(months), months[0][0].date().isoformat(), months[-2][:3])
)",
                                        {book});
        EXPECT_EQ(run.status, 0) << run.out;
        EXPECT_EQ(run.out, want + "12 2025-03-01 (datetime.datetime(2026, 1, 1, 0, 0), 1, 1)\n");
    }
    if (format_tests::have_soffice()) {
        const std::string out = format_tests::scratch() + "/lo_figures";
        fs::create_directories(out);
        ASSERT_TRUE(format_tests::soffice_convert(
            {book}, "csv:Text - txt - csv (StarCalc):124,34,76,1,,0,false,true,true", out));
        const std::string csv = read_file(out + "/figures.csv");
        // As shown there: percentages as percentages, months as dates.
        for (const char* line : {"\n合计|3|2|33.3%|4|1|0|1|\n", "\n2026-1-1|1|1|100.0%|"})
            EXPECT_NE(csv.find(line), std::string::npos) << csv;
    }
    // The picture: a PNG as large as the chart.
    const std::string png = read_file(picture);
    ASSERT_GE(png.size(), 24u);
    EXPECT_EQ(png.substr(1, 3), "PNG");
    dialogs::set_clock({});
}

// A count that cannot read the store shows nothing, not an earlier opening's figures, and
// exports nothing.
TEST_F(FiguresFlow, AStoreThatCannotBeReadShowsAndExportsNothing) {
    add("b1", "甲", day(2026, 2, 2), day(2026, 2, 2));
    open_main();
    messages();
    int shown = -1, sorted = -1;
    on_open("ShopFigures", [&](HeadlessWindow& w) { w.press_key("Esc"); });
    ASSERT_TRUE(main_->press_key("Ctrl+M"));  // an opening that counted
    fs::rename(db_path_, db_path_ + ".away");
    bool asked = false;
    backend_.windows().on_save_dialog([&](const runtime::Control&, std::string_view) {
        asked = true;
        return std::optional<std::string>(dir_ + "/never.xlsx");
    });
    on_open("ShopFigures", [&](HeadlessWindow& w) {
        shown = w.item_count(fw::kTable);
        w.fire(fw::kTable, Event::column_clicked, {1, {}});
        sorted = w.item_count(fw::kTable);
        w.press_key("Ctrl+S");
        w.press_key("Esc");
    });
    ASSERT_TRUE(main_->press_key("Ctrl+M"));
    EXPECT_EQ(std::make_tuple(shown, sorted, asked), std::make_tuple(0, 0, false));
    EXPECT_FALSE(fs::exists(dir_ + "/never.xlsx"));
    const auto said = messages();
    EXPECT_EQ(std::count(said.begin(), said.end(),
                         std::make_pair(std::string("店铺统计没能读出数据，请稍后再试。"),
                                        std::string("信息："))),
              2);
    fs::rename(db_path_ + ".away", db_path_);
}

}  // namespace
}  // namespace dialog_tests
