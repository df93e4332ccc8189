#pragma once
// Copies of the database file in the folder "备份" beside it: taken under the file's lock so
// that no copy is ever half a change, kept for a month and a year by the keeping rule, and put
// back in one step.
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "jet/civil_date.h"
#include "jet/file_system.h"
#include "jet/result.h"

namespace store {

inline constexpr const char* kBackupFolderName = "备份";

// The folder a path names a file in, and a name joined to a folder with the separator the
// folder already uses (a backslash unless it holds only forward slashes).
std::string folder_of(const std::string& path);
std::string join_path(const std::string& folder, std::string_view name);
// "备份" beside the database.
std::string backup_folder(const std::string& database_path);

struct BackupName {
    jet::CivilDate date{0, 1, 1};
    int serial = 1;  // the first copy of a day has no number in its name
};
// "yrkb_com-2026-12-09.db", then "yrkb_com-2026-12-09-2.db" and on for more copies that day.
std::string backup_file_name(const BackupName& name);
// Only names of this form are the program's copies; anything else in the folder is left be.
std::optional<BackupName> parse_backup_name(std::string_view file_name);

// The copies that the keeping rule lets go, among `names` (other files are never among them):
// every copy of the last 30 days stays, and the first copy of each of the last 12 months.
std::vector<std::string> expired_backups(const std::vector<std::string>& names,
                                         jet::CivilDate today);

// Copies the database into `folder` (made when missing) as today's next copy, under the
// database's lock and after finishing a change a crash interrupted, then lets expired copies
// go. The copy is written beside its name and takes it only when whole. Returns its path.
jet::Result<std::string> back_up(jet::FileSystem& fs, const std::string& database_path,
                                 const std::string& folder, jet::CivilDate today,
                                 std::chrono::milliseconds lock_wait = std::chrono::seconds(2));
// Whether `folder` holds a copy of `today` already.
bool backed_up_on(const jet::FileSystem& fs, const std::string& folder, jet::CivilDate today);

struct BackupInfo {
    std::string file_name, path;
    BackupName name;
    std::uint64_t size = 0;
    // Read with the program's own engine; nullopt when the copy cannot be read.
    std::optional<int> open_customers, closed_customers;
};
// The program's copies in `folder`, newest first.
std::vector<BackupInfo> list_backups(jet::FileSystem& fs, const std::string& folder,
                                     std::string_view password);

// Puts the copy at `backup` in place of the database, in one step: under the database's lock
// every page goes through the journal, so a crash leaves the old file or the copy, never a
// mix. A copy that does not open with the password or lacks the program's tables is refused
// and nothing changes.
jet::Status restore_backup(jet::FileSystem& fs, const std::string& database_path,
                           const std::string& backup, std::string_view password,
                           std::chrono::milliseconds lock_wait = std::chrono::seconds(2));

}  // namespace store
