#pragma once
// Where the customer database lives, and writing it out on the first start.
#include <cstdint>
#include <span>
#include <string>

#include "jet/file_system.h"

namespace store {

inline constexpr const char* kDatabaseFileName = "yrkb_com.db";
inline constexpr const char* kDatabasePassword = "Kx7-pq2-Lm9w";

// The database file beside the program: its directory, one "\", the file name.
std::string build_database_path(const std::string& program_directory);

// Writes `database_template` to `path` unless something of that name (a file or a directory)
// is there already. The bytes go to a file beside it first and take the name only when all
// of them are on the disk, so a half-written template never stands at `path`. A failure is
// silent: the later opens of the store then fail.
void provision_store(jet::FileSystem& fs, const std::string& path,
                     std::span<const std::uint8_t> database_template);
// The same with the template the program carries.
void provision_store(jet::FileSystem& fs, const std::string& path);

}  // namespace store
