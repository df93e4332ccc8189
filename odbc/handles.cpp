#include "odbc/handles.h"

#include <mutex>
#include <utility>

#include "odbc/failure_kind.h"
#include "odbc/wide.h"

namespace odbc {

std::vector<Diagnostic> diagnostics_of(SQLSMALLINT handle_type, SQLHANDLE handle) {
    std::vector<Diagnostic> out;
    if (handle == SQL_NULL_HANDLE) return out;
    for (SQLSMALLINT record = 1; record < 10; ++record) {
        SQLWCHAR state[6] = {};
        SQLINTEGER native = 0;
        SQLWCHAR message[1024];
        SQLSMALLINT length = 0;
        const SQLRETURN rc = SQLGetDiagRecW(handle_type, handle, record, state, &native, message,
                                            static_cast<SQLSMALLINT>(std::size(message)), &length);
        if (!succeeded(rc)) break;
        const auto units =
            std::min<std::size_t>(static_cast<std::size_t>(length), std::size(message) - 1);
        out.push_back(
            {from_wide(state, 5), static_cast<std::int32_t>(native), from_wide(message, units)});
    }
    return out;
}

std::string describe(const std::vector<Diagnostic>& records) {
    std::string out;
    for (const auto& d : records) {
        if (!out.empty()) out += "; ";
        out += "[" + d.state + "] " + d.message;
    }
    return out.empty() ? "the ODBC call failed without a diagnostic" : out;
}

Handle::Handle(Handle&& other) noexcept
    : type_(other.type_), handle_(std::exchange(other.handle_, SQLHANDLE{})) {}

Handle& Handle::operator=(Handle&& other) noexcept {
    if (this != &other) {
        reset();
        type_ = other.type_;
        handle_ = std::exchange(other.handle_, SQLHANDLE{});
    }
    return *this;
}

void Handle::reset() {
    if (handle_ != SQL_NULL_HANDLE) SQLFreeHandle(type_, handle_);
    handle_ = SQL_NULL_HANDLE;
}

store::Result<std::shared_ptr<Environment>> Environment::create() {
    SQLHANDLE h = SQL_NULL_HANDLE;
    if (!succeeded(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &h)))
        return store::fail(store::StoreFailure::no_driver,
                           "the ODBC driver manager could not make an environment");
    auto env = std::make_shared<Environment>();
    env->handle_ = Handle(SQL_HANDLE_ENV, h);
    const SQLRETURN rc =
        SQLSetEnvAttr(h, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    if (!succeeded(rc))
        return store::fail(store::StoreFailure::no_driver,
                           describe(diagnostics_of(SQL_HANDLE_ENV, h)));
    return env;
}

store::Result<std::unique_ptr<Connection>> Connection::open(std::shared_ptr<Environment> env,
                                                            const std::string& text) {
    std::unique_ptr<Connection> c(new Connection());
    c->env_ = std::move(env);
    SQLHANDLE h = SQL_NULL_HANDLE;
    if (!succeeded(SQLAllocHandle(SQL_HANDLE_DBC, c->env_->get(), &h)))
        return store::fail(store::StoreFailure::no_driver,
                           describe(diagnostics_of(SQL_HANDLE_ENV, c->env_->get())));
    c->handle_ = Handle(SQL_HANDLE_DBC, h);
    // A server that does not answer must not hold the window for long.
    SQLSetConnectAttrW(h, SQL_ATTR_LOGIN_TIMEOUT, reinterpret_cast<SQLPOINTER>(5), 0);
    WideString in = to_wide(text);
    SQLWCHAR out[1024];
    SQLSMALLINT out_length = 0;
    // The PostgreSQL driver switches the process locale while it connects to learn the
    // client encoding; two threads connecting at once free each other's locale name.
    // Connecting is rare (connections are pooled), so one at a time costs nothing.
    static std::mutex connecting;
    SQLRETURN rc = SQL_ERROR;
    {
        const std::lock_guard<std::mutex> one_at_a_time(connecting);
        rc = SQLDriverConnectW(h, nullptr, in.data(), static_cast<SQLSMALLINT>(in.size()), out,
                               static_cast<SQLSMALLINT>(std::size(out)), &out_length,
                               SQL_DRIVER_NOPROMPT);
    }
    if (!succeeded(rc)) return failure_of(c->diagnostics(), Context::connecting);
    c->connected_ = true;
    return c;
}

bool Connection::dead() const {
    SQLUINTEGER state = SQL_CD_FALSE;
    const SQLRETURN rc = SQLGetConnectAttrW(handle_.get(), SQL_ATTR_CONNECTION_DEAD, &state,
                                            SQL_IS_UINTEGER, nullptr);
    return succeeded(rc) && state == SQL_CD_TRUE;
}

Connection::~Connection() {
    if (!connected_) return;
    // A driver manager that keeps to the state tables refuses to disconnect while a
    // transaction is open (25000): it is rolled back, never committed, and then let go.
    if (!succeeded(SQLDisconnect(handle_.get()))) {
        SQLEndTran(SQL_HANDLE_DBC, handle_.get(), SQL_ROLLBACK);
        SQLDisconnect(handle_.get());
    }
}

Statement::Statement(Connection& connection) {
    SQLHANDLE h = SQL_NULL_HANDLE;
    if (succeeded(SQLAllocHandle(SQL_HANDLE_STMT, connection.get(), &h)))
        handle_ = Handle(SQL_HANDLE_STMT, h);
}

}  // namespace odbc
