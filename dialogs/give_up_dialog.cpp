#include "dialogs/give_up_dialog.h"

#include "dialogs/dates.h"
#include "dialogs/id_text.h"
#include "forms/forms.h"
#include "services/message.h"
#include "store/next_steps.h"
#include "store/shop_lists.h"

namespace dialogs {

namespace {

namespace gu = forms::give_up;

struct GiveUp {
    std::shared_ptr<const DialogContext> context;
    store::StoreConnection connection;
    store::RowSet rows;
    std::vector<std::string> reasons;  // as the list offers them
};

// The usual reasons, then the shop's own; a store that cannot be read offers the usual ones.
void on_created(runtime::Window& w, GiveUp& g) {
    g.reasons = store::usual_reasons();
    if (const auto own = store::read_shop_list(g.connection, g.rows, g.context->store(),
                                               store::ListKind::reason))
        for (const auto& e : *own)
            g.reasons.push_back(e.name);
    w.clear_choices(gu::kChoice);
    for (const auto& r : g.reasons)
        w.add_choice(gu::kChoice, r);
    w.select_choice(gu::kChoice, 0);
    w.set_text(gu::kText, g.reasons.front());
}

// A reason chosen is the one given, until the user types another.
void on_chosen(runtime::Window& w, const GiveUp& g) {
    const int k = w.selected_choice(gu::kChoice);
    if (k >= 0 && static_cast<std::size_t>(k) < g.reasons.size())
        w.set_text(gu::kText, g.reasons[static_cast<std::size_t>(k)]);
}

void save(runtime::Window& w, GiveUp& g) {
    const DialogContext& c = *g.context;
    const std::string reason = trim_blanks(w.text(gu::kText));
    if (reason.empty() || stored_length(reason) > kMaxReasonLength) {
        services::show_message(reason.empty() ? kNoReason : kLongReason);
        w.set_focus(gu::kText);
        return;
    }
    const auto result = store::give_up_customer(g.connection, g.rows, c.store(), c.target_id,
                                                now_as_date(), reason);
    if (!report_action(result, g.connection, c.database_path)) return;  // still open
    c.reload_list();
    w.close();
}

}  // namespace

runtime::Handlers give_up_handlers(std::shared_ptr<const DialogContext> context) {
    auto g = std::make_shared<GiveUp>();
    g->context = std::move(context);
    runtime::Handlers h;
    h[forms::ops::kGiveUpCreated] = [g](runtime::Window& w, const runtime::EventArgs&) {
        on_created(w, *g);
    };
    h[forms::ops::kReasonChosen] = [g](runtime::Window& w, const runtime::EventArgs&) {
        on_chosen(w, *g);
    };
    h[forms::ops::kSaveGiveUp] = [g](runtime::Window& w, const runtime::EventArgs&) {
        save(w, *g);
    };
    h[forms::ops::kCloseDialog] = [](runtime::Window& w, const runtime::EventArgs&) { w.close(); };
    return h;
}

}  // namespace dialogs
