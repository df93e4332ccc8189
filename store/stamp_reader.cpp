#include "store/stamp_reader.h"

#include "drivers/open_engine.h"

namespace store {

StampReader::Stamp StampReader::read(const StoreLocation& where) {
    if (auto peeked = drivers::peek_change_stamp(where)) {
        server_.close_store();
        return {name_of(where), *peeked};
    }
    if (!server_.is_open() || server_text_ != where.odbc) {
        StoreLocation exact = where;
        exact.exact = true;
        if (!server_.open_store(exact)) return {name_of(where), std::nullopt};
        server_text_ = where.odbc;
    }
    auto value = server_.change_stamp();
    // A connection that failed once is opened afresh next time (the server may be back).
    if (!value) server_.close_store();
    return {name_of(where), value};
}

}  // namespace store
