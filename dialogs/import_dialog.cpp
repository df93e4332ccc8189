#include "dialogs/import_dialog.h"

#include <array>
#include <utility>

#include "dialogs/id_text.h"
#include "dialogs/store_messages.h"
#include "formats/column_guess.h"
#include "formats/import_rows.h"
#include "forms/forms.h"
#include "services/message.h"
#include "store/backup.h"
#include "store/customer_actions.h"
#include "store/provision.h"
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
        case formats::CellKind::number: {
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

std::string report_text(const store::ImportReport& report, const formats::ImportResult& rows) {
    // Rows above the header (a title, a date) are no customers: only repeats count as skipped.
    std::size_t skipped = report.already_stored.size();
    for (const auto& s : rows.skipped)
        if (!rows.header_row || s.row > *rows.header_row) ++skipped;
    std::string text = "导入完成：新增 " + std::to_string(report.added) + " 位客户，跳过 " +
                       std::to_string(skipped) + " 位（已经登记过，或在文件里重复），" +
                       std::to_string(rows.refused.size()) + " 行没有导入。";
    constexpr std::size_t kShown = 12;
    for (std::size_t i = 0; i < rows.refused.size() && i < kShown; ++i)
        text += "\r\n" + rows.refused[i].text;
    if (rows.refused.size() > kShown)
        text += "\r\n……另有 " + std::to_string(rows.refused.size() - kShown) + " 行";
    return text;
}

void import_rows(runtime::Window& w, Import& im_) {
    const ImportContext& c = *im_.context;
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
    if (ours >= 1 && static_cast<std::size_t>(ours) <= im_.our_ids.size())
        options.default_our_id = im_.our_ids[static_cast<std::size_t>(ours - 1)];
    auto rows = formats::import_rows(c.table, columns, options);
    if (!rows) {
        services::show_message(rows.error().message);
        return;
    }
    // A copy first, so that an import the user regrets can be undone from 备份.
    jet::FileSystem& fs = *c.files;
    if (auto kept =
            store::back_up(fs, c.database_path, store::backup_folder(c.database_path), c.today());
        !kept) {
        services::show_message("没能先备份数据，所以没有导入。\r\n" + error_text(kept.error()));
        return;
    }
    std::vector<store::ImportCandidate> candidates;
    candidates.reserve(rows->customers.size());
    for (const auto& customer : rows->customers)
        candidates.push_back({customer.fields, options.list == formats::ImportList::closed
                                                   ? customer.deal_date
                                                   : std::nullopt});
    store::ImportReport report;
    const auto result =
        store::import_customers(im_.connection, im_.rows, store_of(c), candidates, report);
    if (!result) {
        services::show_message(
            "导入失败，一位客户也没有加进去。\r\n" +
            (result.outcome == store::ActionOutcome::unavailable
                 ? not_saved_message(store::failure_of(im_.connection), c.database_path)
                 : not_kept_message(store::failure_of(im_.connection))));
        return;
    }
    services::show_message(report_text(report, *rows), services::kButtonsOk, "导入客户");
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
        import_rows(w, *im_);
    };
    h[forms::ops::kCloseDialog] = [](runtime::Window& w, const runtime::EventArgs&) { w.close(); };
    return h;
}

}  // namespace dialogs
