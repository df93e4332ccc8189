// The commands on the main list's rows and the window's own menu.
#include "app/list_commands.h"

#include <memory>

#include "app/list_order.h"
#include "app/program_settings.h"
#include "app/store_choice.h"
#include "dialogs/cadence_dialog.h"
#include "dialogs/chart_window.h"
#include "dialogs/chat_launcher.h"
#include "dialogs/customer_editor.h"
#include "dialogs/dates.h"
#include "dialogs/deal_date_dialog.h"
#include "dialogs/follow_up_dialog.h"
#include "dialogs/follow_up_log.h"
#include "dialogs/give_up_dialog.h"
#include "dialogs/our_id_manager.h"
#include "dialogs/recently_deleted.h"
#include "dialogs/shop_figures_window.h"
#include "dialogs/store_messages.h"
#include "dialogs/tag_dialogs.h"
#include "forms/forms.h"
#include "runtime/platform.h"
#include "services/hosts.h"
#include "services/message.h"
#include "services/numbers.h"
#include "services/text_encoding.h"
#include "services/url_encode.h"
#include "store/customer_actions.h"
#include "store/next_steps.h"
#include "store/provision.h"

namespace app {

namespace {

using runtime::EventArgs;
using runtime::Window;

constexpr const char* kList = forms::main::kList;

std::int32_t current_id(const Window& w) {
    return services::to_integer(selected_id(w));
}

std::string current_customer_id(const Window& w) {
    return w.cell(kList, w.selected_row(kList), 3);
}

void open_deal_dialog(const Window& w, MainContext& context) {
    const std::int32_t id = current_id(w);
    if (id <= 0) return;  // no customer to close a deal for
    context.state.target_id = id;
    runtime::platform().windows().open_modal(forms::deal_date_dialog(), context.deal_handlers);
}

// Says what became of a change that did not land; a customer that is gone leaves the list.
void report(Window& w, MainContext& context, store::ActionResult result) {
    switch (result.outcome) {
        case store::ActionOutcome::done:
            reload_list(w, context);
            return;
        case store::ActionOutcome::missing:
            services::show_message(dialogs::kCustomerGone);
            reload_list(w, context);
            return;
        case store::ActionOutcome::unavailable:
            services::show_message(dialogs::not_saved_message(store::failure_of(context.connection),
                                                              context.state.database_path));
            return;
        case store::ActionOutcome::not_stored:
            services::show_message(
                dialogs::not_kept_message(store::failure_of(context.connection)));
            return;
    }
}

void revert_to_open(Window& w, MainContext& context) {
    const std::int32_t id = current_id(w);
    if (id <= 0) return;
    context.state.target_id = id;
    report(w, context,
           store::reopen_customer(context.connection, context.rows, store_location(context), id));
}

void resume(Window& w, MainContext& context) {
    const std::int32_t id = current_id(w);
    if (id <= 0 || context.state.list_mode != kGivenUpCustomers) return;
    context.state.target_id = id;
    report(w, context,
           store::resume_customer(context.connection, context.rows, store_location(context), id,
                                  dialogs::now_as_date()));
}

void delete_customer(Window& w, MainContext& context) {
    const std::int32_t id = current_id(w);
    context.state.target_id = id;
    if (id <= 0) return;
    if (services::show_message(kDeleteQuestion, services::kButtonsYesNo, "温馨提示：") !=
        services::kChoseYes)
        return;
    report(w, context,
           store::delete_customer(
               context.connection, store_location(context), id,
               {dialogs::now_as_date(), runtime::platform().shell().computer_name()}));
}

// An address the build was given no host for is said so, rather than a click doing nothing.
void open_address(const std::string& address, std::string_view unset) {
    if (address.empty())
        services::show_message(unset);
    else
        runtime::platform().shell().open(address);
}

}  // namespace

std::string profile_address(std::string_view member_host, std::string_view customer_id) {
    if (member_host.empty()) return {};
    return "http://" + std::string(member_host) + "/member/userProfile.jhtml?userID=" +
           services::url_encode(services::to_gbk(customer_id));
}

void add_list_command_handlers(runtime::Handlers& h, MainContext& context) {
    namespace ops = forms::ops;
    h[ops::kEditSelected] = [&context](Window& w, const EventArgs&) {
        edit_selected_customer(w, context);
    };
    h[ops::kContactCustomer] = [](Window& w, const EventArgs&) {
        dialogs::contact_customer(current_customer_id(w),
                                  services::service_hosts().messenger_status);
    };
    h[ops::kViewProfile] = [](Window& w, const EventArgs&) {
        open_address(
            profile_address(services::service_hosts().member_profile, current_customer_id(w)),
            "这个版本没有设置买家资料页的网址。");
    };
    h[ops::kOpenDealDialog] = [&context](Window& w, const EventArgs&) {
        open_deal_dialog(w, context);
    };
    h[ops::kRevertToOpen] = [&context](Window& w, const EventArgs&) { revert_to_open(w, context); };
    h[ops::kResume] = [&context](Window& w, const EventArgs&) { resume(w, context); };
    h[ops::kDeleteCustomer] = [&context](Window& w, const EventArgs&) {
        delete_customer(w, context);
    };
    h[ops::kRecentlyDeleted] = [&context](Window&, const EventArgs&) {
        runtime::platform().windows().open_modal(forms::recently_deleted(), context.bin_handlers);
    };
    h[ops::kOpenChart] = [&context](Window&, const EventArgs&) {
        runtime::platform().windows().open_modal(forms::chart_window(), context.chart_handlers);
    };
    h[ops::kOpenFigures] = [&context](Window&, const EventArgs&) {
        runtime::platform().windows().open_modal(forms::shop_figures_window(),
                                                 context.figures_handlers);
    };
    h[ops::kJoinGroup] = [](Window&, const EventArgs&) {
        open_address(services::group_invitation_address(services::service_hosts()), kNoGroup);
    };
}

namespace {

// Who is due now, by our ID: the open customers read afresh, so that any view the list shows
// counts the same.
std::optional<std::map<std::string, std::int64_t>> due_by_our_id(MainContext& context) {
    store::StoreConnection c;
    store::RowSet rs;
    const auto rows = store::load_customers(c, rs, store_location(context), false);
    if (!rows) return std::nullopt;
    const double today = dialogs::now_as_date();
    const int cadence = current_cadence(context);
    std::map<std::string, std::int64_t> due;
    for (const store::CustomerRow& r : *rows)
        if (due_state(r, false, today, cadence) != Due::no) ++due[r.our_id];
    return due;
}

}  // namespace

void install_dialog_handlers(MainContext& context, Window& main) {
    AppState& s = context.state;
    auto shared = std::make_shared<const dialogs::DialogContext>(dialogs::DialogContext{
        s.database_path,
        s.list_mode,
        s.editor_mode,
        s.current_customer,
        s.manager_origin,
        s.target_id,
        [&context, &main] { reload_list(main, context); },
        services::service_hosts().messenger_status,
        [&context] { return current_cadence(context); },
        [&context](int days) { return save_cadence(context, days); },
        [&context] { return store_location(context); },
        [&context] { return due_by_our_id(context); },
    });
    context.editor_handlers = dialogs::customer_editor_handlers(shared);
    context.manager_handlers = dialogs::our_id_manager_handlers(shared);
    context.deal_handlers = dialogs::deal_date_handlers(shared);
    context.chart_handlers = dialogs::chart_window_handlers(shared);
    context.follow_up_handlers = dialogs::follow_up_handlers(shared);
    context.cadence_handlers = dialogs::cadence_handlers(shared);
    context.follow_up_log_handlers = dialogs::follow_up_log_handlers(shared);
    context.give_up_handlers = dialogs::give_up_handlers(shared);
    context.bin_handlers = dialogs::recently_deleted_handlers(shared);
    context.tag_manager_handlers = dialogs::tag_manager_handlers(shared);
    context.tag_picker_handlers = dialogs::tag_picker_handlers(shared);
    context.figures_handlers = dialogs::shop_figures_handlers(shared);
}

}  // namespace app
