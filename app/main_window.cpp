// The main window's own operations: start-up, toolbar, resize, tray, menus.
#include "app/main_window.h"
#include "app/list_loading.h"

#include <cmath>

#include "app/change_watch.h"
#include "app/data_commands.h"
#include "app/day_turn.h"
#include "app/list_commands.h"
#include "app/list_statuses.h"
#include "app/list_tools.h"
#include "app/program_settings.h"
#include "app/skin_choice.h"
#include "app/store_choice.h"
#include "app/tracking_sheet.h"
#include "app/window_memory.h"

#include "dialogs/database_settings.h"
#include "dialogs/dates.h"
#include "dialogs/move_shop.h"
#include "dialogs/store_messages.h"
#include "forms/forms.h"
#include "runtime/platform.h"
#include "services/message.h"
#include "services/numbers.h"
#include "store/customer_actions.h"
#include "store/provision.h"
#include "store/sources.h"

namespace app {

MainContext::~MainContext() {
    stop_list_statuses(*this);
}

namespace {

using runtime::EventArgs;
using runtime::Window;

constexpr double kTolerance = 0.0000001;

enum ToolbarEntry {
    kAddCustomer = 0,
    kOurIds = 1,
    kOpenMode = 3,
    kClosedMode = 4,
    kRefresh = 6,
    kExport = 7,
    kMoreOptions = 8,
    kHomePage = 10,
};

void show_row_menu(Window& window, const MainContext& context) {
    fit_row_menu(window, context);
    window.popup_menu(forms::main::kRowMenu);
}

// A file that cannot be opened is not an empty shop: the user hears once what is wrong with
// it, where it is, and that nothing was changed. Nothing writes to it afterwards, since every
// open of it fails.
void tell_if_store_unusable(MainContext& context) {
    const std::string& path = context.state.database_path;
    const auto failure =
        store::check_store(context.connection, context.rows, {path, store::kDatabasePassword});
    const std::string text = dialogs::start_up_store_message(failure, path);
    if (!text.empty()) services::show_message(text);
}

void show_due(Window& window, MainContext& context) {
    window.set_visible("", true);
    context.due_only = true;
    window.set_menu_item_checked(forms::main::kDueOnlyItem, true);
    if (context.state.list_mode != kOpenCustomers)
        show_mode(window, context, kOpenCustomers);
    else
        show_list(window, context);
}

// MB_RETRYCANCEL: the server may come back while the user waits.
constexpr std::int32_t kButtonsRetryCancel = 5;

std::string server_name(const dialogs::ServerDetails& d) {
    return d.host + ":" + std::to_string(d.port) + " 上的数据库 " + d.database;
}

// The store this run uses: the chosen server when it answers; when it does not, the user
// hears which server and why, and tries again or uses this PC's file for this run only (the
// choice stays for the next start).
void choose_store(MainContext& context) {
    const auto read = dialogs::read_store_choice(context.settings, runtime::platform().secrets());
    if (context.shop.overridden() || !read.choice.on_server) {
        load_shop_settings(context);
        return;
    }
    const auto& details = read.choice.server;
    while (true) {
        const auto failure =
            store::check_store(context.connection, context.rows, dialogs::server_location(details));
        if (failure == store::StoreFailure::none) {
            use_store(context, dialogs::connection_string(details));
            break;
        }
        const std::string text = "客户数据在数据库服务器 " + server_name(details) +
                                 "，现在用不了：\r\n" + dialogs::server_failure_text(failure) +
                                 (read.password_lost ? "\r\n（保存的密码在这台电脑上无法读取，"
                                                       "请在“数据库设置…”里重新输入。）"
                                                     : "") +
                                 "\r\n\r\n按“重试”再连一次；按“取消”这次先用本机文件"
                                 "（设置不变，下次启动还会连服务器）。";
        if (services::show_message(text, kButtonsRetryCancel, "温馨提示：") !=
            services::kChoseRetry)
            break;
    }
    load_shop_settings(context);
}

// The shop-wide keys of settings row 2 go with the customers; a shop already on the server
// keeps its own.
std::string shop_settings(const std::string& server, const std::string& file, bool merging) {
    services::SettingsLines out(server);
    const services::SettingsLines local(file);
    if (auto cadence = local.get(kCadenceKey); cadence && (!merging || !out.get(kCadenceKey)))
        out.set(kCadenceKey, *cadence);
    return out.text();
}

jet::CivilDate today_date() {
    return jet::civil_from_days(static_cast<std::int64_t>(std::floor(dialogs::now_as_date())) -
                                jet::kEngineEpochOffset);
}

void open_database_settings(Window& window, MainContext& context) {
    dialogs::DatabaseSettingsContext c;
    c.current = dialogs::read_store_choice(context.settings, runtime::platform().secrets());
    c.overridden = context.shop.overridden();
    c.save = [&context](const dialogs::StoreChoice& choice) {
        std::string problem;
        save_store_choice(context, choice, problem);
        return problem;
    };
    c.chosen = [&window, &context](const dialogs::StoreChoice& choice) {
        use_store(context, choice.on_server ? dialogs::connection_string(choice.server) : "");
        load_shop_settings(context);
        reload_list(window, context);
    };
    runtime::platform().windows().open_modal(forms::database_settings(),
                                             dialogs::database_settings_handlers(std::move(c)));
}

void move_shop(Window& window, MainContext& context) {
    if (!context.files) return;
    dialogs::MoveShopContext c;
    c.database_path = context.state.database_path;
    c.files = context.files;
    c.today = today_date;
    c.server =
        dialogs::read_store_choice(context.settings, runtime::platform().secrets()).choice.server;
    c.shop_settings = shop_settings;
    c.switch_to = [&context](const dialogs::ServerDetails& details) {
        std::string problem;
        if (!save_store_choice(context, {true, details}, problem)) return problem;
        use_store(context, dialogs::connection_string(details));
        load_shop_settings(context);
        return std::string();
    };
    if (dialogs::move_shop_to_server(c)) reload_list(window, context);
}

void on_created(Window& window, MainContext& context) {
    window.add_tray_icon("岚桥管家");
    if (context.check_for_update) context.check_for_update();
    context.state.list_mode = kOpenCustomers;
    context.state.database_path =
        store::build_database_path(runtime::platform().shell().program_directory());
    use_store(context, "");
    if (context.files) store::provision_store(*context.files, context.state.database_path);
    tell_if_store_unusable(context);
    restore_skin(window, context);
    load_program_settings(context);
    choose_store(context);
    restore_window(window, context);
    watch_changes(window, context);  // from the stamp before the first load on
    // The window shows at once and the customers follow; the day's copy waits for the load,
    // which holds the file meanwhile, and the reminder counts what it loaded.
    ListArrival arrival;
    arrival.done = [&window, &context] {
        back_up_today(context);
        remind_of_due(window, context);
    };
    // Started once the window is on the screen and waits for input: a hundred thousand
    // customers read meanwhile would slow the window's own start (their allocations take
    // turns with the window's on the one heap).
    runtime::platform().windows().post([&window, &context, arrival = std::move(arrival)]() mutable {
        if (!window.closed()) load_list_in_background(window, context, std::move(arrival));
    });
    watch_the_date(window, context);
}

void on_toolbar(Window& window, MainContext& context, int entry) {
    auto& windows = runtime::platform().windows();
    switch (entry) {
        case kAddCustomer:
            context.state.editor_mode = kNewCustomer;
            windows.open_modal(forms::customer_editor(), context.editor_handlers);
            break;
        case kOurIds:
            windows.open_modal(forms::our_id_manager(), context.manager_handlers);
            break;
        case kOpenMode:
            show_mode(window, context, kOpenCustomers);
            break;
        case kClosedMode:
            show_mode(window, context, kClosedCustomers);
            break;
        case kRefresh:
            refresh_statuses(window, context);
            break;
        case kExport:
            export_tracking_sheet(window, context);
            break;
        case kMoreOptions:
            if (selected_id(window) - 1.0 < -kTolerance) window.select_row(forms::main::kList, 0);
            show_row_menu(window, context);
            break;
        case kHomePage:
            if (context.home_page.empty())
                services::show_message(kNoHomePage);
            else
                runtime::platform().shell().open(context.home_page);
            break;
        default:
            break;
    }
}

void on_resized(Window& window) {
    runtime::Rect outer = window.placement("");
    window.set_placement(forms::main::kList, {0, 48, outer.width - 6, outer.height - 76});
    fit_note_column(window);
    place_find_box(window);
}

}  // namespace

void show_mode(Window& window, MainContext& context, const char* mode) {
    context.state.list_mode = mode;
    window.set_menu_item_checked(forms::main::kGivenUpItem,
                                 context.state.list_mode == kGivenUpCustomers);
    reload_list(window, context);
}

void fit_row_menu(Window& window, const MainContext& context) {
    const std::string& mode = context.state.list_mode;
    window.set_menu_item_visible("转为未成交客户", mode == kClosedCustomers);
    window.set_menu_item_visible("登记交易", mode == kOpenCustomers);
    window.set_menu_item_visible(forms::main::kGiveUpItem, mode == kOpenCustomers);
    window.set_menu_item_visible(forms::main::kResumeItem, mode == kGivenUpCustomers);
}

void fit_note_column(Window& window) {
    const runtime::Rect outer = window.placement("");
    // The note takes what the other columns leave, the next date's too when it shows.
    const int note_width = outer.width - 610 -
                           std::max(0, window.column_width(forms::main::kList, kNextDateColumn)) -
                           std::max(0, window.column_width(forms::main::kList, kTagsColumn));
    // Below -1 the list view would take the width literally; -2 fits the header instead.
    window.set_column_width(forms::main::kList, 7, note_width < -1 ? -2 : note_width);
}

// At start and when the day turns, a word beside the tray icon when customers wait for a
// follow-up: no box to click away, just a reminder that stays out of the way.
void remind_of_due(Window& window, const MainContext& context) {
    const ListState& list = *context.list;
    if (!list.order) return;
    int due = 0;
    for (const auto& c : list.order->customers())
        due += due_state(c, false, list.query.today, list.query.cadence) != Due::no;
    if (due > 0)
        window.show_tray_balloon("岚桥管家", "今天有 " + std::to_string(due) + " 位客户待跟进");
}

runtime::Handlers main_window_handlers(MainContext& context) {
    namespace ops = forms::ops;
    runtime::Handlers h;
    h[ops::kMainCreated] = [&context](Window& w, const EventArgs&) { on_created(w, context); };
    h[ops::kMainResized] = [](Window& w, const EventArgs&) { on_resized(w); };
    h[ops::kTray] = [](Window& w, const EventArgs&) { w.set_visible("", !w.visible("")); };
    h[ops::kMoreMenuPopup] = [](Window& w, const EventArgs&) {
        w.popup_menu(forms::main::kMoreMenu);
    };
    h[ops::kHeaderMenuPopup] = [](Window& w, const EventArgs&) {
        w.popup_menu(forms::main::kHeaderMenu);
    };
    h[ops::kToolbar] = [&context](Window& w, const EventArgs& a) {
        on_toolbar(w, context, a.value);
    };
    h[ops::kListRightClick] = [&context](Window& w, const EventArgs&) {
        if (selected_id(w) > kTolerance) show_row_menu(w, context);
    };
    h[ops::kListRowsShown] = [&context](Window& w, const EventArgs&) {
        prefer_visible_statuses(w, context);
    };
    h[ops::kEditSelected] = [&context](Window& w, const EventArgs&) {
        edit_selected_customer(w, context);
    };
    h[ops::kSkinChanged] = [&context](Window& w, const EventArgs&) {
        on_skin_selector_changed(w, context);
    };
    h[ops::kAddCustomer] = [&context](Window& w, const EventArgs&) {
        on_toolbar(w, context, kAddCustomer);
    };
    h[ops::kMainClosing] = [&context](Window& w, const EventArgs&) { remember_window(w, context); };
    h[ops::kBalloonClicked] = [&context](Window& w, const EventArgs&) { show_due(w, context); };
    h[ops::kTimeChanged] = [&context](Window& w, const EventArgs&) { check_the_date(w, context); };
    h[ops::kDatabaseSettings] = [&context](Window& w, const EventArgs&) {
        open_database_settings(w, context);
    };
    h[ops::kMoveShop] = [&context](Window& w, const EventArgs&) { move_shop(w, context); };
    add_list_command_handlers(h, context);
    add_list_tool_handlers(h, context);
    add_data_command_handlers(h, context);
    return h;
}

}  // namespace app
