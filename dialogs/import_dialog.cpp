#include "dialogs/import_dialog.h"

#include <algorithm>
#include <array>
#include <new>
#include <utility>

#include "dialogs/id_text.h"
#include "dialogs/store_messages.h"
#include "dialogs/work_progress.h"
#include "formats/column_guess.h"
#include "formats/import_rows.h"
#include "formats/read_limits.h"
#include "forms/forms.h"
#include "runtime/platform.h"
#include "services/message.h"
#include "store/backup.h"
#include "store/customer_actions.h"
#include "store/provision.h"
#include "store/shop_backup.h"
#include "store/sources.h"

namespace dialogs {

namespace {

namespace im = forms::import;
using formats::ColumnMeaning;

// The choices of every column's drop-down, in this order.
constexpr std::array<ColumnMeaning, 8> kMeanings{
    ColumnMeaning::none,          ColumnMeaning::customer_id,    ColumnMeaning::our_id,
    ColumnMeaning::first_enquiry, ColumnMeaning::last_follow_up, ColumnMeaning::deal_date,
    ColumnMeaning::note,          ColumnMeaning::running_number};
constexpr int kPreviewRows = 12;
constexpr const char* kAskToShow = "要查看没有导入的行吗？（行号和原因）";
// The report's question defaults to 否: Enter after an import only closes the report.
constexpr std::int32_t kSecondButtonFirst = 0x100;

struct Import {
    std::shared_ptr<ImportContext> context;
    store::StoreConnection connection;
    store::RowSet rows;
    std::vector<std::string> our_ids;
};

std::string cell_text(const formats::Cell& c) {
    switch (c.kind) {
        case formats::CellKind::text:
            return c.text;
        case formats::CellKind::number:
        case formats::CellKind::percent: {
            std::string t = std::to_string(c.value);
            t.erase(t.find_last_not_of('0') + 1);
            if (!t.empty() && t.back() == '.') t.pop_back();
            return t;
        }
        case formats::CellKind::date: {
            const auto d =
                jet::civil_from_days(static_cast<std::int64_t>(c.value) - jet::kEngineEpochOffset);
            return std::to_string(d.year) + "-" + std::to_string(d.month) + "-" +
                   std::to_string(d.day);
        }
        case formats::CellKind::empty:
            return {};
    }
    return {};
}

int meaning_index(ColumnMeaning m) {
    for (std::size_t i = 0; i < kMeanings.size(); ++i)
        if (kMeanings[i] == m) return static_cast<int>(i);
    return 0;
}

store::StoreLocation store_of(const ImportContext& c) {
    return c.location ? c.location()
                      : store::StoreLocation{c.database_path, store::kDatabasePassword};
}

void on_created(runtime::Window& w, Import& im_) {
    const ImportContext& c = *im_.context;
    const auto& rows = c.table.rows;
    w.set_text(im::kFile, "文件：" + c.file_path + "（共 " + std::to_string(rows.size()) + " 行）");
    for (int r = 0; r < kPreviewRows && r < static_cast<int>(rows.size()); ++r) {
        const int item =
            w.append_item(im::kPreview, cell_text(c.table.at(static_cast<std::size_t>(r), 0)));
        for (int col = 1; col < forms::kImportColumns; ++col)
            w.set_cell(
                im::kPreview, item, col,
                cell_text(c.table.at(static_cast<std::size_t>(r), static_cast<std::size_t>(col))));
    }
    // Each column's meaning as its header names it; the user can change every one.
    const auto header = formats::find_header_row(c.table);
    std::vector<ColumnMeaning> guessed;
    if (header) guessed = formats::guess_columns(rows[*header]);
    bool deal_column = false;
    for (int col = 0; col < forms::kImportColumns; ++col) {
        const std::string box = forms::import_meaning(col);
        for (ColumnMeaning m : kMeanings)
            w.add_choice(
                box, m == ColumnMeaning::none ? "不导入" : std::string(formats::meaning_name(m)));
        const ColumnMeaning m = static_cast<std::size_t>(col) < guessed.size()
                                    ? guessed[static_cast<std::size_t>(col)]
                                    : ColumnMeaning::none;
        deal_column = deal_column || m == ColumnMeaning::deal_date;
        w.select_choice(box, meaning_index(m));
    }
    w.add_choice(im::kList, "未成交客户");
    w.add_choice(im::kList, "已成交客户");
    // A sheet with deal dates holds closed customers.
    w.select_choice(im::kList, deal_column ? 1 : 0);
    auto stored = store::read_setting(im_.connection, im_.rows, store_of(c), store::kOurIdsRow);
    im_.our_ids = split_our_ids(stored.value_or(""));
    w.add_choice(im::kOurs, "（不用）");
    for (const auto& id : im_.our_ids)
        w.add_choice(im::kOurs, id);
    w.select_choice(im::kOurs, im_.our_ids.empty() ? 0 : 1);
    w.set_text(im::kSummary, header ? "第" + std::to_string(*header + 1) + "行是表头，不导入。"
                                    : std::string("文件里没有认出表头，请给每一列选好是什么。"));
}

// A row left out, as the list of them shows it.
struct LeftOutRow {
    std::size_t row;
    std::string reason;
};

// "第12行：原因" without its row number, which the list shows in a column of its own.
std::string reason_of(const formats::RowNotice& notice) {
    const std::string prefix = "第" + std::to_string(notice.row) + "行：";
    return notice.text.starts_with(prefix) ? notice.text.substr(prefix.size()) : notice.text;
}

// "文件里重复的 2 行，合计行 1 行": each kind that occurs, with its count, in the given order.
std::string counted(const std::vector<std::pair<std::string, std::size_t>>& kinds,
                    std::string_view unit) {
    std::string text;
    for (const auto& [name, count] : kinds)
        if (count > 0)
            text +=
                (text.empty() ? "" : "，") + name + " " + std::to_string(count) + std::string(unit);
    return text;
}

std::size_t count_of(const std::vector<formats::RowNotice>& notices, formats::LeftOut kind) {
    return static_cast<std::size_t>(
        std::count_if(notices.begin(), notices.end(),
                      [kind](const formats::RowNotice& n) { return n.kind == kind; }));
}

std::string report_text(const store::ImportReport& report, const formats::ImportResult& rows) {
    using formats::LeftOut;
    std::string text = "导入完成：新增 " + std::to_string(report.added) + " 位客户。";
    const std::string skipped = counted(
        {{"已经登记过的", report.already_stored.size()},
         {formats::left_out_name(LeftOut::repeated), count_of(rows.skipped, LeftOut::repeated)},
         {formats::left_out_name(LeftOut::total), count_of(rows.skipped, LeftOut::total)},
         {formats::left_out_name(LeftOut::above_header),
          count_of(rows.skipped, LeftOut::above_header)}},
        " 行");
    if (!skipped.empty()) text += "\r\n跳过：" + skipped + "。";
    if (!rows.refused.empty()) {
        std::vector<std::pair<std::string, std::size_t>> kinds;
        for (const LeftOut kind : {LeftOut::formula, LeftOut::number_date, LeftOut::bad_date,
                                   LeftOut::missing, LeftOut::bad_id})
            kinds.emplace_back(formats::left_out_name(kind), count_of(rows.refused, kind));
        text += "\r\n没有导入 " + std::to_string(rows.refused.size()) + " 行：" +
                counted(kinds, " 行") + "。";
    }
    return text;
}

// Every row that did not become a customer, in the file's order.
std::vector<LeftOutRow> left_out_rows(const store::ImportReport& report,
                                      const formats::ImportResult& rows) {
    std::vector<LeftOutRow> out;
    for (const auto* notices : {&rows.skipped, &rows.refused})
        for (const auto& n : *notices)
            out.push_back({n.row, reason_of(n)});
    for (const std::size_t i : report.already_stored)
        if (i < rows.customers.size())
            out.push_back({rows.customers[i].row,
                           "已经登记过这位客户（客户旺旺号和我们的旺旺都相同），已略过"});
    std::stable_sort(out.begin(), out.end(),
                     [](const LeftOutRow& a, const LeftOutRow& b) { return a.row < b.row; });
    return out;
}

void show_left_out(std::vector<LeftOutRow> rows, const std::string& file_path) {
    auto shown = std::make_shared<std::vector<LeftOutRow>>(std::move(rows));
    runtime::Handlers h;
    h[forms::ops::kLeftOutCreated] = [shown, file_path](runtime::Window& w,
                                                        const runtime::EventArgs&) {
        w.set_text(forms::left_out::kLabel,
                   "“" + file_path + "”里没有导入的 " + std::to_string(shown->size()) + " 行：");
        for (const auto& r : *shown) {
            const int item = w.append_item(forms::left_out::kList, std::to_string(r.row));
            w.set_cell(forms::left_out::kList, item, 1, r.reason);
        }
    };
    h[forms::ops::kCloseDialog] = [](runtime::Window& w, const runtime::EventArgs&) { w.close(); };
    runtime::platform().windows().open_modal(forms::left_out_rows(), std::move(h));
}

// What the import off the window's thread found, for the window to say.
struct ImportOutcome {
    std::optional<formats::ImportResult> rows;
    store::ImportReport report;
    std::string failure;  // a message for the user; empty when none
    bool reload = false;  // the list may show a store that was closed under it
};

void run_import(Import& im_, const std::vector<ColumnMeaning>& columns,
                const formats::ImportOptions& options, ImportOutcome& out, WorkProgress& progress) {
    const ImportContext& c = *im_.context;
    progress.begin("正在整理文件里的行…");
    // Memory running out while the rows are turned into customers leaves nothing stored.
    try {
        auto taken = formats::import_rows(c.table, columns, options);
        if (!taken) {
            out.failure = taken.error().message;
            return;
        }
        out.rows.emplace(std::move(*taken));
    } catch (const std::bad_alloc&) {
        out.failure = formats::out_of_memory().message;
        return;
    }
    if (progress.stop_asked()) {
        out.report.stopped = true;
        return;
    }
    // A copy first, so that an import the user regrets can be undone from 备份.
    progress.begin("正在备份数据…");
    if (auto kept = store::back_up_shop(*c.files, store_of(c),
                                        store::backup_folder(c.database_path), c.today());
        !kept) {
        out.failure = "没能先备份数据，所以没有导入。\r\n" + backup_failure_text(kept.failure());
        return;
    }
    if (progress.stop_asked()) {
        out.report.stopped = true;
        return;
    }
    std::vector<store::ImportCandidate> candidates;
    candidates.reserve(out.rows->customers.size());
    for (const auto& customer : out.rows->customers)
        candidates.push_back({customer.fields, options.list == formats::ImportList::closed
                                                   ? customer.deal_date
                                                   : std::nullopt});
    progress.begin("正在导入客户…", candidates.size());
    store::ActionResult result;
    try {
        result = store::import_customers(im_.connection, im_.rows, store_of(c), candidates,
                                         out.report, [&](std::size_t done) {
                                             // The rows are in; what is left has no count.
                                             if (done == candidates.size() && done > 0)
                                                 progress.begin("正在保存…");
                                             else
                                                 progress.advance(done);
                                             return !progress.stop_asked();
                                         });
    } catch (const std::bad_alloc&) {
        // Closing the store rolls back the transaction the import had open.
        im_.rows.close_rows();
        im_.connection.close_store();
        out.failure =
            "内存不够，导入没有做完，这次导入的客户没有存进去。请关掉别的程序，或把文件分成几个再"
            "导入。";
        out.reload = true;
        return;
    }
    if (!result && !out.report.stopped)
        out.failure = "导入失败，一位客户也没有加进去。\r\n" +
                      (result.outcome == store::ActionOutcome::unavailable
                           ? not_saved_message(store::failure_of(im_.connection), c.database_path)
                           : not_kept_message(store::failure_of(im_.connection)));
}

void import_rows(runtime::Window& w, const std::shared_ptr<Import>& im_) {
    const ImportContext& c = *im_->context;
    std::vector<ColumnMeaning> columns;
    for (int col = 0; col < forms::kImportColumns; ++col) {
        const int i = w.selected_choice(forms::import_meaning(col));
        columns.push_back(i >= 0 ? kMeanings[static_cast<std::size_t>(i)] : ColumnMeaning::none);
    }
    formats::ImportOptions options;
    options.list =
        w.selected_choice(im::kList) == 1 ? formats::ImportList::closed : formats::ImportList::open;
    options.clean_id = [](std::string_view t) { return clean_id_text(t); };
    const int ours = w.selected_choice(im::kOurs);
    if (ours >= 1 && static_cast<std::size_t>(ours) <= im_->our_ids.size())
        options.default_our_id = im_->our_ids[static_cast<std::size_t>(ours - 1)];
    // A hundred thousand rows take a while: the windows keep answering, and 取消 leaves the
    // store as it was (the backup made on the way stays).
    auto out = std::make_shared<ImportOutcome>();
    run_with_progress("正在导入", WhenCancelled::wait,
                      [im_, columns, options, out](WorkProgress& progress) {
                          run_import(*im_, columns, options, *out, progress);
                      });
    // Stopped: the dialog stays as it was, for another try or 取消.
    if (out->report.stopped) return;
    if (!out->failure.empty()) {
        services::show_message(out->failure);
        if (out->reload && c.imported) c.imported();
        return;
    }
    const store::ImportReport& report = out->report;
    auto left_out = left_out_rows(report, *out->rows);
    if (left_out.empty()) {
        services::show_message(report_text(report, *out->rows), services::kButtonsOk, "导入客户");
    } else if (services::show_message(report_text(report, *out->rows) + "\r\n\r\n" + kAskToShow,
                                      services::kButtonsYesNo | kSecondButtonFirst,
                                      "导入客户") == services::kChoseYes) {
        show_left_out(std::move(left_out), c.file_path);
    }
    if (c.imported) c.imported();
    w.close();
}

}  // namespace

runtime::Handlers import_handlers(std::shared_ptr<ImportContext> context) {
    auto im_ = std::make_shared<Import>();
    im_->context = std::move(context);
    runtime::Handlers h;
    h[forms::ops::kImportCreated] = [im_](runtime::Window& w, const runtime::EventArgs&) {
        on_created(w, *im_);
    };
    h[forms::ops::kImportRows] = [im_](runtime::Window& w, const runtime::EventArgs&) {
        import_rows(w, im_);
    };
    h[forms::ops::kCloseDialog] = [](runtime::Window& w, const runtime::EventArgs&) { w.close(); };
    return h;
}

}  // namespace dialogs
