#pragma once
// Why the store refused an open or an operation, in the terms the user is told, and the
// result type every engine answers with: a value or a failure the caller must look at.
#include <string>
#include <utility>
#include <variant>

#include "jet/result.h"

namespace store {

enum class StoreFailure {
    none,
    missing,      // nothing at the path
    unreadable,   // not a database of ours: another program's file, damaged, or a wrong password
    busy,         // another copy or PC holds it longer than an action waits
    unavailable,  // the system refused to read or write it (a full disk, a vanished folder), or
                  // the engine refused the operation (a value the column cannot hold)
    // A database server:
    unreachable,     // no server answers at that address, or the connection broke
    refused,         // the server refused the user name or password
    no_database,     // the server has no database of that name
    no_driver,       // the ODBC driver named in the connection string is not installed
    no_rights,       // the server let the user in, but not at the program's tables
    foreign_schema,  // the database holds tables that are not ours, or ours changed by hand
    newer_schema,    // a newer version of the program made this database
    gone,            // the row was deleted by another PC in the meantime
};

// A short English name of the kind, for logs and test output.
const char* failure_name(StoreFailure kind);

struct Failure {
    StoreFailure kind = StoreFailure::unavailable;
    std::string message;  // what went wrong, for diagnostics; the windows word it themselves
};

template <class T>
class [[nodiscard]] Result : public jet::BasicResult<T, Failure> {
  public:
    using jet::BasicResult<T, Failure>::BasicResult;
    const Failure& failure() const { return this->problem(); }
};

using Status = Result<void>;

inline Failure fail(StoreFailure kind, std::string message) {
    return Failure{kind, std::move(message)};
}

}  // namespace store
