#include "dialogs/restore_dialog.h"

#include <cstdio>
#include <memory>

#include "dialogs/store_messages.h"
#include "forms/forms.h"
#include "services/message.h"
#include "store/backup.h"
#include "store/provision.h"
#include "store/shop_backup.h"

namespace dialogs {

namespace {

namespace rs = forms::restore;

struct Restore {
    RestoreContext context;
    std::vector<store::BackupInfo> backups;
};

std::string date_text(const jet::CivilDate& d) {
    return std::to_string(d.year) + "-" + std::to_string(d.month) + "-" + std::to_string(d.day);
}

// What a copy is called in the list and the question: its date, and a hand copy's own name.
std::string copy_label(const store::BackupInfo& b) {
    if (!b.by_hand)
        return date_text(b.name.date) +
               (b.name.serial > 1 ? " (" + std::to_string(b.name.serial) + ")" : std::string());
    if (b.name.date.year == 0) return "手工放入";
    return date_text(b.name.date) + " 手工放入";
}

void fill(runtime::Window& w, Restore& r) {
    r.backups = store::list_backups(*r.context.files, store::backup_folder(r.context.database_path),
                                    store::kDatabasePassword);
    w.delete_all_items(rs::kList);
    for (const auto& b : r.backups) {
        const int row = w.append_item(rs::kList, copy_label(b));
        w.set_cell(rs::kList, row, 1, size_text(b.size));
        if (b.open_customers) {
            w.set_cell(rs::kList, row, 2, std::to_string(*b.open_customers));
            w.set_cell(rs::kList, row, 3, std::to_string(*b.closed_customers));
            w.set_cell(rs::kList, row, 4, b.file_name);
        } else {
            w.set_cell(rs::kList, row, 4, "无法读取，不能恢复");
        }
    }
    if (r.backups.empty()) w.set_text(rs::kLabel, "“备份”文件夹里还没有备份。");
}

void restore_chosen(runtime::Window& w, Restore& r) {
    const int row = w.selected_row(rs::kList);
    if (row < 0 || row >= static_cast<int>(r.backups.size())) {
        services::show_message("请先在列表里选一份备份。");
        return;
    }
    const store::BackupInfo& chosen = r.backups[static_cast<std::size_t>(row)];
    if (!chosen.open_customers) {
        services::show_message("这份备份无法读取，不能用它恢复。");
        return;
    }
    const std::string named =
        chosen.by_hand ? "“" + chosen.file_name + "”" : date_text(chosen.name.date) + " 的备份";
    const std::string counts = "（未成交 " + std::to_string(*chosen.open_customers) +
                               " 位，已成交 " + std::to_string(*chosen.closed_customers) + " 位）";
    const std::string question =
        r.context.shared
            ? "确定要用 " + named + counts +
                  "替换数据库服务器上现在的客户数据吗？\r\n店里所有电脑都会看到恢复后的数据。"
                  "服务器上现在的数据会先备份到这台电脑的“备份”文件夹里。"
            : "确定要用 " + named + counts +
                  "替换现在的数据吗？\r\n现在的数据会先备份到“备份”文件夹里。";
    if (services::show_message(question, services::kButtonsYesNo, "温馨提示：") !=
        services::kChoseYes)
        return;
    jet::FileSystem& fs = *r.context.files;
    const std::string& db = r.context.database_path;
    // The data as it stands goes into 备份 first, so a wrong choice can be undone too.
    // Without a place given, the shop is the file at database_path.
    store::StoreLocation where = r.context.where;
    if (where.path.empty() && !where.on_server()) where = {db, store::kDatabasePassword};
    const auto file_there = fs.exists(where.path);
    if (r.context.shared || (file_there && *file_there)) {
        auto kept = store::back_up_shop(fs, where, store::backup_folder(db), r.context.today());
        if (!kept) {
            services::show_message("现在的数据没能先备份，所以没有恢复。\r\n" +
                                   backup_failure_text(kept.failure()));
            return;
        }
    }
    auto done = store::restore_shop(fs, where, chosen.path);
    if (!done) {
        services::show_message("恢复失败，现在的数据没有改动。\r\n" +
                               backup_failure_text(done.failure()));
        return;
    }
    services::show_message("已经用 " + named + "恢复了数据。", services::kButtonsOk, "恭喜：");
    if (r.context.restored) r.context.restored();
    w.close();
}

}  // namespace

std::string size_text(std::uint64_t bytes) {
    char text[32];
    if (bytes < 1024 * 1024)
        std::snprintf(text, sizeof text, "%.1f KB", static_cast<double>(bytes) / 1024.0);
    else
        std::snprintf(text, sizeof text, "%.1f MB", static_cast<double>(bytes) / 1048576.0);
    return text;
}

runtime::Handlers restore_handlers(RestoreContext context) {
    auto r = std::make_shared<Restore>();
    r->context = std::move(context);
    runtime::Handlers h;
    h[forms::ops::kRestoreCreated] = [r](runtime::Window& w, const runtime::EventArgs&) {
        fill(w, *r);
    };
    h[forms::ops::kRestoreChosen] = [r](runtime::Window& w, const runtime::EventArgs&) {
        restore_chosen(w, *r);
    };
    h[forms::ops::kCloseDialog] = [](runtime::Window& w, const runtime::EventArgs&) { w.close(); };
    return h;
}

}  // namespace dialogs
