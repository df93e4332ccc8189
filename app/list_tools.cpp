#include "app/list_tools.h"

#include "app/list_statuses.h"
#include "app/program_settings.h"
#include "forms/forms.h"
#include "runtime/platform.h"
#include "services/numbers.h"

namespace app {

namespace {

using runtime::EventArgs;
using runtime::Window;
namespace mw = forms::main;

void open_find(Window& w) {
    w.set_visible(mw::kFindBox, true);
    w.set_focus(mw::kFindBox);
}

void close_find(Window& w, MainContext& context) {
    // Emptying the box shows every customer again, through its change.
    if (!w.text(mw::kFindBox).empty()) w.set_text(mw::kFindBox, "");
    context.find_text.clear();
    w.set_visible(mw::kFindBox, false);
    w.set_focus(mw::kList);
}

void sort_by(Window& w, MainContext& context, int column) {
    context.sort = sort_after_click(context.sort, column);
    // Remembered for the next start; a store that cannot take it does not stop the sort.
    (void)save_program_setting(context, kSortKey, sort_text(context.sort));
    show_list(w, context);
}

void toggle_due_only(Window& w, MainContext& context) {
    context.due_only = !context.due_only;
    w.set_menu_item_checked(mw::kDueOnlyItem, context.due_only);
    // Only open customers wait for a follow-up: asked for from the closed list, the open one.
    if (context.due_only && context.state.list_mode != kOpenCustomers) {
        show_mode(w, context, kOpenCustomers);
        return;
    }
    show_list(w, context);
}

std::int32_t picked_id(const Window& w) {
    return services::to_integer(selected_id(w));
}

void follow_up(Window& w, MainContext& context) {
    const std::int32_t id = picked_id(w);
    if (id <= 0) return;
    context.state.target_id = id;
    context.reselect = id;
    runtime::platform().windows().open_modal(forms::follow_up_dialog(), context.follow_up_handlers);
    context.reselect = 0;
}

void show_follow_up_log(Window& w, MainContext& context) {
    const std::int32_t id = picked_id(w);
    if (id <= 0) return;
    const int row = w.selected_row(mw::kList);
    if (const store::CustomerRow* c = context.list->customer(row))
        context.state.current_customer = *c;
    context.state.target_id = id;
    runtime::platform().windows().open_modal(forms::follow_up_log(),
                                             context.follow_up_log_handlers);
}

// The tags of the customer picked; the first tags set bring the tags' column into view.
void set_tags(Window& w, MainContext& context) {
    const std::int32_t id = picked_id(w);
    if (id <= 0) return;
    if (const store::CustomerRow* c = context.list->customer(w.selected_row(mw::kList)))
        context.state.current_customer = *c;
    context.state.target_id = id;
    context.reselect = id;
    runtime::platform().windows().open_modal(forms::tag_picker(), context.tag_picker_handlers);
    context.reselect = 0;
    const store::CustomerRow* now = context.list->customer(w.selected_row(mw::kList));
    if (!context.tags_column && now && now->id == id && !now->tags.empty()) {
        show_tags_column(w, context, true);
        (void)save_program_setting(context, kTagsColumnKey, "1");
    }
}

void give_up(Window& w, MainContext& context) {
    const std::int32_t id = picked_id(w);
    if (id <= 0 || context.state.list_mode != kOpenCustomers) return;
    context.state.target_id = id;
    runtime::platform().windows().open_modal(forms::give_up_dialog(), context.give_up_handlers);
}

// "已放弃客户" shows the given-up customers, and chosen again the open list; the due view
// has no one to show there.
void toggle_given_up_view(Window& w, MainContext& context) {
    const bool to_given_up = context.state.list_mode != kGivenUpCustomers;
    if (to_given_up && context.due_only) {
        context.due_only = false;
        w.set_menu_item_checked(mw::kDueOnlyItem, false);
    }
    show_mode(w, context, to_given_up ? kGivenUpCustomers : kOpenCustomers);
}

void row_menu_from_keyboard(Window& w, MainContext& context) {
    if (selected_id(w) - 1.0 < -0.0000001) w.select_row(mw::kList, 0);
    fit_row_menu(w, context);
    w.popup_menu_at(mw::kRowMenu, mw::kList);
}

}  // namespace

void place_find_box(Window& window) {
    const runtime::Rect list = window.placement(mw::kList);
    // Right of the list's top, below its header, clear of its scroll bar.
    const int width = std::min(196, std::max(list.width - 40, 60));
    window.set_placement(mw::kFindBox,
                         {list.left + list.width - width - 24, list.top + 30, width, 24});
}

void show_next_date_column(Window& w, MainContext& context, bool shown) {
    constexpr int kWidth = 100;  // as wide as the other date columns
    context.next_date_column = shown;
    w.set_menu_item_checked(mw::kNextDateItem, shown);
    w.set_column_width(mw::kList, kNextDateColumn, shown ? kWidth : 0);
    fit_note_column(w);
}

void show_tags_column(Window& w, MainContext& context, bool shown) {
    constexpr int kWidth = 120;
    context.tags_column = shown;
    w.set_menu_item_checked(mw::kTagsItem, shown);
    w.set_column_width(mw::kList, kTagsColumn, shown ? kWidth : 0);
    fit_note_column(w);
}

void add_list_tool_handlers(runtime::Handlers& h, MainContext& context) {
    namespace ops = forms::ops;
    h[ops::kFind] = [](Window& w, const EventArgs&) { open_find(w); };
    h[ops::kFindChanged] = [&context](Window& w, const EventArgs&) {
        context.find_text = w.text(mw::kFindBox);
        show_list(w, context);
    };
    h[ops::kTypeToFind] = [](Window& w, const EventArgs& a) {
        // The first letter typed into the list starts the find with it.
        const std::string now = w.visible(mw::kFindBox) ? w.text(mw::kFindBox) : std::string();
        open_find(w);
        w.set_text(mw::kFindBox, now + a.item);
        w.set_focus(mw::kFindBox);
    };
    h[ops::kCloseFind] = [&context](Window& w, const EventArgs&) { close_find(w, context); };
    h[ops::kFindDone] = [](Window& w, const EventArgs&) { w.set_focus(mw::kList); };
    h[ops::kSortColumn] = [&context](Window& w, const EventArgs& a) {
        sort_by(w, context, a.value);
    };
    h[ops::kDueOnly] = [&context](Window& w, const EventArgs&) { toggle_due_only(w, context); };
    h[ops::kToggleNextDateColumn] = [&context](Window& w, const EventArgs&) {
        show_next_date_column(w, context, !context.next_date_column);
        // Remembered for the next start; a store that cannot take it does not stop the change.
        (void)save_program_setting(context, kNextDateColumnKey,
                                   context.next_date_column ? "1" : "0");
    };
    h[ops::kToggleTagsColumn] = [&context](Window& w, const EventArgs&) {
        show_tags_column(w, context, !context.tags_column);
        (void)save_program_setting(context, kTagsColumnKey, context.tags_column ? "1" : "0");
    };
    h[ops::kCadenceSettings] = [&context](Window&, const EventArgs&) {
        runtime::platform().windows().open_modal(forms::cadence_dialog(), context.cadence_handlers);
    };
    h[ops::kFollowUp] = [&context](Window& w, const EventArgs&) { follow_up(w, context); };
    h[ops::kShowFollowUpLog] = [&context](Window& w, const EventArgs&) {
        show_follow_up_log(w, context);
    };
    h[ops::kGiveUp] = [&context](Window& w, const EventArgs&) { give_up(w, context); };
    h[ops::kSetTags] = [&context](Window& w, const EventArgs&) { set_tags(w, context); };
    h[ops::kManageTags] = [&context](Window&, const EventArgs&) {
        runtime::platform().windows().open_modal(forms::tag_manager(),
                                                 context.tag_manager_handlers);
    };
    h[ops::kGivenUpView] = [&context](Window& w, const EventArgs&) {
        toggle_given_up_view(w, context);
    };
    h[ops::kRefreshStatuses] = [&context](Window& w, const EventArgs&) {
        refresh_statuses(w, context);
    };
    h[ops::kRowMenuKey] = [&context](Window& w, const EventArgs&) {
        row_menu_from_keyboard(w, context);
    };
}

}  // namespace app
