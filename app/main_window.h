#pragma once
// The main window: its start-up steps, toolbar, resize rule, tray toggle and menus.
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "app/list_order.h"
#include "app/list_view.h"
#include "jet/file_system.h"
#include "runtime/window.h"
#include "services/settings_lines.h"
#include "services/status_pipeline.h"
#include "store/customer_actions.h"
#include "store/row_set.h"
#include "store/shop.h"
#include "store/store_connection.h"

namespace app {

class StatusAnswers;

// Everything the main window's handlers work with besides the window itself.
struct MainContext {
    MainContext() = default;
    ~MainContext();  // stops asking statuses, without waiting for the network
    MainContext(const MainContext&) = delete;
    MainContext& operator=(const MainContext&) = delete;

    AppState state;
    store::StoreConnection connection;
    store::RowSet rows;
    jet::FileSystem* files = nullptr;  // where the database lives
    // Where the online statuses come from: start_program gives the platform's HTTP and the
    // status host; without a session nothing is asked and the column stays empty.
    services::StatusPipelineSetup status_setup;
    // The start-up check for a newer version.
    std::function<void()> check_for_update;
    // The maker's home page; empty: "官方网站" does nothing.
    std::string home_page;
    // The other windows' operations, as their code provides them.
    runtime::Handlers editor_handlers, manager_handlers, deal_handlers, chart_handlers,
        follow_up_handlers, cadence_handlers, follow_up_log_handlers, give_up_handlers,
        bin_handlers, tag_manager_handlers, tag_picker_handlers, figures_handlers;
    // After the next load, the row of this customer is selected again (a follow-up keeps
    // its customer in hand).
    std::int32_t reselect = 0;
    // Settings row 2 as last read or written.
    services::SettingsLines settings;
    // Where the shop's data is this run and what that store can do (app/store_choice.h).
    store::Shop shop;
    // Settings row 2 of the server the customers are on: its shop-wide keys (the cadence)
    // count instead of this PC's. None while the customers are in the file.
    std::optional<services::SettingsLines> shop_settings;
    // What the list shows, and how the user asked for it: the text in the find box, the
    // column sorted by, only the customers due.
    std::shared_ptr<ListState> list = std::make_shared<ListState>();
    std::shared_ptr<CustomerRows> list_rows = std::make_shared<CustomerRows>(list);
    std::string find_text;
    SortChoice sort;
    bool due_only = false;
    // The list shows the next-date column (remembered per PC).
    bool next_date_column = false;
    bool tags_column = false;  // the list shows the tags' column (the same)
    // The statuses of the whole run, made from status_setup at the first list load; their
    // answers wait in status_answers for the windows' thread.
    std::unique_ptr<services::StatusPipeline> statuses;
    std::shared_ptr<StatusAnswers> status_answers;
    // The next list load asks every status again ("刷新状态"), not only unknown or old ones.
    bool refresh_everything = false;
    // The date (engine days) the list's due colours and the tray last followed; the user was
    // told that backups are dated after today (the clock went back).
    std::int64_t day_shown = 0;
    bool told_clock_doubt = false;
    // Every list load counts here; a load in the background shows only while it is the last.
    std::uint64_t list_loads = 0;
    bool list_loading = false;
};

// The operations the main window's definition binds.
runtime::Handlers main_window_handlers(MainContext& context);

// Fills the list with the customers of the current mode.
void reload_list(runtime::Window& window, MainContext& context);
// Shows the loaded customers again as the find text, the sort and the due view now ask,
// keeping the selected customer selected where it is still shown.
void show_list(runtime::Window& window, MainContext& context);
// The customers of the loaded list in the order shown, for the sheets: each with its
// running number.
std::vector<std::pair<std::size_t, store::CustomerRow>> shown_customers(const MainContext& c);
// Hands the selected row to the customer editor and opens it.
void edit_selected_customer(runtime::Window& window, MainContext& context);
// Lists the customers of `mode` (kOpenCustomers, kClosedCustomers, kGivenUpCustomers).
void show_mode(runtime::Window& window, MainContext& context, const char* mode);
// Shows the row menu's items that fit the list shown (open, closed, given up).
void fit_row_menu(runtime::Window& window, const MainContext& context);
// Gives the note column what the window's width leaves it.
void fit_note_column(runtime::Window& window);
// A word beside the tray icon when customers wait for a follow-up today.
void remind_of_due(runtime::Window& window, const MainContext& context);
// The selected row's id, 0 when no row is selected.
double selected_id(const runtime::Window& window);
// A note as one line of the list: each line break shows as a visible mark, since the list
// cannot show more than one line and the font draws a box for a bare line break.
std::string note_cell(std::string_view note);

}  // namespace app
