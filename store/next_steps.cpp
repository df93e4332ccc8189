#include "store/next_steps.h"

#include <algorithm>

#include "engine/program_tables.h"
#include "store/action_steps.h"
#include "store/customer_columns.h"
#include "store/sources.h"

namespace store {

namespace {

std::string rows_of(const char* table, std::int32_t id) {
    return std::string(table) + " where customer=" + std::to_string(id);
}

// Whether the open store holds the table; a store that cannot tell counts as a failure.
std::optional<bool> holds(StoreConnection& c, const char* table) {
    return c.has_table(table);
}

}  // namespace

bool write_next_date(StoreConnection& c, RowSet& rs, std::int32_t id, const std::string& buyer,
                     double next_date) {
    const auto there = holds(c, kBuyerTable);
    if (!there) return false;
    // No next date and nowhere one was kept: nothing to write, and no table made for it.
    if (!*there && next_date == 0) return true;
    if (!*there && !c.ensure_table(kBuyerTable)) return false;
    if (!reopen_rows(rs, rows_of(kBuyerTable, id))) return false;
    bool ok = true;
    if (rs.row_count() == 0) {
        if (next_date == 0) return true;
        ok = rs.add_row() && rs.write_int("customer", id);
    }
    ok = ok && rs.write_text("wang", buyer);
    ok = ok &&
         (next_date == 0 ? rs.write_null("next_date") : rs.write_datetime("next_date", next_date));
    ok = ok && rs.update_row();
    rs.close_rows();
    return ok;
}

bool rename_buyer(StoreConnection& c, RowSet& rs, std::int32_t id, const std::string& buyer) {
    const auto there = holds(c, kBuyerTable);
    if (!there) return false;
    if (!*there) return true;
    if (!reopen_rows(rs, rows_of(kBuyerTable, id))) return false;
    bool ok = true;
    for (int i = 0, n = rs.row_count(); i < n && ok; ++i, rs.move_next())
        ok = rs.write_text("wang", buyer) && rs.update_row();
    rs.close_rows();
    return ok;
}

bool remove_kept_rows(StoreConnection& c, std::int32_t id) {
    for (const char* table : {kBuyerTable, kLogTable}) {
        const auto there = holds(c, table);
        if (!there) return false;
        if (*there && !c.execute_sql("delete from " + rows_of(table, id))) return false;
    }
    return true;
}

std::optional<std::unordered_map<std::int32_t, BuyerStep>> read_buyer_steps(StoreConnection& c,
                                                                            RowSet& rs) {
    std::unordered_map<std::int32_t, BuyerStep> steps;
    const auto there = holds(c, kBuyerTable);
    if (!there) return std::nullopt;
    if (!*there) return steps;
    if (!reopen_rows(rs, kBuyerTable)) return std::nullopt;
    const auto customer = rs.field_index("customer"), buyer = rs.field_index("wang"),
               next = rs.field_index("next_date");
    for (int i = 0, n = rs.row_count(); i < n; ++i, rs.move_next()) {
        BuyerStep& s = steps[rs.int_at(customer)];
        s.buyer = rs.take_text_at(buyer);
        s.next_date = rs.datetime_at(next);
    }
    rs.close_rows();
    return steps;
}

ActionResult record_follow_up(StoreConnection& c, RowSet& rs, const StoreLocation& store,
                              std::int32_t id, const FollowUp& f) {
    if (!open_action(c, rs, store, customer_source(id), true)) return {ActionOutcome::unavailable};
    if (rs.row_count() != 1) {
        close_action(c, rs);
        return {ActionOutcome::missing};
    }
    const std::string buyer = rs.read_text(kBuyerColumn).second;
    const std::string our_id = rs.read_text(kOurIdColumn).second;
    bool ok = rs.write_datetime(kLastFollowUpColumn, f.when);
    if (!f.note_line.empty()) {
        const std::string note = rs.read_text(kNoteColumn).second;
        ok = rs.write_text(kNoteColumn, note.empty() ? f.note_line : f.note_line + "\r\n" + note) &&
             ok;
    }
    ok = ok && rs.update_row();
    ok = ok && write_next_date(c, rs, id, buyer, f.next_date);
    ok = ok && c.ensure_table(kLogTable) && reopen_rows(rs, rows_of(kLogTable, 0)) &&
         rs.add_row() && rs.write_int("customer", id) && rs.write_datetime("at", f.when) &&
         rs.write_text("our_id", our_id) && rs.write_text("said", f.said) && rs.update_row();
    const bool stored = ok && c.commit_transaction();
    close_action(c, rs);
    return {stored ? ActionOutcome::done : ActionOutcome::not_stored};
}

std::optional<std::vector<LogEntry>> read_follow_up_log(StoreConnection& c, RowSet& rs,
                                                        const StoreLocation& store,
                                                        std::int32_t id) {
    if (!open_action(c, rs, store, customer_source(id))) return std::nullopt;
    std::vector<LogEntry> log;
    const auto there = holds(c, kLogTable);
    if (!there) {
        close_action(c, rs);
        return std::nullopt;
    }
    if (*there) {
        if (!reopen_rows(rs, rows_of(kLogTable, id))) {
            close_action(c, rs);
            return std::nullopt;
        }
        std::vector<std::pair<std::int32_t, LogEntry>> numbered;
        for (int i = 0, n = rs.row_count(); i < n; ++i, rs.move_next())
            numbered.push_back({rs.read_int("id").second,
                                {rs.read_datetime("at").second, rs.read_text("our_id").second,
                                 rs.read_text("said").second}});
        // Newest first; entries of one moment in the order they were written, last first.
        std::sort(numbered.begin(), numbered.end(), [](const auto& a, const auto& b) {
            return a.second.at != b.second.at ? a.second.at > b.second.at : a.first > b.first;
        });
        for (auto& [n, e] : numbered)
            log.push_back(std::move(e));
    }
    close_action(c, rs);
    return log;
}

}  // namespace store
