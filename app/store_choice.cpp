#include "app/store_choice.h"

#include "app/main_window.h"
#include "dialogs/store_messages.h"
#include "runtime/platform.h"
#include "store/customer_actions.h"
#include "store/provision.h"
#include "store/sources.h"
#include "store/store_connection.h"

namespace app {

store::StoreLocation local_store(const MainContext& context) {
    store::StoreLocation where{context.state.database_path, store::kDatabasePassword};
    where.exact = true;
    return where;
}

store::StoreLocation store_location(const MainContext& context) {
    // LQ_STORE takes the place of a location without a server of its own.
    if (store::store_override() || context.server.empty())
        return {context.state.database_path, store::kDatabasePassword};
    return {context.state.database_path, store::kDatabasePassword, context.server};
}

bool save_store_choice(MainContext& context, const dialogs::StoreChoice& choice,
                       std::string& problem) {
    bool protected_ok = true;
    std::string written;
    auto result = store::update_setting(context.connection, context.rows, local_store(context),
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
    context.settings = services::SettingsLines(written);
    return true;
}

}  // namespace app
