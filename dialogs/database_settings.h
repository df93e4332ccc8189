#pragma once
// The dialog "数据库设置": the customers in this PC's file or on a database server, the
// server's details, a test of them, and storing the choice.
#include <functional>
#include <string>

#include "dialogs/server_settings.h"
#include "runtime/window.h"

namespace dialogs {

struct DatabaseSettingsContext {
    ReadChoice current;       // what is chosen now
    bool overridden = false;  // LQ_STORE names the store, whatever is chosen here
    // Stores the choice where the program keeps it; what the user is told when that failed,
    // empty when it is stored.
    std::function<std::string(const StoreChoice&)> save;
    // After a stored choice: the program uses the chosen store from now on.
    std::function<void(const StoreChoice&)> chosen;
};

runtime::Handlers database_settings_handlers(DatabaseSettingsContext context);

// What a test of the server says: what is wrong in plain words, or that it works and how
// many customers it holds. `ok` tells which.
std::string connection_test_text(const store::StoreLocation& server, bool* ok = nullptr);

}  // namespace dialogs
