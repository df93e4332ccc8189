#pragma once
// Copies of the database file in the folder "备份" beside it: taken under the file's lock so
// that no copy is ever half a change, kept for a month and a year by the keeping rule, and put
// back in one step. Copies the user put there under names of their own are listed too and
// never deleted.
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
// Only names of exactly this form, as the program writes them, are the program's copies (a
// serial of 2 or more, no leading zero); anything else in the folder is left be.
std::optional<BackupName> parse_backup_name(std::string_view file_name);

// The copies that the keeping rule lets go, among `names` (other files are never among them).
// A copy dated after today always stays: the clock is wrong, not the copy old. Of the rest,
// the newest 7 stay whatever their dates, every copy of the last 30 days, and the first copy
// of each of the last 12 months.
std::vector<std::string> expired_backups(const std::vector<std::string>& names,
                                         jet::CivilDate today);
// Whether any of the program's copies among `names` is dated after today: the computer's
// clock has gone back (set by hand, or a flat BIOS battery).
bool copies_after(const std::vector<std::string>& names, jet::CivilDate today);
// The first YYYY-MM-DD date in a name the user gave a copy, if it holds one.
std::optional<jet::CivilDate> date_in_name(std::string_view file_name);

// Copies the database into `folder` (made when missing) as today's next copy, under the
// database's lock and after finishing a change a crash interrupted, then lets expired copies
// go. The copy is written beside its name and takes it only when whole. Returns its path.
jet::Result<std::string> back_up(jet::FileSystem& fs, const std::string& database_path,
                                 const std::string& folder, jet::CivilDate today,
                                 std::chrono::milliseconds lock_wait = std::chrono::seconds(2));
// Writes `bytes` into `folder` (made when missing) as today's next copy and lets expired
// copies go; the copy's path.
jet::Result<std::string> keep_copy(jet::FileSystem& fs, const std::string& folder,
                                   jet::CivilDate today, const std::vector<std::uint8_t>& bytes);
// Whether `folder` holds a copy of `today` already.
bool backed_up_on(const jet::FileSystem& fs, const std::string& folder, jet::CivilDate today);
// Whether `folder` holds a copy of the program's dated after `today`.
bool backups_after(const jet::FileSystem& fs, const std::string& folder, jet::CivilDate today);

struct BackupInfo {
    std::string file_name, path;
    // A hand copy's date is the one in its name, {0, 1, 1} when it has none; its serial is 0.
    BackupName name;
    bool by_hand = false;  // put into 备份 by the user, under a name of their own
    std::uint64_t size = 0;
    // Read with the program's own engine; nullopt when the copy cannot be read.
    std::optional<int> open_customers, closed_customers;
};
// The program's copies in `folder`, and the database files the user put there that open as
// the program's (.db or .mdb), newest first; hand copies without a date in the name last.
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
