#include "store/recycle_bin.h"

#include <algorithm>
#include <chrono>

#include "engine/program_tables.h"
#include "store/action_steps.h"
#include "store/customer_columns.h"
#include "store/next_steps.h"
#include "store/sources.h"

namespace store {

namespace {

// The customer's columns besides its number, as the bin repeats them.
std::vector<std::string> customer_columns() {
    std::vector<std::string> names;
    for (const ColumnSpec& c : program_tables().front().columns)
        if (!c.autonumber) names.push_back(c.name);
    return names;
}

double clock_now() {
    using namespace std::chrono;
    const double seconds = duration<double>(system_clock::now().time_since_epoch()).count();
    return seconds / 86400.0 + 25569.0;  // 1970-1-1 in engine days
}

std::string bin_row(std::int32_t bin_id) {
    return std::string(kBinTable) + " where id=" + std::to_string(bin_id);
}

// Ties the kept rows of customer number `from` to `to` (a bin entry's are its negated number).
bool move_kept_rows(StoreConnection& c, RowSet& rs, std::int32_t from, std::int32_t to) {
    for (const char* table : {kBuyerTable, kLogTable}) {
        const auto there = c.has_table(table);
        if (!there) return false;
        if (!*there) continue;
        if (!reopen_rows(rs, std::string(table) + " where customer=" + std::to_string(from)))
            return false;
        bool ok = true;
        for (int i = 0, n = rs.row_count(); i < n && ok; ++i, rs.move_next())
            ok = rs.write_int("customer", to) && rs.update_row();
        rs.close_rows();
        if (!ok) return false;
    }
    return true;
}

// Copies the current row's customer columns from `from` to a new row of `to`.
bool copy_columns(const std::vector<jet::Value>& values, RowSet& to) {
    const auto names = customer_columns();
    for (std::size_t i = 0; i < names.size(); ++i)
        if (!to.write_value(names[i], values[i])) return false;
    return true;
}

std::optional<std::vector<jet::Value>> read_columns(const RowSet& from) {
    std::vector<jet::Value> values;
    for (const auto& name : customer_columns()) {
        auto v = from.read_value(name);
        if (!v) return std::nullopt;
        values.push_back(std::move(*v));
    }
    return values;
}

bool remove_entry(StoreConnection& c, std::int32_t bin_id) {
    return remove_kept_rows(c, -bin_id) && c.execute_sql("delete from " + bin_row(bin_id));
}

}  // namespace

bool move_to_bin(StoreConnection& c, RowSet& rs, std::int32_t id, const Deletion& d) {
    const auto values = read_columns(rs);
    rs.close_rows();
    if (!values || !c.ensure_table(kBinTable) || !reopen_rows(rs, bin_row(0))) return false;
    bool ok = rs.add_row() && rs.write_int("customer", id) && copy_columns(*values, rs) &&
              rs.write_datetime("deleted_at", d.when != 0 ? d.when : clock_now()) &&
              rs.write_text("deleted_on", d.pc) && rs.update_row();
    const std::int32_t bin_id = ok ? rs.read_int("id").second : 0;
    rs.close_rows();
    return ok && bin_id > 0 && move_kept_rows(c, rs, id, -bin_id);
}

std::optional<std::vector<BinEntry>> read_bin(StoreConnection& c, RowSet& rs,
                                              const StoreLocation& store) {
    if (!open_action(c, rs, store, settings_source(kOurIdsRow))) return std::nullopt;
    rs.close_rows();
    std::vector<BinEntry> bin;
    const auto there = c.has_table(kBinTable);
    bool ok = there.has_value();
    if (ok && *there) {
        ok = reopen_rows(rs, kBinTable);
        for (int i = 0, n = ok ? rs.row_count() : 0; i < n; ++i, rs.move_next()) {
            BinEntry e;
            e.bin_id = rs.read_int("id").second;
            CustomerRow& k = e.customer;
            k.id = rs.read_int("customer").second;
            k.buyer = rs.read_text(kBuyerColumn).second;
            k.our_id = rs.read_text(kOurIdColumn).second;
            k.first_enquiry = rs.read_datetime(kFirstEnquiryColumn).second;
            k.last_follow_up = rs.read_datetime(kLastFollowUpColumn).second;
            k.deal_date = rs.read_datetime(kDealDateColumn).second;
            k.note = rs.read_text(kNoteColumn).second;
            const auto closed = rs.read_value(kClosedColumn);
            e.closed = closed && *closed == jet::Value{true};
            e.deleted_at = rs.read_datetime("deleted_at").second;
            e.deleted_on = rs.read_text("deleted_on").second;
            bin.push_back(std::move(e));
        }
        rs.close_rows();
    }
    // The next step each kept, under the entry's negated number.
    const auto steps = ok ? read_buyer_steps(c, rs) : std::nullopt;
    close_action(c, rs);
    if (!steps) return std::nullopt;
    for (BinEntry& e : bin)
        if (const BuyerStep* s = steps->find(-e.bin_id)) {
            e.customer.next_follow_up = s->next_date;
            e.customer.gave_up = s->gave_up;
            e.customer.reason = s->reason;
        }
    std::sort(bin.begin(), bin.end(), [](const BinEntry& a, const BinEntry& b) {
        return a.deleted_at != b.deleted_at ? a.deleted_at > b.deleted_at : a.bin_id > b.bin_id;
    });
    return bin;
}

ActionResult put_back(StoreConnection& c, RowSet& rs, const StoreLocation& store,
                      const std::vector<std::int32_t>& bin_ids, PutBackReport& report) {
    report = {};
    if (!open_action(c, rs, store, settings_source(kOurIdsRow), true))
        return {ActionOutcome::unavailable};
    rs.close_rows();
    bool ok = true;
    int found = 0;
    for (std::size_t k = 0; ok && k < bin_ids.size(); ++k) {
        const std::int32_t bin_id = bin_ids[k];
        if (!reopen_rows(rs, bin_row(bin_id))) {
            ok = false;
            break;
        }
        if (rs.row_count() != 1) {
            rs.close_rows();
            continue;  // put back or emptied meanwhile
        }
        ++found;
        const auto values = read_columns(rs);
        const std::string buyer = rs.read_text(kBuyerColumn).second;
        const std::string our_id = rs.read_text(kOurIdColumn).second;
        rs.close_rows();
        ok = values && reopen_rows(rs, duplicate_source(buyer, our_id));
        if (!ok) break;
        const bool taken = rs.row_count() != 0;
        rs.close_rows();
        if (taken) {
            report.already_stored.push_back(bin_id);
            continue;
        }
        ok = reopen_rows(rs, customer_source(0)) && rs.add_row() && copy_columns(*values, rs) &&
             rs.update_row();
        const std::int32_t id = ok ? rs.read_int(kIdColumn).second : 0;
        rs.close_rows();
        ok = ok && id > 0 && move_kept_rows(c, rs, -bin_id, id) &&
             c.execute_sql("delete from " + bin_row(bin_id));
        if (ok) ++report.put_back;
    }
    const bool stored = ok && c.commit_transaction();
    close_action(c, rs);
    if (!stored) {
        report = {};
        return {ActionOutcome::not_stored};
    }
    return {found == 0 && !bin_ids.empty() ? ActionOutcome::missing : ActionOutcome::done};
}

ActionResult empty_old_bin(StoreConnection& c, RowSet& rs, const StoreLocation& store, double now,
                           int* removed) {
    if (removed) *removed = 0;
    if (!open_action(c, rs, store, settings_source(kOurIdsRow), true))
        return {ActionOutcome::unavailable};
    rs.close_rows();
    const auto there = c.has_table(kBinTable);
    bool ok = there.has_value();
    std::vector<std::int32_t> old;
    if (ok && *there) {
        ok = reopen_rows(rs, kBinTable);
        for (int i = 0, n = ok ? rs.row_count() : 0; i < n; ++i, rs.move_next()) {
            const double at = rs.read_datetime("deleted_at").second;
            if (at < now - kBinDays) old.push_back(rs.read_int("id").second);
        }
        rs.close_rows();
    }
    for (std::int32_t bin_id : old)
        ok = ok && remove_entry(c, bin_id);
    // Nothing to remove: nothing written, no transaction to commit.
    const bool stored = ok && (old.empty() || c.commit_transaction());
    close_action(c, rs);
    if (!stored) return {ActionOutcome::not_stored};
    if (removed) *removed = static_cast<int>(old.size());
    return {ActionOutcome::done};
}

}  // namespace store
