#include "dialogs/deal_date_dialog.h"

#include "forms/forms.h"
#include "services/message.h"

namespace dialogs {

namespace {

struct DealDialog {
    std::shared_ptr<const DialogContext> context;
    store::StoreConnection connection;
    store::RowSet rows;
};

void register_deal(runtime::Window& w, DealDialog& d) {
    const auto where = d.context->store();
    const std::int32_t id = d.context->target_id;
    const auto result =
        store::register_deal(d.connection, d.rows, where, id, w.date(forms::deal::kDate));
    switch (result.outcome) {
        case store::ActionOutcome::done:
            break;
        case store::ActionOutcome::missing:
            // Deleted meanwhile, by another copy: nothing to close a deal for.
            services::show_message(kCustomerGone);
            break;
        case store::ActionOutcome::unavailable:
            services::show_message(
                not_saved_message(store::failure_of(d.connection), d.context->database_path));
            return;  // still open with the date picked, for another try
        case store::ActionOutcome::not_stored:
            services::show_message(not_kept_message(store::failure_of(d.connection)));
            return;
    }
    d.context->reload_list();
    w.close();
}

}  // namespace

runtime::Handlers deal_date_handlers(std::shared_ptr<const DialogContext> context) {
    auto d = std::make_shared<DealDialog>();
    d->context = std::move(context);
    runtime::Handlers h;
    h[forms::ops::kRegisterDeal] = [d](runtime::Window& w, const runtime::EventArgs&) {
        register_deal(w, *d);
    };
    return h;
}

}  // namespace dialogs
