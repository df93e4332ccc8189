#include "store/backup.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <functional>
#include <map>
#include <set>
#include <span>
#include <tuple>

#include "jet/database_session.h"
#include "jet/file_lock.h"
#include "jet/format.h"
#include "jet/journal.h"
#include "jet/query.h"

namespace store {

namespace {

constexpr std::string_view kPrefix = "yrkb_com-";
constexpr std::string_view kSuffix = ".db";

std::int64_t day_number(const jet::CivilDate& d) {
    return jet::days_from_civil(d);
}

std::int64_t month_number(const jet::CivilDate& d) {
    return d.year * 12 + static_cast<std::int64_t>(d.month) - 1;
}

bool digits(std::string_view s) {
    return !s.empty() &&
           std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// A name the user may have given a copy of the database.
bool database_name(std::string_view name) {
    auto ends = [&](std::string_view tail) {
        return name.size() > tail.size() &&
               std::equal(
                   tail.begin(), tail.end(), name.end() - static_cast<long>(tail.size()),
                   [](char a, char b) { return a == std::tolower(static_cast<unsigned char>(b)); });
    };
    return ends(".db") || ends(".mdb");
}

int number(std::string_view s) {
    int n = 0;
    for (char c : s)
        n = n * 10 + (c - '0');
    return n;
}

jet::Result<std::vector<std::uint8_t>> read_whole(jet::FileSystem& fs, const std::string& path) {
    JET_ASSIGN(auto file, fs.open(path, jet::OpenMode::read_only));
    JET_ASSIGN(std::uint64_t size, file->size());
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
    JET_TRY(file->read_at(0, bytes));
    return bytes;
}

using FillFile = std::function<jet::Status(jet::File&)>;

// Written beside its name by `fill` and moved onto it whole; never replaces anything.
jet::Status write_new(jet::FileSystem& fs, const std::string& path, const FillFile& fill) {
    const std::string partial = path + ".lq-new";
    (void)fs.remove(partial);
    {
        JET_ASSIGN(auto file, fs.create(partial));
        auto written = fill(*file);
        if (written) written = file->sync();
        if (!written) {
            file.reset();
            (void)fs.remove(partial);
            return written.error();
        }
    }
    if (auto moved = fs.rename_new(partial, path); !moved) {
        (void)fs.remove(partial);
        return moved.error();
    }
    return fs.sync_directory_of(path);
}

// Fills a file with `bytes`, which must outlive it.
FillFile filled_with(const std::vector<std::uint8_t>& bytes) {
    return [&bytes](jet::File& file) { return file.write_at(0, bytes); };
}

// A megabyte at a time: a copy of a large shop never sits whole in memory.
jet::Status copy_bytes(const jet::File& from, jet::File& to) {
    JET_ASSIGN(std::uint64_t size, from.size());
    std::vector<std::uint8_t> chunk(std::size_t{1} << 20);
    for (std::uint64_t at = 0; at < size; at += chunk.size()) {
        const auto part = std::span(chunk).first(
            static_cast<std::size_t>(std::min<std::uint64_t>(chunk.size(), size - at)));
        JET_TRY(from.read_at(at, part));
        JET_TRY(to.write_at(at, part));
    }
    return {};
}

// Today's next name in `folder` (made when missing), the copy written there by `fill`, and the
// expired copies let go.
jet::Result<std::string> keep_filled_copy(jet::FileSystem& fs, const std::string& folder,
                                          jet::CivilDate today, const FillFile& fill) {
    JET_TRY(fs.make_directory(folder));
    JET_ASSIGN(auto names, fs.list_files(folder));
    BackupName name{today, 1};
    for (const auto& n : names)
        if (auto parsed = parse_backup_name(n); parsed && parsed->date == today)
            name.serial = std::max(name.serial, parsed->serial + 1);
    const std::string path = join_path(folder, backup_file_name(name));
    JET_TRY(write_new(fs, path, fill));
    names.push_back(backup_file_name(name));
    for (const auto& old : expired_backups(names, today))
        (void)fs.remove(join_path(folder, old));
    return path;
}

// The copy opens with the password and holds the program's two tables.
jet::Result<std::pair<int, int>> customer_counts(jet::FileSystem& fs, const std::string& path,
                                                 std::string_view password) {
    JET_ASSIGN(auto session, jet::DatabaseSession::open(fs, path, password,
                                                        jet::OpenMode::read_only, std::nullopt));
    JET_ASSIGN(auto open, jet::select(session->db(), "yrkb_com where yn=false"));
    JET_ASSIGN(auto closed, jet::select(session->db(), "yrkb_com where yn=true"));
    JET_ASSIGN(auto settings, jet::select(session->db(), "vantel_ww where id=3"));
    (void)settings;
    return std::pair<int, int>{static_cast<int>(open.rows.size()),
                               static_cast<int>(closed.rows.size())};
}

}  // namespace

std::string folder_of(const std::string& path) {
    const auto at = path.find_last_of("\\/");
    return at == std::string::npos ? std::string(".") : path.substr(0, at);
}

std::string join_path(const std::string& folder, std::string_view name) {
    const bool forward =
        folder.find('/') != std::string::npos && folder.find('\\') == std::string::npos;
    std::string path = folder;
    if (!path.empty() && path.back() != '\\' && path.back() != '/') path += forward ? '/' : '\\';
    return path.append(name);
}

std::string backup_folder(const std::string& database_path) {
    return join_path(folder_of(database_path), kBackupFolderName);
}

std::string backup_file_name(const BackupName& name) {
    char text[64];
    std::snprintf(text, sizeof text, "%04lld-%02u-%02u", static_cast<long long>(name.date.year),
                  name.date.month, name.date.day);
    std::string out = std::string(kPrefix) + text;
    if (name.serial > 1) out += "-" + std::to_string(name.serial);
    return out + std::string(kSuffix);
}

std::optional<BackupName> parse_backup_name(std::string_view file_name) {
    if (!file_name.starts_with(kPrefix) || !file_name.ends_with(kSuffix)) return std::nullopt;
    std::string_view rest = file_name.substr(kPrefix.size());
    rest.remove_suffix(kSuffix.size());
    // YYYY-MM-DD, then -N for a later copy of the day.
    if (rest.size() < 10 || rest[4] != '-' || rest[7] != '-') return std::nullopt;
    const std::string_view y = rest.substr(0, 4), m = rest.substr(5, 2), d = rest.substr(8, 2);
    if (!digits(y) || !digits(m) || !digits(d)) return std::nullopt;
    BackupName name;
    name.date = {number(y), static_cast<unsigned>(number(m)), static_cast<unsigned>(number(d))};
    // A date that does not exist comes back as another one.
    if (name.date.month < 1 || name.date.month > 12 ||
        jet::civil_from_days(day_number(name.date)) != name.date)
        return std::nullopt;
    rest.remove_prefix(10);
    if (!rest.empty()) {
        // "-2" on: the first copy of a day has no number, and the program writes no zeros
        // before one ("-02" is a name the user gave).
        if (rest[0] != '-' || !digits(rest.substr(1)) || rest.size() > 6 || rest[1] == '0')
            return std::nullopt;
        name.serial = number(rest.substr(1));
        if (name.serial < 2) return std::nullopt;
    }
    return name;
}

std::optional<jet::CivilDate> date_in_name(std::string_view file_name) {
    for (std::size_t at = 0; at + 10 <= file_name.size(); ++at) {
        const std::string_view s = file_name.substr(at, 10);
        if (s[4] != '-' || s[7] != '-') continue;
        const std::string_view y = s.substr(0, 4), m = s.substr(5, 2), d = s.substr(8, 2);
        if (!digits(y) || !digits(m) || !digits(d)) continue;
        const jet::CivilDate date{number(y), static_cast<unsigned>(number(m)),
                                  static_cast<unsigned>(number(d))};
        if (date.month >= 1 && date.month <= 12 && jet::civil_from_days(day_number(date)) == date)
            return date;
    }
    return std::nullopt;
}

std::vector<std::string> expired_backups(const std::vector<std::string>& names,
                                         jet::CivilDate today) {
    const std::int64_t this_day = day_number(today);
    const std::int64_t this_month = month_number(today);
    struct Copy {
        std::pair<std::int64_t, int> when;  // day, serial
        std::int64_t month;
        const std::string* file;
    };
    std::vector<Copy> copies;
    for (const auto& n : names)
        if (auto parsed = parse_backup_name(n))
            copies.push_back(
                {{day_number(parsed->date), parsed->serial}, month_number(parsed->date), &n});
    // Newest first; the first copy of a month is then the last one seen of it.
    std::sort(copies.begin(), copies.end(),
              [](const Copy& a, const Copy& b) { return a.when > b.when; });
    std::map<std::int64_t, std::pair<std::int64_t, int>> first_of_month;
    for (const auto& c : copies)
        first_of_month[c.month] = c.when;
    std::vector<std::string> expired;
    int newest_kept = 0;
    for (const auto& c : copies) {
        const std::int64_t day = c.when.first;
        // A copy from the future: the clock went back, and today is not what it says.
        if (day > this_day) continue;
        if (newest_kept < 7) {
            ++newest_kept;
            continue;
        }
        const bool recent = this_day - day < 30;
        const bool month_kept = this_month - c.month < 12 && first_of_month[c.month] == c.when;
        if (!recent && !month_kept) expired.push_back(*c.file);
    }
    return expired;
}

bool copies_after(const std::vector<std::string>& names, jet::CivilDate today) {
    return std::any_of(names.begin(), names.end(), [&](const std::string& n) {
        auto parsed = parse_backup_name(n);
        return parsed && day_number(parsed->date) > day_number(today);
    });
}

bool backups_after(const jet::FileSystem& fs, const std::string& folder, jet::CivilDate today) {
    auto names = fs.list_files(folder);
    return names && copies_after(*names, today);
}

bool backed_up_on(const jet::FileSystem& fs, const std::string& folder, jet::CivilDate today) {
    auto names = fs.list_files(folder);
    if (!names) return false;
    return std::any_of(names->begin(), names->end(), [&](const std::string& n) {
        auto parsed = parse_backup_name(n);
        return parsed && parsed->date == today;
    });
}

jet::Result<std::string> back_up(jet::FileSystem& fs, const std::string& database_path,
                                 const std::string& folder, jet::CivilDate today,
                                 std::chrono::milliseconds lock_wait) {
    return keep_filled_copy(fs, folder, today, [&](jet::File& copy) -> jet::Status {
        // Writers take this lock for every change: what is read under it is a whole state.
        // It is let go before the copy is flushed to the disk.
        JET_ASSIGN(auto lock, jet::lock_database(database_path, lock_wait));
        JET_TRY(jet::recover(fs, database_path));
        JET_ASSIGN(auto source, fs.open(database_path, jet::OpenMode::read_only));
        return copy_bytes(*source, copy);
    });
}

jet::Result<std::string> keep_copy(jet::FileSystem& fs, const std::string& folder,
                                   jet::CivilDate today, const std::vector<std::uint8_t>& bytes) {
    return keep_filled_copy(fs, folder, today, filled_with(bytes));
}

std::vector<BackupInfo> list_backups(jet::FileSystem& fs, const std::string& folder,
                                     std::string_view password) {
    std::vector<BackupInfo> out;
    auto names = fs.list_files(folder);
    if (!names) return out;
    for (const auto& n : *names) {
        auto parsed = parse_backup_name(n);
        if (!parsed && !database_name(n)) continue;
        BackupInfo info;
        info.file_name = n;
        info.path = join_path(folder, n);
        if (parsed) {
            info.name = *parsed;
        } else {
            info.by_hand = true;
            info.name = {date_in_name(n).value_or(jet::CivilDate{0, 1, 1}), 0};
        }
        if (auto file = fs.open(info.path, jet::OpenMode::read_only))
            if (auto size = (*file)->size()) info.size = *size;
        if (auto counts = customer_counts(fs, info.path, password)) {
            info.open_customers = counts->first;
            info.closed_customers = counts->second;
        } else if (info.by_hand) {
            continue;  // some other file of the user's, not a copy of ours
        }
        out.push_back(std::move(info));
    }
    std::sort(out.begin(), out.end(), [](const BackupInfo& a, const BackupInfo& b) {
        return std::tuple{day_number(a.name.date), a.name.serial, b.file_name} >
               std::tuple{day_number(b.name.date), b.name.serial, a.file_name};
    });
    return out;
}

jet::Status restore_backup(jet::FileSystem& fs, const std::string& database_path,
                           const std::string& backup, std::string_view password,
                           std::chrono::milliseconds lock_wait) {
    JET_TRY(customer_counts(fs, backup, password));
    JET_ASSIGN(auto bytes, read_whole(fs, backup));
    if (bytes.empty() || bytes.size() % jet::kPageSize != 0)
        return jet::make_error(jet::Errc::corrupt, "the copy is not whole pages");
    JET_ASSIGN(bool present, fs.exists(database_path));
    if (!present) return write_new(fs, database_path, filled_with(bytes));
    JET_ASSIGN(auto lock, jet::lock_database(database_path, lock_wait));
    JET_TRY(jet::recover(fs, database_path));
    JET_ASSIGN(auto file, fs.open(database_path, jet::OpenMode::read_write));
    std::map<std::uint32_t, jet::PageBytes> pages;
    for (std::size_t at = 0; at < bytes.size(); at += jet::kPageSize) {
        jet::PageBytes page;
        std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(at), jet::kPageSize, page.begin());
        pages.emplace(static_cast<std::uint32_t>(at / jet::kPageSize), page);
    }
    return jet::commit_pages(fs, database_path, *file, pages, bytes.size());
}

}  // namespace store
