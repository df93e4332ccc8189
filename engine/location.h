#pragma once
// Where the customers live: the database file beside the program, or a database server.
#include <string>
#include <utility>

namespace store {

struct StoreLocation {
    StoreLocation() = default;
    StoreLocation(std::string file, std::string file_password, std::string server = {})
        : path(std::move(file)), password(std::move(file_password)), odbc(std::move(server)) {}

    std::string path;      // the Jet file
    std::string password;  // its database password
    // An ODBC connection string ("Driver={PostgreSQL Unicode};Server=...;Database=...;..."):
    // when set, the store is that server's database and the file is not used.
    std::string odbc;
    // This location and no other: LQ_STORE does not redirect it (reading the file of a shop
    // that moves to a server while the program already runs on that server).
    bool exact = false;

    bool on_server() const { return !odbc.empty(); }
};

}  // namespace store
