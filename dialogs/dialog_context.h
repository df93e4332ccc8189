#pragma once
// What the dialogs share with the window that opens them. The program points these at its
// own hand-over record; each dialog window keeps its own store connection and row set.
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>

#include "dialogs/store_messages.h"
#include "store/customer_actions.h"
#include "store/provision.h"

namespace dialogs {

inline constexpr const char* kNewCustomerMode = "新建";
inline constexpr const char* kOpenListMode = "yn=false";
inline constexpr const char* kClosedListMode = "yn=true";
inline constexpr const char* kManagerFromEditor = "新建修改";

struct DialogContext {
    const std::string& database_path;
    const std::string& list_mode;
    std::string& editor_mode;
    // The customer the edit command picked, as the list loaded it.
    store::CustomerRow& current_customer;
    std::string& manager_origin;
    const std::int32_t& target_id;
    // Refills the main list after a change.
    std::function<void()> reload_list;
    // Host of the messenger's status service, for the chat hand-off.
    std::string messenger_host;
    // The follow-up cadence in days, and storing a new one.
    std::function<int()> cadence;
    std::function<store::ActionResult(int)> save_cadence;
    // Where the customers are this run; without it, the file at database_path.
    std::function<store::StoreLocation()> location;
    // The open customers due for a follow-up now, by our ID; nullopt when they did not load.
    std::function<std::optional<std::map<std::string, std::int64_t>>()> due_counts;

    store::StoreLocation store() const {
        return location ? location()
                        : store::StoreLocation{database_path, store::kDatabasePassword};
    }
};

}  // namespace dialogs
