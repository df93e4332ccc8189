#include "app/data_commands.h"

#include <cmath>
#include <memory>
#include <new>
#include <optional>
#include <vector>

#include "app/program_settings.h"
#include "app/skin_choice.h"
#include "app/store_choice.h"
#include "dialogs/dates.h"
#include "dialogs/import_dialog.h"
#include "dialogs/restore_dialog.h"
#include "dialogs/store_messages.h"
#include "dialogs/work_progress.h"
#include "formats/read_limits.h"
#include "formats/table_file.h"
#include "forms/forms.h"
#include "runtime/platform.h"
#include "services/message.h"
#include "store/backup.h"
#include "store/recycle_bin.h"
#include "store/shop_backup.h"

namespace app {

namespace {

using runtime::EventArgs;
using runtime::Window;

// A spreadsheet of a shop is megabytes at most; far larger is no table of customers.
constexpr std::uint64_t kLargestImport = 256ull << 20;

jet::CivilDate today() {
    return jet::civil_from_days(static_cast<std::int64_t>(std::floor(dialogs::now_as_date())) -
                                jet::kEngineEpochOffset);
}

void import_customers(Window& w, MainContext& context) {
    auto path =
        w.ask_open_path(forms::main::kOpenDialog, runtime::platform().shell().desktop_folder());
    if (!path) return;
    // A file of a hundred thousand rows takes a while to read: the windows keep answering,
    // and 取消 forgets the file (reading changes nothing, so nothing is waited for).
    struct Read {
        std::optional<formats::Result<formats::TableFile>> file;
        std::string failure;
    };
    auto read = std::make_shared<Read>();
    const bool finished = dialogs::run_with_progress(
        "正在读取", dialogs::WhenCancelled::drop,
        [read, path = *path](dialogs::WorkProgress& progress) {
            progress.begin("正在读取文件…");
            // Even the file's bytes may not find room in a 32-bit process: said, never a crash.
            std::optional<std::vector<std::uint8_t>> bytes;
            try {
                bytes = runtime::platform().files().read(path, kLargestImport);
            } catch (const std::bad_alloc&) {
                read->failure = formats::out_of_memory().message;
                return;
            }
            if (!bytes) {
                read->failure = "这个文件打不开，或者太大了：\r\n" + path;
                return;
            }
            if (progress.stop_asked()) return;
            read->file.emplace(formats::read_table_file(*bytes));
        });
    if (!finished) return;
    if (!read->failure.empty()) {
        services::show_message(read->failure);
        return;
    }
    if (!read->file) return;
    auto& file = *read->file;
    if (!file) {
        services::show_message(file.error().message);
        return;
    }
    if (file->table.rows.empty()) {
        services::show_message("这个文件里没有可以导入的行。");
        return;
    }
    auto ctx = std::make_shared<dialogs::ImportContext>();
    ctx->database_path = context.state.database_path;
    ctx->files = context.files;
    ctx->file_path = *path;
    ctx->table = std::move(file->table);
    ctx->today = today;
    ctx->imported = [&w, &context] { reload_list(w, context); };
    ctx->location = [&context] { return store_location(context); };
    runtime::platform().windows().open_modal(forms::import_dialog(), dialogs::import_handlers(ctx));
}

void restore(Window& w, MainContext& context) {
    dialogs::RestoreContext ctx;
    ctx.database_path = context.state.database_path;
    ctx.where = store_location(context);
    ctx.shared = context.shop.can().shared_by_pcs;
    ctx.files = context.files;
    ctx.today = today;
    // Everything the program shows came from the old file: the settings, the skin, the list.
    ctx.restored = [&w, &context] {
        load_program_settings(context);
        restore_skin(w, context);
        reload_list(w, context);
    };
    runtime::platform().windows().open_modal(forms::restore_dialog(),
                                             dialogs::restore_handlers(std::move(ctx)));
}

}  // namespace

void back_up_today(MainContext& context) {
    if (!context.files) return;
    const std::string& db = context.state.database_path;
    const std::string folder = store::backup_folder(db);
    const jet::CivilDate now = today();
    // Copies dated after today: the clock went back. Every one of them stays; the user hears
    // it once a run.
    if (!context.told_clock_doubt && store::backups_after(*context.files, folder, now)) {
        context.told_clock_doubt = true;
        services::show_message("“备份”文件夹里有日期比今天（" + std::to_string(now.year) + "-" +
                               std::to_string(now.month) + "-" + std::to_string(now.day) +
                               "）还晚的备份，这台电脑的日期可能不对。\r\n这些备份都留着，"
                               "不会被删掉；请检查电脑的日期和时间。");
    }
    const bool copy = !store::backed_up_on(*context.files, folder, now);
    // A shop of a hundred thousand takes a while to copy, a server's longer: the window
    // answers meanwhile, and a save waits for the copy's hold on the file, not the reverse.
    // The day's copy still holds the customers that leave the recycle bin after it.
    runtime::platform().windows().run_in_background([files = context.files,
                                                     where = store_location(context), folder, now,
                                                     copy, moment = dialogs::now_as_date()] {
        if (copy) (void)store::back_up_shop(*files, where, folder, now);
        store::StoreConnection connection;
        store::RowSet rows;
        // Emptied another day when the store is busy or away now.
        (void)store::empty_old_bin(connection, rows, where, moment);
        connection.close_store();
    });
}

void add_data_command_handlers(runtime::Handlers& h, MainContext& context) {
    namespace ops = forms::ops;
    h[ops::kImport] = [&context](Window& w, const EventArgs&) { import_customers(w, context); };
    h[ops::kRestore] = [&context](Window& w, const EventArgs&) { restore(w, context); };
}

}  // namespace app
