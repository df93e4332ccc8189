// The chart window through "更多功能" → "查看图表": the two counts, the slices and legend they
// give, the 3-D switch, and a store that cannot be opened.
#include <filesystem>

#include "forms/forms.h"
#include "store/customer_actions.h"
#include "store/provision.h"
#include "tests/dialogs/dialog_fixture.h"

namespace dialog_tests {
namespace {

using runtime::Event;
using Legend = std::vector<std::string>;

struct Seen {
    std::string title;
    std::vector<double> values;
    std::vector<std::pair<std::string, std::uint32_t>> items;
    std::vector<runtime::PieSlice> slices;
    Legend legend;
    std::vector<bool> looks;  // the 3-D flag before and after each click
};

class ChartFlow : public DialogFlow {
  protected:
    // Opens the chart from the menu, clicks "三维图" `clicks` times, and closes it.
    Seen open_chart(int clicks = 0) {
        Seen seen;
        on_open("ChartWindow", [&](HeadlessWindow& w) {
            seen.title = w.text("");
            seen.values = {w.chart_value(forms::chart::kPie, 0),
                           w.chart_value(forms::chart::kPie, 1)};
            seen.items = w.form().find(forms::chart::kPie)->chart_items;
            seen.slices = w.chart_slices(forms::chart::kPie);
            seen.legend = w.chart_legend(forms::chart::kPie);
            seen.looks.push_back(w.chart_3d(forms::chart::kPie));
            for (int i = 0; i < clicks; ++i) {
                w.set_checked(forms::chart::kThreeD, !w.checked(forms::chart::kThreeD));
                w.fire(forms::chart::kThreeD, Event::clicked);
                seen.looks.push_back(w.chart_3d(forms::chart::kPie));
            }
            // The counts are fixed when the window opens.
            EXPECT_EQ(w.chart_value(forms::chart::kPie, 0), seen.values[0]);
            w.close();
        });
        main_->fire("", Event::right_button);  // the window's menu "更多功能"
        main_->choose_menu_item("查看图表");
        return seen;
    }
    void close_deal(int id) {
        store::StoreConnection c;
        store::RowSet rs;
        ASSERT_TRUE(store::register_deal(c, rs, {db_path_, store::kDatabasePassword}, id, 42000));
    }
};

TEST_F(ChartFlow, CountsSlicesAndLegendForNoneSomeAndOnlyOpen) {
    open_main();
    Seen none = open_chart();
    EXPECT_EQ(none.title, "图表分析");
    EXPECT_EQ(none.values, (std::vector<double>{0, 0}));
    EXPECT_TRUE(none.slices.empty());
    EXPECT_TRUE(none.legend.empty());
    // Blue for the open ones, red (200, 10, 10) for the deals, as 0x00BBGGRR.
    EXPECT_EQ(none.items, (std::vector<std::pair<std::string, std::uint32_t>>{
                              {"未成交数量", 0x00FF0000u}, {"已成交数量", 0x000A0AC8u}}));

    const int first = add("a", "店主", 41000, 41000);
    Seen only_open = open_chart();
    EXPECT_EQ(only_open.values, (std::vector<double>{1, 0}));
    ASSERT_EQ(only_open.slices.size(), 1u);
    EXPECT_EQ(only_open.slices[0].item, 0u);
    EXPECT_DOUBLE_EQ(only_open.slices[0].share, 1.0);
    EXPECT_EQ(only_open.legend, (Legend{"单位:个", "未成交数量 1[100%]", "已成交数量 0[0%]"}));

    add("b", "店主", 41000, 41000);
    add("c", "店主", 41000, 41000);
    add("d", "店主", 41000, 41000);
    close_deal(first);
    Seen some = open_chart();
    EXPECT_EQ(some.values, (std::vector<double>{3, 1}));
    ASSERT_EQ(some.slices.size(), 2u);
    EXPECT_DOUBLE_EQ(some.slices[0].share, 0.75);
    EXPECT_EQ(some.slices[1].item, 1u);
    EXPECT_DOUBLE_EQ(some.slices[1].start, 0.75);
    EXPECT_EQ(some.legend, (Legend{"单位:个", "未成交数量 3[75%]", "已成交数量 1[25%]"}));
    EXPECT_TRUE(messages().empty());
}

TEST_F(ChartFlow, TheSwitchTurnsTheLookAndAMissingStoreDrawsNothing) {
    add("a", "店主", 41000, 41000);
    open_main();
    Seen seen = open_chart(2);
    EXPECT_EQ(seen.looks, (std::vector<bool>{false, true, false}));
    EXPECT_EQ(seen.values, (std::vector<double>{1, 0}));

    std::filesystem::rename(db_path_, db_path_ + ".away");
    Seen away = open_chart(1);
    EXPECT_EQ(away.values, (std::vector<double>{0, 0}));
    EXPECT_TRUE(away.legend.empty());
    EXPECT_EQ(away.looks, (std::vector<bool>{false, true}));
    EXPECT_TRUE(messages().empty());
}

}  // namespace
}  // namespace dialog_tests
