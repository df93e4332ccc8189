#include "store/store_connection.h"

namespace store {

namespace {

StoreFailure failure_of(jet::Errc code) {
    switch (code) {
        case jet::Errc::not_found:
            return StoreFailure::missing;
        case jet::Errc::not_a_database:
        case jet::Errc::unsupported_version:
        case jet::Errc::wrong_password:
        case jet::Errc::corrupt:
        case jet::Errc::bad_query:
        case jet::Errc::type_mismatch:
        case jet::Errc::read_only:
            return StoreFailure::unreadable;
        case jet::Errc::busy:
            return StoreFailure::busy;
        case jet::Errc::io:
        case jet::Errc::full:
            return StoreFailure::unavailable;
    }
    return StoreFailure::unavailable;
}

}  // namespace

StoreConnection::StoreConnection()
    : own_fs_(std::make_unique<jet::OsFileSystem>()), fs_(own_fs_.get()) {}
StoreConnection::StoreConnection(jet::FileSystem& fs) : fs_(&fs), lock_(false) {}
StoreConnection::~StoreConnection() = default;

bool StoreConnection::open_store(const std::string& path, const std::string& password) {
    close_store();
    connection_text_ = "Provider=Microsoft.Jet.OLEDB.4.0; Data Source=" + path;
    if (!password.empty()) connection_text_ += ";Jet OLEDB:Database Password=" + password + ";";
    auto session = lock_
                       ? jet::DatabaseSession::open(*fs_, path, password, jet::OpenMode::read_write)
                       : jet::DatabaseSession::open(*fs_, path, password, jet::OpenMode::read_write,
                                                    std::nullopt);
    if (!session) {
        last_error_ = session.error().message;
        last_failure_ = failure_of(session.error().code);
        return false;
    }
    session_ = std::move(*session);
    last_error_.clear();
    last_failure_ = StoreFailure::none;
    return true;
}

void StoreConnection::close_store() {
    session_.reset();
}

bool StoreConnection::execute_sql(const std::string& sql) {
    if (!session_) {
        last_error_ = "the store is not open";
        return false;
    }
    auto done = session_->execute_delete(sql);
    if (!done) {
        last_error_ = done.error().message;
        return false;
    }
    return true;
}

}  // namespace store
