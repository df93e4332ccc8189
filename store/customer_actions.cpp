#include "store/customer_actions.h"

#include <algorithm>
#include <new>
#include <unordered_map>
#include <unordered_set>

#include "jet/text.h"
#include "store/action_steps.h"
#include "store/column_values.h"
#include "store/customer_columns.h"
#include "store/next_steps.h"
#include "store/recycle_bin.h"
#include "store/shop_lists.h"
#include "store/sources.h"

namespace store {

namespace {

bool write_fields(RowSet& rs, const CustomerFields& f) {
    bool ok = rs.write_text(kBuyerColumn, f.buyer);
    ok = rs.write_text(kOurIdColumn, f.our_id) && ok;
    ok = rs.write_datetime(kFirstEnquiryColumn, f.first_enquiry) && ok;
    ok = rs.write_datetime(kLastFollowUpColumn, f.last_follow_up) && ok;
    ok = rs.write_text(kNoteColumn, f.note) && ok;
    return ok;
}

}  // namespace

SaveOutcome save_new_customer(StoreConnection& c, RowSet& rs, const StoreLocation& store,
                              const CustomerFields& fields, std::int32_t* new_id, NextDate next) {
    if (!open_action(c, rs, store, duplicate_source(fields.buyer, fields.our_id), true))
        return SaveOutcome::unavailable;
    if (rs.row_count() != 0) {
        close_action(c, rs);
        return SaveOutcome::duplicate;
    }
    bool stored = rs.add_row() && write_fields(rs, fields) && rs.update_row();
    const std::int32_t id = stored ? rs.read_int(kIdColumn).second : 0;
    if (stored && next && *next != 0) stored = write_next_date(c, rs, id, fields.buyer, *next);
    stored = stored && c.commit_transaction();
    if (stored && new_id) *new_id = id;
    close_action(c, rs);
    return stored ? SaveOutcome::saved : SaveOutcome::not_stored;
}

SaveOutcome save_edited_customer(StoreConnection& c, RowSet& rs, const StoreLocation& store,
                                 std::int32_t id, const CustomerFields& fields, NextDate next) {
    if (!open_action(c, rs, store, duplicate_source_except(fields.buyer, fields.our_id, id), true))
        return SaveOutcome::unavailable;
    if (rs.row_count() != 0) {
        close_action(c, rs);
        return SaveOutcome::duplicate;
    }
    rs.close_rows();
    if (!rs.open_rows(customer_source(id), kTableMode)) {
        close_action(c, rs);
        return SaveOutcome::unavailable;
    }
    if (rs.row_count() != 1) {
        close_action(c, rs);
        return SaveOutcome::missing;
    }
    bool stored = write_fields(rs, fields) && rs.update_row();
    stored = stored && (next ? write_next_date(c, rs, id, fields.buyer, *next)
                             : rename_buyer(c, rs, id, fields.buyer));
    stored = stored && c.commit_transaction();
    close_action(c, rs);
    return stored ? SaveOutcome::saved : SaveOutcome::not_stored;
}

ActionResult register_deal(StoreConnection& c, RowSet& rs, const StoreLocation& store,
                           std::int32_t id, double date) {
    if (!open_action(c, rs, store, customer_source(id), true)) return {ActionOutcome::unavailable};
    ActionResult result{ActionOutcome::missing};
    if (rs.row_count() == 1)
        result.outcome = rs.write_datetime(kDealDateColumn, date) &&
                                 rs.write_bool(kClosedColumn, true) && rs.update_row() &&
                                 c.commit_transaction()
                             ? ActionOutcome::done
                             : ActionOutcome::not_stored;
    close_action(c, rs);
    return result;
}

ActionResult reopen_customer(StoreConnection& c, RowSet& rs, const StoreLocation& store,
                             std::int32_t id) {
    if (!open_action(c, rs, store, customer_source(id), true)) return {ActionOutcome::unavailable};
    ActionResult result{ActionOutcome::missing};
    if (rs.row_count() == 1)
        result.outcome =
            rs.write_bool(kClosedColumn, false) && rs.update_row() && c.commit_transaction()
                ? ActionOutcome::done
                : ActionOutcome::not_stored;
    close_action(c, rs);
    return result;
}

ActionResult delete_customer(StoreConnection& c, const StoreLocation& store, std::int32_t id,
                             const Deletion& deletion) {
    // One open: no other copy can take the customer away between the look and the delete.
    RowSet rs;
    if (!open_action(c, rs, store, customer_source(id), true)) return {ActionOutcome::unavailable};
    const bool there = rs.row_count() == 1;
    ActionResult result{ActionOutcome::missing};
    if (there)
        result.outcome = move_to_bin(c, rs, id, deletion) &&
                                 c.execute_sql(delete_customer_statement(id)) &&
                                 c.commit_transaction()
                             ? ActionOutcome::done
                             : ActionOutcome::not_stored;
    rs.close_rows();
    c.close_store();
    return result;
}

ActionResult import_customers(StoreConnection& c, RowSet& rs, const StoreLocation& store,
                              const std::vector<ImportCandidate>& candidates, ImportReport& report,
                              const ImportGoingOn& going_on) {
    report = {};
    // Asked every so many rows: often enough for 取消 to answer at once, seldom enough to cost
    // nothing.
    constexpr std::size_t kAskEvery = 512;
    const auto stop = [&] {
        close_action(c, rs);  // rolls the open transaction back
        report = {};
        report.stopped = true;
        return ActionResult{ActionOutcome::not_stored};
    };
    if (!open_action(c, rs, store, "yrkb_com", true)) return {ActionOutcome::unavailable};
    // Every stored pair once, folded as the duplicate test compares it: one read of the table
    // instead of a query per row. The transaction keeps other writers out until the end.
    const auto key = [](const std::string& wang, const std::string& wang2) {
        return jet::fold_case(wang) + '\x01' + jet::fold_case(wang2);
    };
    std::unordered_set<std::string> stored;
    for (int i = 0, n = rs.row_count(); i < n; ++i, rs.move_next())
        stored.insert(key(rs.read_text(kBuyerColumn).second, rs.read_text(kOurIdColumn).second));
    rs.close_rows();
    if (!rs.open_rows(customer_source(0), kTableMode)) {
        close_action(c, rs);
        return {ActionOutcome::unavailable};
    }
    // The new rows go to the store in one batch, so that it updates its indexes once.
    rs.begin_batch();
    std::vector<std::size_t> added;  // the candidates stored, in their order
    for (std::size_t k = 0; k < candidates.size(); ++k) {
        if (going_on && k % kAskEvery == 0 && !going_on(k)) return stop();
        const ImportCandidate& candidate = candidates[k];
        if (!stored.insert(key(candidate.fields.buyer, candidate.fields.our_id)).second) {
            report.already_stored.push_back(k);
            continue;
        }
        bool ok = rs.add_row() && write_fields(rs, candidate.fields);
        if (candidate.deal_date)
            ok = ok && rs.write_bool(kClosedColumn, true) &&
                 rs.write_datetime(kDealDateColumn, *candidate.deal_date);
        if (!ok || !rs.update_row()) {
            // All or nothing: what was added so far goes with the transaction.
            close_action(c, rs);
            report = {};
            return {ActionOutcome::not_stored};
        }
        ++report.added;
        added.push_back(k);
    }
    // Every row is staged; the store's indexes and the commit still take a moment.
    if (going_on && !going_on(candidates.size())) return stop();
    // The note's dated lines (the program's own, or a sheet's) become the log of follow-ups.
    std::vector<std::pair<std::int32_t, LogEntry>> log;
    bool logged = rs.end_batch();
    for (std::size_t r = 0; logged && r < added.size(); ++r) {
        const CustomerFields& f = candidates[added[r]].fields;
        auto lines = log_in_note(f.note, f.our_id);
        if (lines.empty()) continue;
        logged = rs.move_to(static_cast<int>(r));
        const std::int32_t id = rs.read_int(kIdColumn).second;
        for (auto& e : lines)
            log.emplace_back(id, std::move(e));
    }
    if (!logged || !add_log_rows(c, rs, log)) {
        close_action(c, rs);
        report = {};
        return {ActionOutcome::not_stored};
    }
    // The last moment 取消 can still leave the store as it was.
    if (going_on && !going_on(candidates.size())) return stop();
    const bool committed = c.commit_transaction();
    close_action(c, rs);
    if (!committed) {
        report = {};
        return {ActionOutcome::not_stored};
    }
    return {ActionOutcome::done};
}

std::optional<std::vector<CustomerRow>> load_customers(StoreConnection& c, RowSet& rs,
                                                       const StoreLocation& store, bool closed,
                                                       std::optional<std::uint64_t>* stamp) {
    // Opened through one row found by its number, so that the change stamp is read first.
    if (!open_action(c, rs, store, customer_source(0), false, stamp)) return std::nullopt;
    rs.close_rows();
    std::vector<CustomerRow> rows;
    // Room for every stored customer at once: grown by doubling, a hundred thousand rows
    // would need three times their size at the last step. Much room left over (the smaller
    // of the two lists) is given back below.
    if (const auto about = c.engine()->rows_about(kCustomerTable)) {
        try {
            rows.reserve(*about);
        } catch (const std::bad_alloc&) {  // only a hint: the rows grow as they come
        }
    }
    const auto read = c.engine()->read_columns(
        customer_list_source(closed),
        {kIdColumn, kBuyerColumn, kOurIdColumn, kFirstEnquiryColumn, kLastFollowUpColumn,
         kDealDateColumn, kNoteColumn},
        [&rows](std::vector<jet::Value>& v) {
            rows.push_back({number_in(v[0]), exact_text(v[1]), exact_text(v[2]), date_in(v[3]),
                            date_in(v[4]), date_in(v[5]), exact_text(v[6])});
        });
    if (!read) {
        close_action(c, rs);
        return std::nullopt;
    }
    if (rows.capacity() / 2 > rows.size()) rows.shrink_to_fit();
    // Newest first. Rows mostly come as they were added, oldest first: a pass finds that,
    // and the cost stays linear.
    const auto newer = [](const CustomerRow& a, const CustomerRow& b) { return a.id > b.id; };
    if (!std::is_sorted(rows.begin(), rows.end(), newer)) {
        if (std::is_sorted(rows.rbegin(), rows.rend(), newer))
            std::reverse(rows.begin(), rows.end());
        else
            std::sort(rows.begin(), rows.end(), newer);
    }
    // Each kept step goes straight to its customer's row, found by number in a table of
    // places when the numbers lie close together (as a shop's mostly do), else by search. A
    // step of a reused number is told by its buyer's ID, compared only for the rows that have
    // a step.
    const std::int32_t low = rows.empty() ? 0 : rows.back().id;
    const std::int64_t span = rows.empty() ? 0 : std::int64_t{rows.front().id} - low + 1;
    // Made with the first step read: a shop that keeps none pays nothing for it.
    std::vector<std::int32_t> place;
    bool placed = false;
    const auto row_of = [&](std::int32_t id, const std::string& buyer) -> CustomerRow* {
        if (!placed && span > 0 && span <= 4 * static_cast<std::int64_t>(rows.size()) + 4096) {
            place.assign(static_cast<std::size_t>(span), -1);
            for (std::size_t i = 0; i < rows.size(); ++i)
                place[static_cast<std::size_t>(rows[i].id - low)] = static_cast<std::int32_t>(i);
        }
        placed = true;
        if (!place.empty()) {
            const std::int64_t at = std::int64_t{id} - low;
            if (at < 0 || at >= span) return nullptr;
            const std::int32_t row = place[static_cast<std::size_t>(at)];
            return row >= 0 && rows[static_cast<std::size_t>(row)].buyer == buyer
                       ? &rows[static_cast<std::size_t>(row)]
                       : nullptr;
        }
        const auto it =
            std::lower_bound(rows.begin(), rows.end(), id,
                             [](const CustomerRow& r, std::int32_t n) { return r.id > n; });
        return it != rows.end() && it->id == id && it->buyer == buyer ? &*it : nullptr;
    };
    bool tagged = false;
    const bool read_steps = each_buyer_step(c, rs, [&](std::int32_t id, const BuyerStep& s) {
        CustomerRow* r = row_of(id, s.buyer);
        if (!r) return;
        r->next_follow_up = s.next_date;
        r->gave_up = s.gave_up;
        r->reason = s.reason;
        // The tag numbers for now; their names once the shop's tags are read.
        r->tags = s.tags;
        tagged = tagged || !s.tags.empty();
    });
    const auto tags = read_steps && tagged ? read_list_rows(c, rs, ListKind::tag)
                                           : std::optional<std::vector<ListEntry>>{};
    close_action(c, rs);
    if (!read_steps || (tagged && !tags)) return std::nullopt;
    if (!tagged) return rows;
    // Each tag's place in the shop's order and its shown name.
    std::unordered_map<std::int32_t, std::pair<std::size_t, std::string>> tag_of;
    for (std::size_t i = 0; i < tags->size(); ++i)
        tag_of[(*tags)[i].id] = {i, "#" + (*tags)[i].name};
    std::vector<const std::pair<std::size_t, std::string>*> shown;
    for (CustomerRow& r : rows) {
        if (r.tags.empty()) continue;
        shown.clear();
        for (std::int32_t tag : tag_ids_in(r.tags))
            if (auto t = tag_of.find(tag); t != tag_of.end()) shown.push_back(&t->second);
        std::sort(shown.begin(), shown.end(), [](auto* a, auto* b) { return a->first < b->first; });
        r.tags.clear();
        for (const auto* t : shown)
            r.tags += (r.tags.empty() ? "" : " ") + t->second;
    }
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

ActionResult write_setting(StoreConnection& c, RowSet& rs, const StoreLocation& store,
                           std::int32_t row, const std::string& value) {
    if (!open_action(c, rs, store, settings_source(row), true)) return {ActionOutcome::unavailable};
    ActionResult result{ActionOutcome::missing};
    if (rs.row_count() == 1)
        result.outcome = rs.write_text("ww", value) && rs.update_row() && c.commit_transaction()
                             ? ActionOutcome::done
                             : ActionOutcome::not_stored;
    close_action(c, rs);
    return result;
}

ActionResult update_setting(StoreConnection& c, RowSet& rs, const StoreLocation& store,
                            std::int32_t row,
                            const std::function<std::string(const std::string&)>& change) {
    if (!open_action(c, rs, store, settings_source(row), true)) return {ActionOutcome::unavailable};
    ActionResult result{ActionOutcome::missing};
    if (rs.row_count() == 1) {
        const std::string now = change(rs.read_text("ww").second);
        result.outcome = rs.write_text("ww", now) && rs.update_row() && c.commit_transaction()
                             ? ActionOutcome::done
                             : ActionOutcome::not_stored;
    }
    close_action(c, rs);
    return result;
}

StoreFailure check_store(StoreConnection& c, RowSet& rs, const StoreLocation& store) {
    if (!open_action(c, rs, store, settings_source(kOurIdsRow))) return failure_of(c);
    rs.close_rows();
    const bool customers = rs.open_rows(customer_source(0), kTableMode);
    close_action(c, rs);
    return customers ? StoreFailure::none : StoreFailure::unreadable;
}

StoreFailure failure_of(const StoreConnection& c) {
    const StoreFailure f = c.last_failure();
    return f == StoreFailure::none ? StoreFailure::unreadable : f;
}

}  // namespace store
