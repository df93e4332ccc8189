#include "app/store_choice.h"

#include "app/main_window.h"
#include "app/program_settings.h"
#include "dialogs/store_messages.h"
#include "runtime/platform.h"
#include "store/customer_actions.h"
#include "store/provision.h"
#include "store/sources.h"
#include "store/store_connection.h"

namespace app {

void use_store(MainContext& context, const std::string& chosen_server) {
    context.shop = store::Shop::resolve(context.state.database_path, chosen_server);
}

store::StoreLocation local_store(const MainContext& context) {
    return context.shop.local();
}

store::StoreLocation store_location(const MainContext& context) {
    return context.shop.customers();
}

void load_shop_settings(MainContext& context) {
    const store::StoreLocation where = store_location(context);
    if (!context.shop.shared_settings()) {
        context.shop_settings.reset();
        return;
    }
    // A server that does not answer now keeps what was last read of it.
    if (auto row = store::read_setting(context.connection, context.rows, where, store::kProgramRow))
        context.shop_settings = services::SettingsLines(*row);
}

int current_cadence(const MainContext& context) {
    return cadence_of(context.shop_settings ? *context.shop_settings : context.settings);
}

store::ActionResult save_cadence(MainContext& context, int days) {
    if (!context.shop_settings)
        return save_program_setting(context, kCadenceKey, std::to_string(days));
    std::string written;
    auto result = store::update_setting(context.connection, context.rows, store_location(context),
                                        store::kProgramRow, [&](const std::string& now) {
                                            services::SettingsLines lines(now);
                                            lines.set(kCadenceKey, std::to_string(days));
                                            written = lines.text();
                                            return written;
                                        });
    if (result) context.shop_settings = services::SettingsLines(written);
    return result;
}

bool save_store_choice(MainContext& context, const dialogs::StoreChoice& choice,
                       std::string& problem) {
    // This PC's file and no other: under LQ_STORE the file's location stands for the
    // variable's server, whose settings row every PC of the shop reads, and this PC's host,
    // user and password must never go there.
    const store::StoreLocation own_file = context.shop.this_pc();
    const bool overridden = context.shop.overridden();
    bool protected_ok = true;
    std::string written;
    auto result = store::update_setting(context.connection, context.rows, own_file,
                                        store::kProgramRow, [&](const std::string& now) {
                                            services::SettingsLines lines(now);
                                            protected_ok = dialogs::write_store_choice(
                                                lines, choice, runtime::platform().secrets());
                                            written = lines.text();
                                            return written;
                                        });
    if (!protected_ok) {
        problem = "这台电脑不能替这个用户保护密码，设置没有保存。";
        return false;
    }
    if (!result) {
        problem = dialogs::not_saved_message(store::failure_of(context.connection),
                                             context.state.database_path);
        return false;
    }
    // Under LQ_STORE the settings in use are the server's; the choice waits in the file.
    if (!overridden) context.settings = services::SettingsLines(written);
    return true;
}

}  // namespace app
