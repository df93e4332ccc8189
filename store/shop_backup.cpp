#include "store/shop_backup.h"

#include "drivers/open_engine.h"
#include "store/backup.h"
#include "store/provision.h"
#include "store/shop_copy.h"
#include "store/store_connection.h"

namespace store {

namespace {

Failure from_file(const jet::Error& e) {
    switch (e.code) {
        case jet::Errc::busy:
            return {StoreFailure::busy, e.message};
        case jet::Errc::not_found:
            return {StoreFailure::missing, e.message};
        case jet::Errc::wrong_password:
        case jet::Errc::not_a_database:
        case jet::Errc::unsupported_version:
        case jet::Errc::corrupt:
            return {StoreFailure::unreadable, e.message};
        default:
            return {StoreFailure::unavailable, e.message};
    }
}

Failure from_connection(const StoreConnection& c) {
    return {c.last_failure() == StoreFailure::none ? StoreFailure::unavailable : c.last_failure(),
            c.last_error()};
}

StoreLocation as_it_stands(StoreLocation where) {
    where.exact = true;
    return where;
}

}  // namespace

Result<std::string> back_up_shop(jet::FileSystem& fs, const StoreLocation& where,
                                 const std::string& folder, jet::CivilDate today) {
    if (drivers::capabilities(where).single_file) {
        auto copied = back_up(fs, where.path, folder, today);
        if (!copied) return from_file(copied.error());
        return *copied;
    }
    StoreConnection server;
    if (!server.open_store(as_it_stands(where))) return from_connection(server);
    auto tables = read_shop(server);
    server.close_store();
    if (!tables) return tables.failure();
    auto bytes = shop_file(*tables);
    if (!bytes) return bytes.failure();
    auto kept = keep_copy(fs, folder, today, *bytes);
    if (!kept) return from_file(kept.error());
    return *kept;
}

Status restore_shop(jet::FileSystem& fs, const StoreLocation& where, const std::string& backup) {
    if (drivers::capabilities(where).single_file) {
        auto done = restore_backup(fs, where.path, backup, where.password);
        if (!done) return from_file(done.error());
        return {};
    }
    ShopTables tables;
    {
        StoreConnection copy(fs);
        if (!copy.open_store(as_it_stands({backup, kDatabasePassword})))
            return from_connection(copy);
        auto read = read_shop(copy);
        if (!read) return read.failure();
        tables = std::move(*read);
    }
    StoreConnection server;
    if (!server.open_store(as_it_stands(where))) return from_connection(server);
    return replace_shop(server, tables);
}

}  // namespace store
