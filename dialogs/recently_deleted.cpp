#include "dialogs/recently_deleted.h"

#include <vector>

#include "dialogs/dates.h"
#include "dialogs/follow_up_dialog.h"
#include "forms/forms.h"
#include "services/message.h"

namespace dialogs {

namespace {

namespace bw = forms::bin_window;

struct Bin {
    std::shared_ptr<const DialogContext> context;
    store::StoreConnection connection;
    store::RowSet rows;
    std::vector<std::int32_t> shown;  // the bin entry of each row
};

const char* state_text(const store::BinEntry& e) {
    if (e.closed) return "已成交";
    return e.customer.gave_up != 0 ? "已放弃" : "未成交";
}

// Lets go of what was deleted too long ago, then lists the rest, the last deleted first.
bool fill(runtime::Window& w, Bin& b) {
    const DialogContext& c = *b.context;
    // A bin that cannot be emptied now is emptied another time; what it holds still shows.
    (void)store::empty_old_bin(b.connection, b.rows, c.store(), now_as_date());
    const auto bin = store::read_bin(b.connection, b.rows, c.store());
    if (!bin) {
        services::show_message("最近删除的客户没能读出，请稍后再试。");
        return false;
    }
    w.delete_all_items(bw::kList);
    b.shown.clear();
    for (const store::BinEntry& e : *bin) {
        const int item = w.append_item(bw::kList, moment_text(e.deleted_at));
        w.set_cell(bw::kList, item, 1, e.deleted_on);
        w.set_cell(bw::kList, item, 2, e.customer.buyer);
        w.set_cell(bw::kList, item, 3, e.customer.our_id);
        w.set_cell(bw::kList, item, 4, state_text(e));
        w.set_cell(bw::kList, item, 5, e.customer.note);
        b.shown.push_back(e.bin_id);
    }
    w.set_text(bw::kLabel, bin->empty() ? std::string("最近 30 天没有删除过客户。")
                                        : "最近 30 天删除的 " + std::to_string(bin->size()) +
                                              " 位客户，选中后按“恢复”放回客户列表：");
    if (!bin->empty()) w.select_row(bw::kList, 0);
    return true;
}

void put_back(runtime::Window& w, Bin& b, bool all) {
    const DialogContext& c = *b.context;
    std::vector<std::int32_t> picked;
    if (all) {
        picked = b.shown;
    } else if (const int row = w.selected_row(bw::kList);
               row >= 0 && static_cast<std::size_t>(row) < b.shown.size()) {
        picked.push_back(b.shown[static_cast<std::size_t>(row)]);
    }
    if (picked.empty()) {
        services::show_message(kNothingPicked);
        return;
    }
    store::PutBackReport report;
    const auto result = store::put_back(b.connection, b.rows, c.store(), picked, report);
    if (result.outcome == store::ActionOutcome::missing)
        services::show_message("这些客户已经不在“最近删除”里了。");
    else if (!report_action(result, b.connection, c.database_path))
        return;
    else
        services::show_message(put_back_text(report));
    c.reload_list();
    if (!fill(w, b)) w.close();
}

}  // namespace

std::string put_back_text(const store::PutBackReport& report) {
    std::string text = "已恢复 " + std::to_string(report.put_back) + " 位客户。";
    if (!report.already_stored.empty())
        text += "\r\n另有 " + std::to_string(report.already_stored.size()) +
                " 位没有恢复：客户列表里已经有同样客户旺旺名和我们旺旺名的客户。";
    return text;
}

runtime::Handlers recently_deleted_handlers(std::shared_ptr<const DialogContext> context) {
    auto b = std::make_shared<Bin>();
    b->context = std::move(context);
    runtime::Handlers h;
    h[forms::ops::kBinCreated] = [b](runtime::Window& w, const runtime::EventArgs&) {
        if (!fill(w, *b)) w.close();
    };
    h[forms::ops::kPutBack] = [b](runtime::Window& w, const runtime::EventArgs&) {
        put_back(w, *b, false);
    };
    h[forms::ops::kPutBackAll] = [b](runtime::Window& w, const runtime::EventArgs&) {
        put_back(w, *b, true);
    };
    h[forms::ops::kCloseDialog] = [](runtime::Window& w, const runtime::EventArgs&) { w.close(); };
    return h;
}

}  // namespace dialogs
