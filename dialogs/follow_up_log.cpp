#include "dialogs/follow_up_log.h"

#include "dialogs/follow_up_dialog.h"
#include "forms/forms.h"
#include "services/message.h"
#include "store/next_steps.h"

namespace dialogs {

namespace {

namespace fl = forms::log_window;

struct Log {
    std::shared_ptr<const DialogContext> context;
    store::StoreConnection connection;
    store::RowSet rows;
};

void fill(runtime::Window& w, Log& l) {
    const DialogContext& c = *l.context;
    const auto log = store::read_follow_up_log(l.connection, l.rows, c.store(), c.target_id);
    if (!log) {
        services::show_message("跟进记录没能读出，请稍后再试。");
        w.close();
        return;
    }
    const std::string& buyer = c.current_customer.buyer;
    w.set_text(fl::kLabel, log->empty() ? "“" + buyer + "”还没有跟进记录。"
                                        : "“" + buyer + "”的 " + std::to_string(log->size()) +
                                              " 次跟进，最新的在前：");
    for (const store::LogEntry& e : *log) {
        // The time as the note's dated lines show it.
        const int item = w.append_item(fl::kList, moment_text(e.at));
        w.set_cell(fl::kList, item, 1, e.our_id);
        w.set_cell(fl::kList, item, 2, e.said);
    }
    if (!log->empty()) w.select_row(fl::kList, 0);
}

}  // namespace

runtime::Handlers follow_up_log_handlers(std::shared_ptr<const DialogContext> context) {
    auto l = std::make_shared<Log>();
    l->context = std::move(context);
    runtime::Handlers h;
    h[forms::ops::kFollowUpLogCreated] = [l](runtime::Window& w, const runtime::EventArgs&) {
        fill(w, *l);
    };
    h[forms::ops::kCloseDialog] = [](runtime::Window& w, const runtime::EventArgs&) { w.close(); };
    return h;
}

}  // namespace dialogs
