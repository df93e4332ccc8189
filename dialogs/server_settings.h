#pragma once
// Where this PC keeps the customers, as a setting: the database file beside the program, or
// a database server. The choice is a setting of one PC, kept in the local file's settings
// row 2; the server's password is kept only as the system protects it for the user, never
// as text.
#include <optional>
#include <string>
#include <string_view>

#include "engine/location.h"
#include "runtime/secrets.h"
#include "services/settings_lines.h"

namespace dialogs {

inline constexpr const char* kStoreKey = "store";  // "local" or "server"
inline constexpr const char* kServerHostKey = "server.host";
inline constexpr const char* kServerPortKey = "server.port";
inline constexpr const char* kServerDatabaseKey = "server.database";
inline constexpr const char* kServerUserKey = "server.user";
// The protected password's bytes, in hexadecimal.
inline constexpr const char* kServerPasswordKey = "server.password";
inline constexpr int kDefaultServerPort = 5432;
// The driver a shop installs on each PC; the store finds its 64-bit name as well.
inline constexpr const char* kServerDriver = "PostgreSQL Unicode";

struct ServerDetails {
    std::string host;
    int port = kDefaultServerPort;
    std::string database, user, password;
    bool operator==(const ServerDetails&) const = default;
};

struct StoreChoice {
    bool on_server = false;
    ServerDetails server;
    bool operator==(const StoreChoice&) const = default;
};

struct ReadChoice {
    StoreChoice choice;
    // A password was kept but cannot be turned back (another Windows user or PC, or the
    // setting was changed by hand): the user has to type it again.
    bool password_lost = false;
};

// The choice in the settings; the file when nothing (or nothing usable) is chosen.
ReadChoice read_store_choice(const services::SettingsLines& settings,
                             runtime::SecretsAdapter& secrets);
// Writes the choice into the settings, the server's details kept also when the file is
// chosen (for the next time). False, and the settings unchanged, when the system would not
// protect the password.
bool write_store_choice(services::SettingsLines& settings, const StoreChoice& choice,
                        runtime::SecretsAdapter& secrets);

// What is missing or wrong in the details, in the user's words; empty when they can be used.
std::string server_details_problem(const ServerDetails& details);

// A value of an ODBC connection string: as it is, or in braces (a closing brace doubled) when
// it holds a character that would otherwise end or change the attribute.
std::string odbc_value(std::string_view value);
// "Driver={PostgreSQL Unicode};Server=..;Port=..;Database=..;Uid=..;Pwd=..;"
std::string connection_string(const ServerDetails& details);
// The server's database as the store reaches it.
store::StoreLocation server_location(const ServerDetails& details);

// The port as typed; nullopt unless a whole number from 1 to 65535.
std::optional<int> port_of(std::string_view text);

}  // namespace dialogs
