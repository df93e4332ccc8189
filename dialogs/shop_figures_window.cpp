#include "dialogs/shop_figures_window.h"

#include <algorithm>
#include <cmath>
#include <optional>

#include "dialogs/dates.h"
#include "dialogs/id_text.h"
#include "dialogs/shop_figures_table.h"
#include "formats/xlsx_writer.h"
#include "forms/forms.h"
#include "runtime/platform.h"
#include "services/message.h"
#include "store/customer_actions.h"
#include "store/sources.h"

namespace dialogs {

namespace {

namespace fw = forms::figures;
using runtime::EventArgs;
using runtime::Window;

constexpr const char* kUnread = "店铺统计没能读出数据，请稍后再试。";

struct FiguresWindow {
    std::shared_ptr<const DialogContext> context;
    store::StoreConnection connection;
    store::RowSet rows;
    store::ShopFigures figures;
    store::FigurePeriod period;
    int sort_column = -1;  // -1: the shop's list of IDs in its order
    bool descending = false;
    bool filling = false;     // the window sets its own pickers: no second count for that
    std::string period_name;  // as the chart's title says it
    bool counted = false;     // figures read since the window opened
};

// The file name offered: what it holds and its days.
std::string offered_name(const char* what, const store::FigurePeriod& p) {
    return std::string(what) + day_text(p.from, false) + "-" + day_text(p.to - 1, false);
}

// The IDs' rows in the order the table shows them, which the sheet keeps too.
std::vector<store::OurIdFigures> shown_ids(const FiguresWindow& f) {
    std::vector<store::OurIdFigures> ids = f.figures.ids;
    if (f.sort_column >= 0) sort_figures(ids, f.sort_column, f.descending);
    return ids;
}

void show_table(Window& w, FiguresWindow& f) {
    w.delete_all_items(fw::kTable);
    // Until a count succeeds there is nothing to show, not even a total of nothing.
    if (!f.counted) return;
    const std::vector<store::OurIdFigures> ids = shown_ids(f);
    for (const auto& row : ids) {
        const auto cells = figure_cells(row);
        const int item = w.append_item(fw::kTable, cells[0]);
        for (int c = 1; c < kFigureColumnCount; ++c)
            w.set_cell(fw::kTable, item, c, cells[static_cast<std::size_t>(c)]);
    }
    // The total stays last whatever the order.
    auto total = figure_cells(f.figures.total);
    total[0] = kTotalRow;
    const int item = w.append_item(fw::kTable, total[0]);
    for (int c = 1; c < kFigureColumnCount; ++c)
        w.set_cell(fw::kTable, item, c, total[static_cast<std::size_t>(c)]);
    for (int c = 0; c < kFigureColumnCount; ++c)
        w.set_sort_mark(fw::kTable, c, c == f.sort_column ? (f.descending ? -1 : 1) : 0);
}

void show_chart(Window& w, const FiguresWindow& f) {
    w.set_figure_chart(fw::kChart, figures_chart(f.figures, f.period_name));
}

// Counts the period anew: the store's figures, the IDs of the shop's list that have none, and
// who is due now.
void count(Window& w, FiguresWindow& f) {
    const DialogContext& c = *f.context;
    const double today = now_as_date();
    const auto [first, last] = series_months(today);
    auto figures = store::read_shop_figures(f.connection, f.rows, c.store(), f.period, first, last);
    const auto ours = store::read_setting(f.connection, f.rows, c.store(), store::kOurIdsRow);
    const auto due =
        c.due_counts ? c.due_counts() : std::optional<std::map<std::string, std::int64_t>>{};
    if (!figures || !ours || (c.due_counts && !due)) {
        services::show_message(kUnread);
        return;
    }
    const auto row_of = [&](const std::string& id) -> store::OurIdFigures& {
        for (auto& row : figures->ids)
            if (row.our_id == id) return row;
        figures->ids.push_back({});
        figures->ids.back().our_id = id;
        return figures->ids.back();
    };
    // The IDs of the shop's list in its order, each with a row even without figures; then the
    // IDs no longer on it, by their text as counted.
    const auto listed = split_our_ids(*ours);
    for (const std::string& id : listed)
        row_of(id);
    const auto place = [&](const std::string& id) {
        return static_cast<std::size_t>(std::find(listed.begin(), listed.end(), id) -
                                        listed.begin());
    };
    std::stable_sort(figures->ids.begin(), figures->ids.end(), [&](const auto& a, const auto& b) {
        return place(a.our_id) < place(b.our_id);
    });
    if (due)
        for (const auto& [id, n] : *due) {
            row_of(id).due_now = n;
            figures->total.due_now += n;
        }
    f.figures = std::move(*figures);
    f.counted = true;
    show_table(w, f);
    show_chart(w, f);
}

void set_period(Window& w, FiguresWindow& f) {
    const int choice = w.selected_choice(fw::kPeriod);
    f.period = period_for(choice, now_as_date(), w.date(fw::kFrom), w.date(fw::kTo));
    f.period_name =
        choice >= 0 && choice < kCustomPeriod ? kPeriodChoices[choice] : period_text(f.period);
    f.filling = true;
    w.set_date(fw::kFrom, f.period.from);
    w.set_date(fw::kTo, f.period.to - 1);
    f.filling = false;
    count(w, f);
}

// Where an export goes, offered on the desktop as `what` and the period's days; nullopt when
// there is nothing counted to export (said so) or the user cancelled.
std::optional<std::string> export_path(Window& w, const FiguresWindow& f, const char* dialog,
                                       const char* what) {
    if (!f.counted) {
        services::show_message(kUnread);
        return std::nullopt;
    }
    std::string desktop = runtime::platform().shell().desktop_folder();
    if (!desktop.empty() && desktop.back() != '\\') desktop += '\\';
    return w.ask_save_path(dialog, desktop, offered_name(what, f.period));
}

void export_sheet(Window& w, FiguresWindow& f) {
    const auto path = export_path(w, f, fw::kSheetDialog, "店铺统计");
    if (!path) return;
    store::ShopFigures shown = f.figures;
    shown.ids = shown_ids(f);
    formats::XlsxOptions options;
    options.sheet_name = "店铺统计";
    options.header_row = false;
    const auto workbook = formats::write_xlsx(figures_sheet(shown, period_text(f.period)), options);
    // Written beside and put in place in one step: an older sheet stays whole until then.
    const bool written = workbook && runtime::platform().files().replace(*path, *workbook);
    services::show_message(written ? "店铺统计已导出。" : "店铺统计没能导出，请换个位置再试。");
}

void export_picture(Window& w, FiguresWindow& f) {
    const auto path = export_path(w, f, fw::kPictureDialog, "店铺统计图");
    if (!path) return;
    const bool written = w.save_chart_picture(fw::kChart, *path);
    services::show_message(written ? "统计图已导出。" : "统计图没能导出，请换个位置再试。");
}

}  // namespace

runtime::Handlers shop_figures_handlers(std::shared_ptr<const DialogContext> context) {
    auto f = std::make_shared<FiguresWindow>();
    f->context = std::move(context);
    runtime::Handlers h;
    h[forms::ops::kFiguresCreated] = [f](Window& w, const EventArgs&) {
        // Each opening starts afresh: nothing of an earlier one's figures or order.
        f->figures = {};
        f->counted = false;
        f->descending = false;
        f->sort_column = -1;
        w.clear_choices(fw::kPeriod);
        for (const char* choice : kPeriodChoices)
            w.add_choice(fw::kPeriod, choice);
        w.select_choice(fw::kPeriod, 0);
        set_period(w, *f);
        w.set_focus(fw::kPeriod);
    };
    h[forms::ops::kFiguresPeriodChanged] = [f](Window& w, const EventArgs&) { set_period(w, *f); };
    h[forms::ops::kFiguresDatesChanged] = [f](Window& w, const EventArgs&) {
        if (f->filling) return;
        // A day picked is a period of the user's own.
        if (w.selected_choice(fw::kPeriod) != kCustomPeriod)
            w.select_choice(fw::kPeriod, kCustomPeriod);
        set_period(w, *f);
    };
    h[forms::ops::kSortFigures] = [f](Window& w, const EventArgs& e) {
        const int column = e.value;
        f->descending = f->sort_column == column ? !f->descending : column > 0;
        f->sort_column = column;
        show_table(w, *f);
    };
    h[forms::ops::kExportFigures] = [f](Window& w, const EventArgs&) { export_sheet(w, *f); };
    h[forms::ops::kExportFiguresPicture] = [f](Window& w, const EventArgs&) {
        export_picture(w, *f);
    };
    h[forms::ops::kCloseDialog] = [](Window& w, const EventArgs&) { w.close(); };
    return h;
}

}  // namespace dialogs
