#include "store/action_steps.h"

namespace store {

bool open_action(StoreConnection& c, RowSet& rs, const StoreLocation& store,
                 const std::string& source, bool writes, std::optional<std::uint64_t>* stamp) {
    if (!c.open_store(store)) return false;
    // Taken before the rows are read: a change between the two then shows as a change after
    // them, never the other way round.
    if (stamp) *stamp = c.change_stamp();
    if (writes && !c.begin_transaction()) {
        c.close_store();
        return false;
    }
    rs.set_filter("");
    if (!rs.attach(c) || !rs.open_rows(source, kTableMode)) {
        rs.close_rows();
        c.close_store();
        return false;
    }
    return true;
}

void close_action(StoreConnection& c, RowSet& rs) {
    rs.close_rows();
    c.close_store();
}

bool reopen_rows(RowSet& rs, const std::string& source) {
    rs.close_rows();
    if (rs.open_rows(source, kTableMode)) return true;
    rs.close_rows();
    return false;
}

}  // namespace store
