#pragma once
// Owners of the ODBC handles: an environment, a connection, a statement. Each frees its
// handle when it goes; a connection disconnects first.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/failure.h"
#include "odbc/api.h"

namespace odbc {

// One diagnostic record of a failed call.
struct Diagnostic {
    std::string state;  // SQLSTATE, five characters
    std::int32_t native = 0;
    std::string message;
};

std::vector<Diagnostic> diagnostics_of(SQLSMALLINT handle_type, SQLHANDLE handle);
// The records as one line of text, for last_error.
std::string describe(const std::vector<Diagnostic>& records);

class Handle {
  public:
    Handle() = default;
    Handle(SQLSMALLINT type, SQLHANDLE handle) : type_(type), handle_(handle) {}
    ~Handle() { reset(); }
    Handle(Handle&& other) noexcept;
    Handle& operator=(Handle&& other) noexcept;
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;

    SQLHANDLE get() const { return handle_; }
    SQLSMALLINT type() const { return type_; }
    void reset();

  private:
    SQLSMALLINT type_ = 0;
    SQLHANDLE handle_ = SQL_NULL_HANDLE;
};

// The process's ODBC environment, shared by every connection made in it.
class Environment {
  public:
    static store::Result<std::shared_ptr<Environment>> create();
    SQLHENV get() const { return handle_.get(); }

  private:
    Handle handle_;
};

class Connection {
  public:
    // Connects with the connection string; the failure names why, in the store's terms.
    static store::Result<std::unique_ptr<Connection>> open(std::shared_ptr<Environment> env,
                                                           const std::string& connection_string);
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    SQLHDBC get() const { return handle_.get(); }
    std::vector<Diagnostic> diagnostics() const { return diagnostics_of(SQL_HANDLE_DBC, get()); }
    // Whether the driver knows the link to the server is gone.
    bool dead() const;

  private:
    Connection() = default;
    std::shared_ptr<Environment> env_;  // outlives the connection made in it
    Handle handle_;
    bool connected_ = false;
};

class Statement {
  public:
    explicit Statement(Connection& connection);
    bool ok() const { return handle_.get() != SQL_NULL_HANDLE; }
    SQLHSTMT get() const { return handle_.get(); }
    std::vector<Diagnostic> diagnostics() const { return diagnostics_of(SQL_HANDLE_STMT, get()); }

  private:
    Handle handle_;
};

inline bool succeeded(SQLRETURN rc) {
    return rc == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO;
}

}  // namespace odbc
