#include "store/customer_actions.h"

#include "store/sources.h"

namespace store {

namespace {

// Steps 1 to 4 of every action; false leaves the action to be skipped. An action that writes
// is one transaction, begun before its first read, so that what it found (no such customer
// yet, the row still there) still holds when it writes, whoever else uses the store.
bool open_action(StoreConnection& c, RowSet& rs, const StoreLocation& store,
                 const std::string& source, bool writes = false) {
    if (!c.open_store(store)) return false;
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

bool write_fields(RowSet& rs, const CustomerFields& f) {
    bool ok = rs.write_text("wang", f.wang);
    ok = rs.write_text("wang2", f.wang2) && ok;
    ok = rs.write_datetime("time1", f.time1) && ok;
    ok = rs.write_datetime("time2", f.time2) && ok;
    ok = rs.write_text("bs", f.bs) && ok;
    return ok;
}

}  // namespace

SaveOutcome save_new_customer(StoreConnection& c, RowSet& rs, const StoreLocation& store,
                              const CustomerFields& fields, std::int32_t* new_id) {
    if (!open_action(c, rs, store, duplicate_source(fields.wang, fields.wang2), true))
        return SaveOutcome::unavailable;
    if (rs.row_count() != 0) {
        close_action(c, rs);
        return SaveOutcome::duplicate;
    }
    bool stored =
        rs.add_row() && write_fields(rs, fields) && rs.update_row() && c.commit_transaction();
    if (stored && new_id) *new_id = rs.read_int("id").second;
    close_action(c, rs);
    return stored ? SaveOutcome::saved : SaveOutcome::not_stored;
}

SaveOutcome save_edited_customer(StoreConnection& c, RowSet& rs, const StoreLocation& store,
                                 std::int32_t id, const CustomerFields& fields) {
    if (!open_action(c, rs, store, duplicate_source_except(fields.wang, fields.wang2, id), true))
        return SaveOutcome::unavailable;
    if (rs.row_count() != 0) {
        close_action(c, rs);
        return SaveOutcome::duplicate;
    }
    rs.close_rows();
    if (!rs.open_rows(customer_source(id), kTableMode) || rs.row_count() != 1) {
        close_action(c, rs);
        return SaveOutcome::unavailable;
    }
    bool stored = write_fields(rs, fields) && rs.update_row() && c.commit_transaction();
    close_action(c, rs);
    return stored ? SaveOutcome::saved : SaveOutcome::not_stored;
}

bool register_deal(StoreConnection& c, RowSet& rs, const StoreLocation& store, std::int32_t id,
                   double date) {
    if (!open_action(c, rs, store, customer_source(id), true)) return false;
    bool stored = rs.row_count() == 1 && rs.write_datetime("time3", date) &&
                  rs.write_bool("yn", true) && rs.update_row() && c.commit_transaction();
    close_action(c, rs);
    return stored;
}

bool reopen_customer(StoreConnection& c, RowSet& rs, const StoreLocation& store, std::int32_t id) {
    if (!open_action(c, rs, store, customer_source(id), true)) return false;
    bool stored = rs.row_count() == 1 && rs.write_bool("yn", false) && rs.update_row() &&
                  c.commit_transaction();
    close_action(c, rs);
    return stored;
}

bool delete_customer(StoreConnection& c, const StoreLocation& store, std::int32_t id) {
    if (!c.open_store(store)) return false;
    bool done = c.execute_sql(delete_customer_statement(id));
    c.close_store();
    return done;
}

std::optional<std::vector<CustomerRow>> load_customers(StoreConnection& c, RowSet& rs,
                                                       const StoreLocation& store, bool closed) {
    if (!open_action(c, rs, store, customer_list_source(closed))) return std::nullopt;
    std::vector<CustomerRow> rows;
    const int count = rs.row_count();
    rows.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        CustomerRow r;
        r.id = rs.read_int("id").second;
        r.wang = rs.read_text("wang").second;
        r.wang2 = rs.read_text("wang2").second;
        r.time1 = rs.read_datetime("time1").second;
        r.time2 = rs.read_datetime("time2").second;
        r.time3 = rs.read_datetime("time3").second;
        r.bs = rs.read_text("bs").second;
        rows.push_back(std::move(r));
        rs.move_next();
    }
    close_action(c, rs);
    return rows;
}

std::optional<int> count_customers(StoreConnection& c, RowSet& rs, const StoreLocation& store,
                                   bool closed) {
    if (!open_action(c, rs, store, deal_count_source(closed))) return std::nullopt;
    int count = rs.row_count();
    close_action(c, rs);
    return count;
}

std::optional<std::string> read_setting(StoreConnection& c, RowSet& rs, const StoreLocation& store,
                                        std::int32_t row) {
    if (!open_action(c, rs, store, settings_source(row))) return std::nullopt;
    std::string value = rs.read_text("ww").second;
    close_action(c, rs);
    return value;
}

bool write_setting(StoreConnection& c, RowSet& rs, const StoreLocation& store, std::int32_t row,
                   const std::string& value) {
    if (!open_action(c, rs, store, settings_source(row), true)) return false;
    bool stored = rs.row_count() == 1 && rs.write_text("ww", value) && rs.update_row() &&
                  c.commit_transaction();
    close_action(c, rs);
    return stored;
}

}  // namespace store
