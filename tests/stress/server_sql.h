#pragma once
// psql on the server a connection string names: the reader from outside the program for a
// store on a server, as mdb-export is for the file.
#include <optional>
#include <string>

namespace stress {

// Runs SQL as the connection string's user; what psql printed (unaligned, tuples only), or
// nullopt with `why` set.
std::optional<std::string> server_sql(const std::string& connection_string, const std::string& sql,
                                      std::string* why);

}  // namespace stress
