#include "store/next_steps.h"

#include <algorithm>
#include <functional>

#include "engine/program_tables.h"
#include "jet/civil_date.h"
#include "store/action_steps.h"
#include "store/column_values.h"
#include "store/customer_columns.h"
#include "store/shop_lists.h"
#include "store/sources.h"

namespace store {

namespace {

std::string rows_of(const char* table, std::int32_t id) {
    return std::string(table) + " where customer=" + std::to_string(id);
}

// Digits at `at`, at most `most` of them; nullopt when none.
std::optional<int> number_at(std::string_view text, std::size_t& at, std::size_t most) {
    int n = 0;
    std::size_t digits = 0;
    while (at < text.size() && digits < most && text[at] >= '0' && text[at] <= '9') {
        n = n * 10 + (text[at++] - '0');
        ++digits;
    }
    return digits ? std::optional(n) : std::nullopt;
}

// "2025-3-5 14:30 said" or "2025-3-5 said": the moment and what was said.
std::optional<LogEntry> dated_line(std::string_view line) {
    std::size_t at = 0;
    const auto year = number_at(line, at, 4);
    if (!year || at != 4 || at >= line.size() || line[at++] != '-') return std::nullopt;
    const auto month = number_at(line, at, 2);
    if (!month || at >= line.size() || line[at++] != '-') return std::nullopt;
    const auto day = number_at(line, at, 2);
    if (!day || *month < 1 || *month > 12 || *day < 1 || *day > 31) return std::nullopt;
    if (at < line.size() && line[at] != ' ') return std::nullopt;
    const jet::CivilDate date{*year, static_cast<unsigned>(*month), static_cast<unsigned>(*day)};
    // A day the calendar does not have (2月30日) is no date.
    if (jet::civil_from_days(jet::days_from_civil(date)) != date) return std::nullopt;
    double when = static_cast<double>(jet::days_from_civil(date) + jet::kEngineEpochOffset);
    while (at < line.size() && line[at] == ' ')
        ++at;
    std::size_t clock = at;
    const auto hour = number_at(line, clock, 2);
    if (hour && clock < line.size() && line[clock] == ':') {
        ++clock;
        const std::size_t minute_at = clock;
        const auto minute = number_at(line, clock, 2);
        if (minute && clock - minute_at == 2 && *hour < 24 && *minute < 60 &&
            (clock == line.size() || line[clock] == ' ')) {
            when += (*hour * 60 + *minute) / (24.0 * 60);
            at = clock;
            while (at < line.size() && line[at] == ' ')
                ++at;
        }
    }
    return LogEntry{when, {}, std::string(line.substr(at))};
}

}  // namespace

std::vector<LogEntry> log_in_note(std::string_view note, const std::string& our_id) {
    std::vector<LogEntry> out;
    std::size_t start = 0;
    while (start <= note.size()) {
        std::size_t end = note.find('\n', start);
        if (end == std::string_view::npos) end = note.size();
        std::string_view line = note.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (auto entry = dated_line(line)) {
            entry->our_id = our_id;
            out.push_back(std::move(*entry));
        }
        start = end + 1;
    }
    return out;
}

bool add_log_rows(StoreConnection& c, RowSet& rs,
                  const std::vector<std::pair<std::int32_t, LogEntry>>& rows) {
    if (rows.empty()) return true;
    if (!c.ensure_table(kLogTable) || !reopen_rows(rs, rows_of(kLogTable, 0))) return false;
    rs.begin_batch();
    for (const auto& [id, e] : rows)
        if (!rs.add_row() || !rs.write_int("customer", id) || !rs.write_datetime("at", e.at) ||
            !rs.write_text("our_id", e.our_id) || !rs.write_text("said", e.said) ||
            !rs.update_row())
            return false;
    const bool stored = rs.end_batch();
    rs.close_rows();
    return stored;
}

namespace {

// Changes customer `id`'s kept step through `set` (the row positioned, the buyer written),
// making the row when `set` stores something (`clears`: it only empties fields, so a customer
// without a row needs none).
bool write_step(StoreConnection& c, RowSet& rs, std::int32_t id, const std::string& buyer,
                bool clears, const std::function<bool(RowSet&)>& set) {
    const auto there = c.has_table(kBuyerTable);
    if (!there) return false;
    if (!*there && clears) return true;
    if (!*there && !c.ensure_table(kBuyerTable)) return false;
    if (!reopen_rows(rs, rows_of(kBuyerTable, id))) return false;
    bool ok = true;
    if (rs.row_count() == 0) {
        if (clears) return true;
        ok = rs.add_row() && rs.write_int("customer", id);
    }
    ok = ok && rs.write_text("wang", buyer) && set(rs) && rs.update_row();
    rs.close_rows();
    return ok;
}

// Opens a change of customer `id` with its row in `rs`; the outcome, the action closed, when
// it cannot go on: the store did not open, or the customer is gone.
std::optional<ActionOutcome> open_customer(StoreConnection& c, RowSet& rs,
                                           const StoreLocation& store, std::int32_t id) {
    if (!open_action(c, rs, store, customer_source(id), true)) return ActionOutcome::unavailable;
    if (rs.row_count() == 1) return std::nullopt;
    close_action(c, rs);
    return ActionOutcome::missing;
}

bool write_date(RowSet& rs, const char* column, double date) {
    return date == 0 ? rs.write_null(column) : rs.write_datetime(column, date);
}

bool add_log_row(StoreConnection& c, RowSet& rs, std::int32_t id, const LogEntry& e) {
    return add_log_rows(c, rs, {{id, e}});
}

}  // namespace

bool write_next_date(StoreConnection& c, RowSet& rs, std::int32_t id, const std::string& buyer,
                     double next_date) {
    return write_step(c, rs, id, buyer, next_date == 0,
                      [&](RowSet& r) { return write_date(r, "next_date", next_date); });
}

bool rename_buyer(StoreConnection& c, RowSet& rs, std::int32_t id, const std::string& buyer) {
    const auto there = c.has_table(kBuyerTable);
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
        const auto there = c.has_table(table);
        if (!there) return false;
        if (*there && !c.execute_sql("delete from " + rows_of(table, id))) return false;
    }
    return true;
}

BuyerSteps::BuyerSteps(std::vector<std::pair<std::int32_t, BuyerStep>> steps)
    : steps_(std::move(steps)) {
    std::sort(steps_.begin(), steps_.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
}

const BuyerStep* BuyerSteps::find(std::int32_t id) const {
    const auto it = std::lower_bound(steps_.begin(), steps_.end(), id,
                                     [](const auto& s, std::int32_t n) { return s.first < n; });
    return it != steps_.end() && it->first == id ? &it->second : nullptr;
}

bool each_buyer_step(StoreConnection& c, RowSet& rs,
                     const std::function<void(std::int32_t, const BuyerStep&)>& visit) {
    const auto there = c.has_table(kBuyerTable);
    if (!there) return false;
    if (!*there) return true;
    rs.close_rows();
    // Read row by row into one step whose texts keep their buffers: every customer's step is
    // wanted on each list load.
    BuyerStep step;
    const auto read = c.engine()->read_columns(
        kBuyerTable, {"customer", "wang", "next_date", "gave_up", "reason", "tags"},
        [&](std::vector<jet::Value>& v) {
            if (!std::holds_alternative<std::int64_t>(v[0])) return;
            copy_text(v[1], step.buyer);
            step.next_date = date_in(v[2]);
            step.gave_up = date_in(v[3]);
            copy_text(v[4], step.reason);
            copy_text(v[5], step.tags);
            visit(number_in(v[0]), step);
        });
    return static_cast<bool>(read);
}

std::optional<BuyerSteps> read_buyer_steps(StoreConnection& c, RowSet& rs) {
    std::vector<std::pair<std::int32_t, BuyerStep>> steps;
    if (!each_buyer_step(c, rs,
                         [&](std::int32_t id, const BuyerStep& s) { steps.emplace_back(id, s); }))
        return std::nullopt;
    return BuyerSteps(std::move(steps));
}

ActionResult record_follow_up(StoreConnection& c, RowSet& rs, const StoreLocation& store,
                              std::int32_t id, const FollowUp& f) {
    if (const auto stop = open_customer(c, rs, store, id)) return {*stop};
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
    ok = ok && add_log_row(c, rs, id, {f.when, our_id, f.said});
    const bool stored = ok && c.commit_transaction();
    close_action(c, rs);
    return {stored ? ActionOutcome::done : ActionOutcome::not_stored};
}

std::optional<std::vector<LogEntry>> read_follow_up_log(StoreConnection& c, RowSet& rs,
                                                        const StoreLocation& store,
                                                        std::int32_t id) {
    if (!open_action(c, rs, store, customer_source(id))) return std::nullopt;
    std::vector<LogEntry> log;
    const auto there = c.has_table(kLogTable);
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

namespace {

// Gives customer `id` up (a reason given) or takes it back (none), with a line in its log.
ActionResult change_give_up(StoreConnection& c, RowSet& rs, const StoreLocation& store,
                            std::int32_t id, double when,
                            const std::optional<std::string>& reason) {
    if (const auto stop = open_customer(c, rs, store, id)) return {*stop};
    const std::string buyer = rs.read_text(kBuyerColumn).second;
    const std::string our_id = rs.read_text(kOurIdColumn).second;
    rs.close_rows();
    bool ok = write_step(c, rs, id, buyer, !reason, [&](RowSet& r) {
        return write_date(r, "gave_up", reason ? when : 0) &&
               (reason ? r.write_text("reason", *reason) : r.write_null("reason"));
    });
    ok =
        ok && add_log_row(c, rs, id, {when, our_id, reason ? kGaveUpSaid + *reason : kResumedSaid});
    if (ok && reason && !reason->empty()) ok = keep_reason(c, rs, *reason);
    const bool stored = ok && c.commit_transaction();
    close_action(c, rs);
    return {stored ? ActionOutcome::done : ActionOutcome::not_stored};
}

}  // namespace

ActionResult give_up_customer(StoreConnection& c, RowSet& rs, const StoreLocation& store,
                              std::int32_t id, double when, const std::string& reason) {
    return change_give_up(c, rs, store, id, when, reason);
}

ActionResult resume_customer(StoreConnection& c, RowSet& rs, const StoreLocation& store,
                             std::int32_t id, double when) {
    return change_give_up(c, rs, store, id, when, std::nullopt);
}

ActionResult set_customer_tags(StoreConnection& c, RowSet& rs, const StoreLocation& store,
                               std::int32_t id, const std::vector<std::int32_t>& tag_ids) {
    if (const auto stop = open_customer(c, rs, store, id)) return {*stop};
    const std::string buyer = rs.read_text(kBuyerColumn).second;
    rs.close_rows();
    const std::string field = tag_field(tag_ids);
    const bool ok = write_step(c, rs, id, buyer, field.empty(), [&](RowSet& r) {
        return field.empty() ? r.write_null("tags") : r.write_text("tags", field);
    });
    const bool stored = ok && c.commit_transaction();
    close_action(c, rs);
    return {stored ? ActionOutcome::done : ActionOutcome::not_stored};
}

}  // namespace store
