#pragma once
// What the main window and the dialogs hand each other, one instance for the whole run.
#include <cstdint>
#include <string>

namespace app {

inline constexpr const char* kOpenCustomers = "yn=false";
inline constexpr const char* kClosedCustomers = "yn=true";
inline constexpr const char* kNewCustomer = "新建";

struct CurrentCustomer {
    std::int32_t id = 0;
    std::string wang;        // the customer's ID
    std::string wang2;       // our ID
    std::string first_date;  // as the list shows it
    std::string list_date;   // column 6 as the list shows it
    std::string note;
};

struct AppState {
    std::string database_path;
    std::string list_mode;    // kOpenCustomers or kClosedCustomers
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
