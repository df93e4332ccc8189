#pragma once
// What the main window and the dialogs hand each other, one instance for the whole run.
#include <cstdint>
#include <string>

#include "store/customer_actions.h"

namespace app {

inline constexpr const char* kOpenCustomers = "yn=false";
inline constexpr const char* kClosedCustomers = "yn=true";
// Open customers the shop gave up on: a view of their own, out of the open list.
inline constexpr const char* kGivenUpCustomers = "gave_up";
inline constexpr const char* kNewCustomer = "新建";

// The customer a list command picked, as the list loaded it; an empty row (number 0) when
// none was picked.
using CurrentCustomer = store::CustomerRow;

// The closed list reads closed customers; the other two read the open ones.
inline bool closed_mode(const std::string& mode) {
    return mode == kClosedCustomers;
}

struct AppState {
    std::string database_path;
    std::string list_mode;    // kOpenCustomers, kClosedCustomers or kGivenUpCustomers
    std::string editor_mode;  // kNewCustomer, or empty to edit current_customer
    CurrentCustomer current_customer;
    std::string export_kind;  // "", "a" (open customers) or "b" (closed customers)
    std::string export_lines;
    std::string export_path;       // where the pending export goes, as the save dialog gave it
    bool export_workbook = false;  // the pending export is an Excel workbook
    std::int32_t target_id = 0;    // the customer a list command works on
    std::string manager_origin;    // who opened the our-ID manager
};

}  // namespace app
