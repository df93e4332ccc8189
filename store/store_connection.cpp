#include "store/store_connection.h"

#include "jet/query.h"
#include "jet/table_writer.h"

namespace store {

StoreConnection::StoreConnection() : fs_(std::make_unique<jet::OsFileSystem>()) {}
StoreConnection::~StoreConnection() = default;

bool StoreConnection::open_store(const std::string& path, const std::string& password) {
    close_store();
    connection_text_ = "Provider=Microsoft.Jet.OLEDB.4.0; Data Source=" + path;
    if (!password.empty()) connection_text_ += ";Jet OLEDB:Database Password=" + password + ";";
    auto session = jet::DatabaseSession::open(*fs_, path, password, jet::OpenMode::read_write);
    if (!session) {
        last_error_ = session.error().message;
        return false;
    }
    session_ = std::move(*session);
    last_error_.clear();
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
    auto run = [&]() -> jet::Status {
        JET_ASSIGN(jet::DeleteStatement del, jet::parse_delete(sql));
        jet::Database& db = session_->db();
        JET_ASSIGN(jet::TableDef def, db.table(del.table));
        jet::Query q;
        q.table = del.table;
        q.where = std::move(del.where);
        JET_TRY(jet::bind(q, def));
        JET_ASSIGN(auto rows, db.scan(def));
        jet::TableWriter writer(db);
        for (const auto& r : rows) {
            JET_ASSIGN(bool hit, jet::matches(*q.where, def, r.values));
            if (hit) JET_TRY(writer.remove(def, r.where));
        }
        return session_->commit();
    };
    auto done = run();
    if (!done) {
        session_->rollback();
        last_error_ = done.error().message;
        return false;
    }
    return true;
}

}  // namespace store
