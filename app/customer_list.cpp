// The customer list: the only code that fills it, what it shows of the loaded customers, and
// the hand-over of a row to the editor.
#include <cmath>
#include <string>

#include "app/list_loading.h"
#include "app/list_statuses.h"
#include "app/main_window.h"
#include "app/program_settings.h"
#include "app/store_choice.h"
#include "app/tracking_sheet.h"
#include "dialogs/dates.h"
#include "forms/forms.h"
#include "runtime/platform.h"
#include "services/numbers.h"
#include "store/customer_actions.h"
#include "store/provision.h"

namespace app {

namespace {

ListQuery query_now(const MainContext& context) {
    ListQuery q;
    q.find = context.find_text;
    q.sort = context.sort;
    q.closed = closed_mode(context.state.list_mode);
    q.gave_up = context.state.list_mode == kGivenUpCustomers;
    // Nobody in the closed list waits: there the due view shows everyone.
    q.due_only = context.due_only && !q.closed;
    q.today = dialogs::now_as_date();
    q.cadence = current_cadence(context);
    return q;
}

// Chooses and orders the rows; the list view draws them from the state when it next paints.
void choose_rows(MainContext& context) {
    ListState& list = *context.list;
    list.query = query_now(context);
    if (!list.order) return;
    list.rows = list.order->shown(list.query,
                                  [&list](std::size_t at) { return !list.status_at(at).empty(); });
    list.rows_changed();
}

}  // namespace

void reload_list(runtime::Window& window, MainContext& context) {
    ++context.list_loads;  // a load in the background meanwhile is overtaken
    context.list_loading = false;
    show_loaded_list(window, context,
                     read_list(context.connection, context.rows, store_location(context),
                               closed_mode(context.state.list_mode)));
}

bool show_loaded_list(runtime::Window& window, MainContext& context, LoadedList loaded) {
    const bool closed = closed_mode(context.state.list_mode);
    window.set_column_title(forms::main::kList, 6, closed ? "成功交易日期" : "最后跟踪日期");
    if (!loaded.order) {
        // The store did not open: the list keeps what it had.
        if (!context.state.export_kind.empty()) finish_export(context, false);
        return false;
    }

    // As every load always has, the list starts without a selection.
    window.delete_all_items(forms::main::kList);
    context.state.export_lines.clear();
    ListState& list = *context.list;
    // The status last learnt for each customer and ID stays on screen while a newer one is
    // asked.
    list.clear_statuses();
    list.order = std::move(loaded.order);
    for (const auto& c : list.order->customers())
        if (std::string known = known_status(context, {c.id, c.buyer}); !known.empty())
            list.set_status(c.id, c.buyer, known);
    list.loaded_stamp = loaded.stamp;
    list.order->prepare_text_orders();
    choose_rows(context);
    window.show_rows(forms::main::kList, context.list_rows);
    window.set_sort_mark(forms::main::kList, context.sort.column,
                         context.sort.column <= 1 ? 0 : (context.sort.descending ? -1 : 1));

    std::vector<services::StatusKey> keys;
    keys.reserve(list.rows.size());
    for (std::size_t r = 0; r < list.rows.size(); ++r) {
        const auto& c = *list.customer(static_cast<int>(r));
        keys.push_back({c.id, c.buyer});
    }
    ask_list_statuses(window, context, std::move(keys));
    if (const std::int32_t id = std::exchange(context.reselect, 0); id > 0)
        if (const int row = list.row_of(id); row >= 0) window.select_row(forms::main::kList, row);

    const std::string& kind = context.state.export_kind;
    if (kind.empty()) return true;
    // The sheet lists the rows shown, the last first, each with its running number.
    SheetRows rows = shown_customers(context);
    for (const auto& [number, c] : rows)
        context.state.export_lines += sheet_line(kind, number, c);
    finish_export(context, true, rows);
    return true;
}

void show_list(runtime::Window& window, MainContext& context) {
    const store::CustomerRow* picked =
        context.list->customer(window.selected_row(forms::main::kList));
    const std::int32_t keep = picked ? picked->id : 0;
    choose_rows(context);
    window.refresh_rows(forms::main::kList);
    window.set_sort_mark(forms::main::kList, context.sort.column,
                         context.sort.column <= 1 ? 0 : (context.sort.descending ? -1 : 1));
    // The selection stays on its customer, or goes: left on its row it would point at
    // whoever stands there now, and Del would delete them.
    window.select_row(forms::main::kList, keep ? context.list->row_of(keep) : -1);
    // Other customers may stand in view now: theirs are asked first.
    prefer_visible_statuses(window, context);
}

SheetRows shown_customers(const MainContext& context) {
    SheetRows rows;
    const ListState& list = *context.list;
    for (std::size_t r = list.rows.size(); r-- > 0;)
        rows.emplace_back(r + 1, *list.customer(static_cast<int>(r)));
    return rows;
}

std::string note_cell(std::string_view note) {
    std::string cell;
    cell.reserve(note.size());
    for (std::size_t i = 0; i < note.size(); ++i) {
        const char ch = note[i];
        if (ch != '\r' && ch != '\n') {
            cell += ch;
            continue;
        }
        if (ch == '\r' && i + 1 < note.size() && note[i + 1] == '\n') ++i;  // CR LF is one break
        cell += " \u21b5 ";
    }
    return cell;
}

double selected_id(const runtime::Window& window) {
    int row = window.selected_row(forms::main::kList);
    return services::text_to_number(window.cell(forms::main::kList, row, 0));
}

void edit_selected_customer(runtime::Window& window, MainContext& context) {
    int row = window.selected_row(forms::main::kList);
    // The customer as loaded, dates and note as stored: nothing is read back from the cells.
    const store::CustomerRow* shown = context.list->customer(row);
    context.state.current_customer = shown ? *shown : CurrentCustomer{};
    context.state.editor_mode.clear();
    runtime::platform().windows().open_modal(forms::customer_editor(), context.editor_handlers);
}

}  // namespace app
