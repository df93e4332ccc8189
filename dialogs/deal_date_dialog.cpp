#include "dialogs/deal_date_dialog.h"

#include "dialogs/customer_lookup.h"
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
    auto customer = look_up_customer(d.connection, d.rows, where, id);
    if (customer.lookup == Lookup::missing) {
        w.close();  // nobody to close a deal for: nothing to store
        return;
    }
    if (customer.lookup == Lookup::unavailable ||
        !store::register_deal(d.connection, d.rows, where, id, w.date(forms::deal::kDate))) {
        services::show_message(kSaveFailed);
        return;  // still open with the date picked, for another try
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
