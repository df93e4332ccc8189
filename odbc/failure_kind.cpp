#include "odbc/failure_kind.h"

#include <string_view>

namespace odbc {

namespace {

using store::StoreFailure;

bool says(const std::vector<Diagnostic>& records, std::string_view words) {
    for (const auto& d : records)
        if (d.message.find(words) != std::string::npos) return true;
    return false;
}

StoreFailure kind_of_state(std::string_view state) {
    // The driver manager could not find or load the driver.
    if (state == "IM002" || state == "IM003" || state == "IM004" || state == "IM005" ||
        state == "IM006" || state == "IM010" || state == "IM011" || state == "IM012")
        return StoreFailure::no_driver;
    if (state == "28000" || state == "28P01") return StoreFailure::refused;
    if (state == "3D000") return StoreFailure::no_database;
    if (state == "42501") return StoreFailure::no_rights;
    // Connection exceptions, the server shutting down, timeouts of the link.
    if (state.starts_with("08") || state == "57P01" || state == "57P02" || state == "57P03" ||
        state == "HYT01")
        return StoreFailure::unreachable;
    // Another PC holds the lock longer than we wait, or the server chose us to give way.
    if (state == "55P03" || state == "40001" || state == "40P01" || state == "57014" ||
        state == "HYT00")
        return StoreFailure::busy;
    // Our tables or columns are not what they were: changed by hand or by another program.
    if (state == "42P01" || state == "42703" || state == "42883")
        return StoreFailure::foreign_schema;
    return StoreFailure::unavailable;
}

}  // namespace

store::Failure failure_of(const std::vector<Diagnostic>& records, Context context) {
    store::Failure f{StoreFailure::unavailable, describe(records)};
    for (const auto& d : records) {
        const StoreFailure k = kind_of_state(d.state);
        if (k != StoreFailure::unavailable) {
            f.kind = k;
            break;
        }
    }
    // unixODBC names a driver it cannot load in a general warning.
    if (says(records, "Can't open lib") || says(records, "Data source name not found"))
        return {StoreFailure::no_driver, f.message};
    if (context == Context::connecting &&
        (f.kind == StoreFailure::unreachable || f.kind == StoreFailure::unavailable)) {
        // The PostgreSQL driver reports every failed connect as 08001 with the server's
        // message; the server's message texts are the ones it sends in English.
        if (says(records, "password authentication failed") ||
            says(records, "no password supplied") || says(records, "authentication failed") ||
            says(records, "no pg_hba.conf entry") || says(records, "role \""))
            f.kind = StoreFailure::refused;
        else if (says(records, "database \"") && says(records, "does not exist"))
            f.kind = StoreFailure::no_database;
        else if (f.kind == StoreFailure::unavailable)
            f.kind = StoreFailure::unreachable;
    }
    return f;
}

}  // namespace odbc
