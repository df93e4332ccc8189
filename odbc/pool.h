#pragma once
// Connections to a server kept between user actions. Every action opens the store and closes
// it again; a new connection each time would cost a log-in and the check of the tables, so a
// closed store hands its connection back here and the next open takes it.
#include <memory>
#include <optional>
#include <string>

#include "engine/failure.h"
#include "odbc/handles.h"

namespace odbc {

// The same connection string naming the PostgreSQL driver's other name (with or without
// "(x64)"); nullopt when it names neither.
std::optional<std::string> other_driver_name(const std::string& connection_string);

// The connection string as the driver gets it: the user's, with the options the engine relies
// on added after it.
// `link_timeout`: also bound how long data may go unanswered (libpq 12 and later).
std::string with_engine_options(const std::string& connection_string, bool link_timeout = true);

// A connection to the server the connection string names, ready for work: logged in, the
// session set up, the tables checked (and made, in an empty database). `reuse`: an idle one
// kept from before will do.
struct Link {
    std::unique_ptr<Connection> connection;
    bool reused = false;  // kept from before: it may have died meanwhile
};
store::Result<Link> take_connection(const std::string& connection_string, bool reuse = true);
// Keeps a connection that is in a sound state (no transaction open) for the next action.
void give_back(const std::string& connection_string, std::unique_ptr<Connection> connection);
// Closes every kept connection (tests that stop the server use it to start clean).
void forget_connections();

}  // namespace odbc
