#pragma once
// Moving a shop from the database file to a database server: every customer as it is (its
// number, dates, note and deal), our IDs and the shop-wide settings, in one transaction on
// the server, all or nothing. The file is backed up first and never changed.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "engine/failure.h"
#include "engine/location.h"
#include "jet/civil_date.h"
#include "jet/file_system.h"
#include "jet/result.h"

namespace store {

struct MoveRequest {
    StoreLocation from;  // the database file
    StoreLocation to;    // the server
    // The server holds customers already: add ours beside them (a pair stored there already
    // is left out, as an import does; the added get the server's numbers). Without it such a
    // server is refused.
    bool merge = false;
    // Settings row 2 of the server after the move, from the server's and the file's: the
    // caller knows which of its settings belong to the shop rather than to one PC. Without
    // it the server's row stays as it is.
    std::function<std::string(const std::string& server, const std::string& file, bool merging)>
        shop_settings;
    jet::CivilDate today{2000, 1, 1};  // names the backup
};

enum class MoveOutcome {
    moved,
    server_not_empty,  // the server holds customers and no merge was asked; nothing changed
    backup_failed,     // the file could not be copied first; nothing changed
    file_unusable,     // the file could not be read; nothing changed
    server_unusable,   // the server could not be opened or read; nothing changed
    not_stored,        // the server refused a write or the commit; nothing changed there
};

struct MoveReport {
    MoveOutcome outcome = MoveOutcome::not_stored;
    StoreFailure failure = StoreFailure::none;  // what the file or server met
    std::string detail;                         // for diagnostics
    int moved = 0;                              // customers added to the server
    int already_there = 0;                      // merge: customers the server held already
    int server_customers = 0;                   // customers the server held before
    std::string backup_path;                    // the copy of the file
    std::optional<jet::Error> backup_error;     // why the copy could not be made
};

MoveReport move_shop(jet::FileSystem& fs, const MoveRequest& request);

// How many customers a store holds, open and closed; the open's failure otherwise.
Result<int> count_all_customers(const StoreLocation& where);

}  // namespace store
