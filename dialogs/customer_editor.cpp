#include "dialogs/customer_editor.h"

#include <cmath>

#include "dialogs/chat_launcher.h"
#include "dialogs/customer_lookup.h"
#include "dialogs/dates.h"
#include "dialogs/id_text.h"
#include "dialogs/our_id_manager.h"
#include "dialogs/tag_dialogs.h"
#include "forms/forms.h"
#include "runtime/platform.h"
#include "services/message.h"
#include "store/sources.h"

namespace dialogs {

namespace {

namespace ed = forms::editor;
using runtime::EventArgs;
using runtime::Window;

struct Editor {
    std::shared_ptr<const DialogContext> context;
    store::StoreConnection connection;
    store::RowSet rows;
    std::vector<std::string> our_ids;  // the entries of the our-ID list, in order
    // Why the our-ID list could not be read; none when it was.
    store::StoreFailure fill_failure = store::StoreFailure::none;
};

bool new_mode(const Editor& e) {
    return e.context->editor_mode == kNewCustomerMode;
}

std::string chosen_our_id(const Window& w, const Editor& e) {
    int i = w.selected_choice(ed::kOurIds);
    return i >= 0 && static_cast<std::size_t>(i) < e.our_ids.size()
               ? e.our_ids[static_cast<std::size_t>(i)]
               : std::string();
}

void fill(Window& w, Editor& e, std::string_view keep) {
    auto stored = store::read_setting(e.connection, e.rows, e.context->store(), store::kOurIdsRow);
    if (!stored) {
        e.fill_failure = store::failure_of(e.connection);
        return;  // the list keeps its entries
    }
    e.fill_failure = store::StoreFailure::none;
    e.our_ids = split_our_ids(*stored);
    w.clear_choices(ed::kOurIds);
    for (const auto& id : e.our_ids)
        w.add_choice(ed::kOurIds, id);
    int i = choose_our_id(e.our_ids, keep);
    if (i >= 0) w.select_choice(ed::kOurIds, i);
}

void show_days(Window& w) {
    w.set_text(ed::kDaysLabel,
               days_tracked_text(w.date(ed::kFirstEnquiry), w.date(ed::kLastFollowUp)));
}

void on_created(Window& w, Editor& e) {
    e.our_ids.clear();
    const DialogContext& c = *e.context;
    const double now = now_as_date();
    if (new_mode(e)) {
        // A new customer starts from nothing, whoever was edited before.
        w.set_text("", "添加新客户");
        w.set_visible(ed::kTagsButton, false);
        c.current_customer.id = 0;
        fill(w, e, "");
        w.set_date(ed::kFirstEnquiry, now);
        w.set_date(ed::kLastFollowUp, now);
        w.set_checked(ed::kHasNextDate, false);
        w.set_date(ed::kNextDate, std::floor(now) + 1);
    } else {
        w.set_text("", "修改客户信息");
        w.set_visible(ed::kTagsButton, c.current_customer.id > 0);
        // The customer as the list loaded it: the days the list shows, and in the closed list
        // (whose column shows the deal date) the follow-up as stored; the note as stored, line
        // breaks and all.
        const store::CustomerRow& k = c.current_customer;
        const bool picked = k.id > 0;
        fill(w, e, k.our_id);
        w.set_text(ed::kCustomerId, k.buyer);
        w.set_date(ed::kFirstEnquiry, picked ? day_of(k.first_enquiry) : now);
        const double last =
            c.list_mode == kClosedListMode ? k.last_follow_up : day_of(k.last_follow_up);
        w.set_date(ed::kLastFollowUp, picked ? last : now);
        w.set_text(ed::kNote, k.note);
        const bool next = picked && k.next_follow_up != 0;
        w.set_checked(ed::kHasNextDate, next);
        w.set_date(ed::kNextDate, next ? k.next_follow_up : std::floor(now) + 1);
    }
    show_days(w);
}

void clean_up_id(Window& w) {
    std::string id = clean_id_text(w.text(ed::kCustomerId));
    w.set_text(ed::kCustomerId, id);
    w.set_visible(ed::kContactButton, !id.empty());
}

void open_manager(Window& w, Editor& e) {
    e.context->manager_origin = kManagerFromEditor;
    // The manager is modal over this editor, which is therefore open when it saves.
    auto refill = [&w, &e] { fill(w, e, chosen_our_id(w, e)); };
    runtime::platform().windows().open_modal(forms::our_id_manager(),
                                             our_id_manager_handlers(e.context, refill));
}

// A message for input that cannot be saved; empty when it can.
std::string refusal(const std::string& id, const std::string& ours, const Editor& e) {
    if (id.empty()) return "客户的旺旺号还没输入哦！";
    // With no list of our IDs to choose from because the store could not be read, the store
    // is at fault, not the user.
    if (ours.empty() && e.our_ids.empty() && e.fill_failure != store::StoreFailure::none)
        return not_saved_message(e.fill_failure, e.context->database_path);
    if (ours.empty()) return "该客户是在我们哪家店？哪一个旺旺号上咨询的呢？！";
    if (stored_length(id) > kMaxIdLength) return "客户的旺旺号太长了，最多50个字！";
    if (stored_length(ours) > kMaxIdLength)
        return "我们的旺旺号太长了，最多50个字！请在“管理我们的旺旺”里改短后再选。";
    return {};
}

// Deleted meanwhile, by another copy: the editor stays open with what was typed, and the list
// no longer offers the customer.
void customer_gone(const DialogContext& c) {
    services::show_message("这个客户已经不在了，修改没有保存。");
    c.reload_list();
}

void save_customer(Window& w, Editor& e) {
    const DialogContext& c = *e.context;
    std::string id = clean_id_text(w.text(ed::kCustomerId));
    w.set_text(ed::kCustomerId, id);
    std::string ours = chosen_our_id(w, e);
    if (auto why = refusal(id, ours, e); !why.empty()) {
        services::show_message(why);
        return;
    }
    const store::CustomerFields fields{id, ours, w.date(ed::kFirstEnquiry),
                                       w.date(ed::kLastFollowUp), w.text(ed::kNote)};
    // The editor shows the next date as stored: what it holds now is the customer's.
    const store::NextDate next =
        w.checked(ed::kHasNextDate) ? std::floor(w.date(ed::kNextDate)) : 0.0;
    const auto where = c.store();
    store::SaveOutcome outcome;
    if (new_mode(e)) {
        outcome = store::save_new_customer(e.connection, e.rows, where, fields, nullptr, next);
    } else {
        const std::int32_t k = c.current_customer.id;
        auto existing = look_up_customer(e.connection, e.rows, where, k);
        if (existing.lookup == Lookup::missing) {
            customer_gone(c);
            return;
        }
        outcome = existing.lookup == Lookup::found
                      ? store::save_edited_customer(e.connection, e.rows, where, k, fields, next)
                      : store::SaveOutcome::unavailable;
    }
    switch (outcome) {
        case store::SaveOutcome::saved:
            services::show_message("保存成功！", services::kButtonsOk, "恭喜：");
            c.reload_list();
            w.close();
            return;
        case store::SaveOutcome::duplicate:
            services::show_message(new_mode(e) ? "请勿重复添加客户！"
                                               : "您修改后的客户已存在，请勿重复添加！");
            return;
        case store::SaveOutcome::unavailable:
            services::show_message(
                not_saved_message(store::failure_of(e.connection), c.database_path));
            return;
        case store::SaveOutcome::not_stored:
            services::show_message(not_kept_message(store::failure_of(e.connection)));
            return;
        case store::SaveOutcome::missing:
            customer_gone(c);
            return;
    }
}

}  // namespace

runtime::Handlers customer_editor_handlers(std::shared_ptr<const DialogContext> context) {
    // One editor is open at a time (it is modal); each opening starts it afresh.
    auto e = std::make_shared<Editor>();
    e->context = context;
    runtime::Handlers h;
    h[forms::ops::kEditorCreated] = [e](Window& w, const EventArgs&) { on_created(w, *e); };
    h[forms::ops::kCleanUpId] = [](Window& w, const EventArgs&) { clean_up_id(w); };
    h[forms::ops::kShowDays] = [](Window& w, const EventArgs&) { show_days(w); };
    // A day picked is a day meant.
    h[forms::ops::kNextDateChanged] = [](Window& w, const EventArgs&) {
        w.set_checked(ed::kHasNextDate, true);
    };
    h[forms::ops::kEditorContact] = [context](Window& w, const EventArgs&) {
        contact_customer(w.text(ed::kCustomerId), context->messenger_host);
    };
    h[forms::ops::kEditorManage] = [e](Window& w, const EventArgs&) { open_manager(w, *e); };
    h[forms::ops::kEditorTags] = [context](Window&, const EventArgs&) {
        if (context->current_customer.id <= 0) return;
        runtime::platform().windows().open_modal(forms::tag_picker(), tag_picker_handlers(context));
    };
    h[forms::ops::kSaveCustomer] = [e](Window& w, const EventArgs&) { save_customer(w, *e); };
    return h;
}

}  // namespace dialogs
