#pragma once
// What the user is told when the database file cannot be used or a change did not land.
#include <string>

#include "jet/result.h"
#include "store/customer_actions.h"
#include "store/store_connection.h"

namespace dialogs {

inline constexpr const char* kSaveFailed = "保存失败，请稍后再试。";
inline constexpr const char* kCustomerGone = "这个客户已经不在了。";

// Told once at start when the database cannot be used at all: what is wrong, where the file
// is, and that nothing was changed. Empty when it opened, or another copy only held it.
std::string start_up_store_message(store::StoreFailure failure, const std::string& path);

// For a change that could not be stored: the file's own trouble when it cannot be read at
// all, so that the user is not sent to try again in vain; else try again later.
std::string not_saved_message(store::StoreFailure failure, const std::string& path);

// For a change the store took up but did not keep: that the server is away when the link to it
// went in the middle, else try again later.
std::string not_kept_message(store::StoreFailure failure);

// Tells the user what became of a change that did not land. True when the dialog is done
// (the change landed, or its customer is gone and the user was told), false when the change
// can be tried again and the dialog stays open with what was entered.
bool report_action(store::ActionResult result, const store::StoreConnection& c,
                   const std::string& path);

// Why a backup could not be taken or put back, in plain words.
std::string backup_failure_text(const store::Failure& failure);

// What is wrong with a database server, in plain words.
std::string server_failure_text(store::StoreFailure failure);

// An engine error in the user's words, for what went wrong with a copy or a file.
std::string error_text(const jet::Error& error);

}  // namespace dialogs
