#pragma once
// What the user is told about a failed ODBC call, from its diagnostics: the SQLSTATE first,
// and for a failed connect, where drivers fold every cause into one state, the server's
// own words.
#include <vector>

#include "engine/failure.h"
#include "odbc/handles.h"

namespace odbc {

enum class Context { connecting, working };

store::Failure failure_of(const std::vector<Diagnostic>& records, Context context);

// Whether the connection the failure came from is of no further use.
inline bool connection_lost(const store::Failure& f) {
    return f.kind == store::StoreFailure::unreachable;
}

}  // namespace odbc
