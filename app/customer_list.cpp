// The customer list: the only code that fills it, and the hand-over of a row to the editor.
#include <string>

#include "app/list_statuses.h"
#include "app/main_window.h"
#include "app/tracking_sheet.h"
#include "forms/forms.h"
#include "runtime/platform.h"
#include "services/date_format.h"
#include "services/numbers.h"
#include "store/customer_actions.h"
#include "store/provision.h"

namespace app {

namespace {

constexpr const char* kDatePattern = "%y-%m-%d";

}  // namespace

void reload_list(runtime::Window& window, MainContext& context) {
    const bool closed = context.state.list_mode != kOpenCustomers;
    window.set_column_title(forms::main::kList, 6, closed ? "成功交易日期" : "最后跟踪日期");
    const store::StoreLocation where{context.state.database_path, store::kDatabasePassword};
    auto customers = store::load_customers(context.connection, context.rows, where, closed);
    if (!customers) {
        // The store did not open: the list keeps what it had.
        if (!context.state.export_kind.empty()) finish_export(context, false);
        return;
    }

    window.delete_all_items(forms::main::kList);
    context.state.export_lines.clear();
    std::vector<services::StatusKey> keys;
    keys.reserve(customers->size());
    for (std::size_t i = 0; i < customers->size(); ++i) {
        const auto& c = (*customers)[i];
        int row = window.append_item(forms::main::kList, std::to_string(c.id));
        window.set_cell(forms::main::kList, row, 1, std::to_string(i + 1));
        // The status last learnt for this customer and ID stays on screen while a newer one
        // is asked.
        keys.push_back({c.id, c.wang});
        window.set_cell(forms::main::kList, row, 2, known_status(context, keys.back()));
        window.set_cell(forms::main::kList, row, 3, c.wang);
        window.set_cell(forms::main::kList, row, 4, c.wang2);
        window.set_cell(forms::main::kList, row, 5, services::format_date(c.time1, kDatePattern));
        window.set_cell(forms::main::kList, row, 6,
                        services::format_date(closed ? c.time3 : c.time2, kDatePattern));
        window.set_cell(forms::main::kList, row, 7, note_cell(c.bs));
    }
    ask_list_statuses(window, context, keys);

    context.listed = std::move(*customers);

    const std::string& kind = context.state.export_kind;
    if (kind.empty()) return;
    // Each line goes in front of the earlier ones: the sheet starts with the oldest customer.
    SheetRows rows;
    for (std::size_t i = context.listed.size(); i-- > 0;) {
        context.state.export_lines += sheet_line(kind, i + 1, context.listed[i]);
        rows.emplace_back(i + 1, context.listed[i]);
    }
    finish_export(context, true, rows);
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
    CurrentCustomer& c = context.state.current_customer;
    c.id = services::to_integer(services::text_to_number(window.cell(forms::main::kList, row, 0)));
    c.wang = window.cell(forms::main::kList, row, 3);
    c.wang2 = window.cell(forms::main::kList, row, 4);
    c.first_date = window.cell(forms::main::kList, row, 5);
    c.list_date = window.cell(forms::main::kList, row, 6);
    // The note as stored, not as the cell shows its line breaks.
    c.note = row >= 0 && static_cast<std::size_t>(row) < context.listed.size()
                 ? context.listed[static_cast<std::size_t>(row)].bs
                 : window.cell(forms::main::kList, row, 7);
    context.state.editor_mode.clear();
    runtime::platform().windows().open_modal(forms::customer_editor(), context.editor_handlers);
}

}  // namespace app
