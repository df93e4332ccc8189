#include "dialogs/cadence_dialog.h"

#include "forms/forms.h"
#include "services/message.h"
#include "services/numbers.h"

namespace dialogs {

namespace {

namespace cd = forms::cadence;

void save(runtime::Window& w, const DialogContext& c) {
    const double typed = services::text_to_number(w.text(cd::kDays));
    if (typed < 1 || typed > kLongestCadence || typed != static_cast<int>(typed)) {
        services::show_message("请填写1到365之间的天数。");
        return;
    }
    const auto result = c.save_cadence(static_cast<int>(typed));
    if (!result) {
        services::show_message(kSaveFailed);
        return;
    }
    c.reload_list();  // who is due has changed
    w.close();
}

}  // namespace

runtime::Handlers cadence_handlers(std::shared_ptr<const DialogContext> context) {
    runtime::Handlers h;
    h[forms::ops::kCadenceCreated] = [context](runtime::Window& w, const runtime::EventArgs&) {
        w.set_text(cd::kDays, std::to_string(context->cadence ? context->cadence() : 3));
    };
    h[forms::ops::kSaveCadence] = [context](runtime::Window& w, const runtime::EventArgs&) {
        save(w, *context);
    };
    h[forms::ops::kCloseDialog] = [](runtime::Window& w, const runtime::EventArgs&) { w.close(); };
    return h;
}

}  // namespace dialogs
