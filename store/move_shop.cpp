#include "store/move_shop.h"

#include <unordered_map>
#include <unordered_set>

#include "jet/text.h"
#include "store/backup.h"
#include "store/customer_actions.h"
#include "store/kept_tables.h"
#include "store/shop_backup.h"
#include "store/sources.h"

namespace store {

namespace {

// One customer as the file holds it; a date that is null stays null.
struct Customer {
    std::int32_t id = 0;
    std::string wang, wang2, bs;
    std::optional<double> time1, time2, time3;
    bool closed = false;
};

struct FileContents {
    std::vector<Customer> customers;
    std::string our_ids, program;
    std::vector<Selection> kept;  // the program's own tables
};

std::optional<double> date_of(const RowSet& rs, const std::string& field) {
    if (rs.read_text(field).second.empty()) return std::nullopt;
    return rs.read_datetime(field).second;
}

std::string pair_key(const std::string& wang, const std::string& wang2) {
    return jet::fold_case(wang) + '\x01' + jet::fold_case(wang2);
}

bool read_file(const StoreLocation& from, FileContents& out, MoveReport& report) {
    StoreConnection c;
    RowSet rs;
    const auto fail = [&] {
        report.outcome = MoveOutcome::file_unusable;
        report.failure = failure_of(c);
        report.detail = !rs.last_error().empty() ? rs.last_error() : c.last_error();
        return false;
    };
    if (!c.open_store(from) || !rs.attach(c) || !rs.open_rows("yrkb_com order by id", kTableMode))
        return fail();
    for (int i = 0, n = rs.row_count(); i < n; ++i, rs.move_next()) {
        Customer k;
        k.id = rs.read_int("id").second;
        k.wang = rs.read_text("wang").second;
        k.wang2 = rs.read_text("wang2").second;
        k.bs = rs.read_text("bs").second;
        k.time1 = date_of(rs, "time1");
        k.time2 = date_of(rs, "time2");
        k.time3 = date_of(rs, "time3");
        k.closed = rs.read_text("yn").second == "True";
        out.customers.push_back(std::move(k));
    }
    for (auto [row, text] : {std::pair{kOurIdsRow, &out.our_ids}, {kProgramRow, &out.program}}) {
        rs.close_rows();
        if (!rs.open_rows(settings_source(row), kTableMode)) return fail();
        *text = rs.read_text("ww").second;
    }
    rs.close_rows();
    auto kept = read_kept_tables(*c.engine());
    if (!kept) {
        c.note(kept.failure());
        return fail();
    }
    out.kept = std::move(*kept);
    c.close_store();
    return true;
}

// The customer's number on the server; nullopt when it was not stored.
std::optional<std::int64_t> add_customer(RowSet& rs, const Customer& k, bool keep_number) {
    bool ok = keep_number ? rs.add_numbered_row() && rs.write_int("id", k.id) : rs.add_row();
    ok = ok && rs.write_text("wang", k.wang) && rs.write_text("wang2", k.wang2) &&
         rs.write_text("bs", k.bs) && rs.write_bool("yn", k.closed);
    for (auto [field, value] :
         {std::pair{"time1", &k.time1}, {"time2", &k.time2}, {"time3", &k.time3}})
        if (*value) ok = ok && rs.write_datetime(field, **value);
    if (!ok || !rs.update_row()) return std::nullopt;
    return rs.read_int("id").second;
}

// Our IDs of both, the server's first; an ID it has already (letter case aside) once.
std::string merged_ids(const std::string& server, const std::string& file) {
    std::string out = server;
    std::unordered_set<std::string> known;
    const auto each_line = [](const std::string& text, auto&& f) {
        std::size_t start = 0;
        while (start <= text.size()) {
            std::size_t end = text.find('\n', start);
            if (end == std::string::npos) end = text.size();
            std::string line = text.substr(start, end - start);
            if (!line.empty() && line.back() == '\r') line.pop_back();
            if (!line.empty()) f(line);
            start = end + 1;
        }
    };
    each_line(server, [&](const std::string& id) { known.insert(jet::fold_case(id)); });
    each_line(file, [&](const std::string& id) {
        if (!known.insert(jet::fold_case(id)).second) return;
        if (!out.empty() && !out.ends_with("\r\n")) out += "\r\n";
        out += id;
    });
    return out;
}

// Rewrites one settings row on the server; false when the row is not there or not stored.
bool rewrite_setting(RowSet& rs, std::int32_t row,
                     const std::function<std::string(const std::string&)>& change) {
    rs.close_rows();
    if (!rs.open_rows(settings_source(row), kTableMode) || rs.row_count() != 1) return false;
    return rs.write_text("ww", change(rs.read_text("ww").second)) && rs.update_row();
}

}  // namespace

MoveReport move_shop(jet::FileSystem& fs, const MoveRequest& request) {
    MoveReport report;
    StoreLocation from = request.from;
    from.exact = true;
    // The file as it was, kept aside before anything happens.
    auto copy = back_up(fs, from.path, backup_folder(from.path), request.today);
    if (!copy) {
        report.outcome = MoveOutcome::backup_failed;
        report.detail = copy.error().message;
        report.backup_error = copy.error();
        return report;
    }
    report.backup_path = *copy;
    // Customers joining a server that holds a shop already: the server's data is kept aside
    // too, so that a merge the user regrets can be undone.
    if (request.merge) {
        StoreLocation server = request.to;
        server.exact = true;
        auto kept = back_up_shop(fs, server, backup_folder(from.path), request.today);
        if (!kept) {
            const StoreFailure why = kept.failure().kind;
            // The server not answering is said as such; anything else kept the copy from 备份.
            report.outcome = why == StoreFailure::unavailable || why == StoreFailure::busy
                                 ? MoveOutcome::backup_failed
                                 : MoveOutcome::server_unusable;
            report.failure = why;
            report.detail = kept.failure().message;
            report.backup_error = jet::make_error(jet::Errc::io, kept.failure().message);
            return report;
        }
    }
    FileContents file;
    if (!read_file(from, file, report)) return report;

    StoreConnection c;
    RowSet rs;
    const auto stop = [&](MoveOutcome outcome) {
        report.outcome = outcome;
        report.failure = c.last_failure();
        report.detail = !rs.last_error().empty() ? rs.last_error() : c.last_error();
        report.moved = report.already_there = 0;
        rs.close_rows();
        c.close_store();  // rolls the transaction back
        return report;
    };
    // One transaction from the first look to the commit: no other PC adds a customer the
    // look did not see.
    if (!c.open_store(request.to) || !c.begin_transaction() || !rs.attach(c) ||
        !rs.open_rows("yrkb_com", kTableMode)) {
        report.outcome = MoveOutcome::server_unusable;
        report.failure = failure_of(c);
        report.detail = c.last_error();
        rs.close_rows();
        c.close_store();
        return report;
    }
    report.server_customers = rs.row_count();
    const bool merging = report.server_customers > 0;
    if (merging && !request.merge) return stop(MoveOutcome::server_not_empty);
    std::unordered_set<std::string> stored;
    for (int i = 0; i < report.server_customers; ++i, rs.move_next())
        stored.insert(pair_key(rs.read_text("wang").second, rs.read_text("wang2").second));
    rs.close_rows();
    if (!rs.open_rows(customer_source(0), kTableMode)) return stop(MoveOutcome::server_unusable);
    // Joining customers get the server's numbers: what the file keeps of them follows.
    std::unordered_map<std::int64_t, std::int64_t> renumbered;
    for (const Customer& k : file.customers) {
        // An empty server takes the file whole, numbers and all; one in use keeps its own
        // customers and numbers, and gets only the pairs it lacks.
        if (merging && !stored.insert(pair_key(k.wang, k.wang2)).second) {
            ++report.already_there;
            continue;
        }
        const auto number = add_customer(rs, k, !merging);
        if (!number) return stop(MoveOutcome::not_stored);
        renumbered[k.id] = *number;
        ++report.moved;
    }
    // An empty server takes the file's own tables whole. One in use gets only what is tied to
    // the customers added; the file's deleted customers stay in the file and its copy.
    if (auto kept = merging ? add_kept_rows(*c.engine(), file.kept, renumbered)
                            : put_kept_tables(*c.engine(), file.kept);
        !kept) {
        c.note(kept.failure());
        return stop(MoveOutcome::not_stored);
    }
    const bool settings_moved =
        rewrite_setting(rs, kOurIdsRow,
                        [&](const std::string& now) {
                            return merging ? merged_ids(now, file.our_ids) : file.our_ids;
                        }) &&
        (!request.shop_settings || rewrite_setting(rs, kProgramRow, [&](const std::string& now) {
            return request.shop_settings(now, file.program, merging);
        }));
    if (!settings_moved || !c.commit_transaction()) return stop(MoveOutcome::not_stored);
    rs.close_rows();
    c.close_store();
    report.outcome = MoveOutcome::moved;
    return report;
}

Result<int> count_all_customers(const StoreLocation& where) {
    StoreConnection c;
    RowSet rs;
    if (!c.open_store(where) || !rs.attach(c) || !rs.open_rows("yrkb_com", kTableMode)) {
        Failure f{failure_of(c), c.last_error()};
        rs.close_rows();
        c.close_store();
        return f;
    }
    const int n = rs.row_count();
    rs.close_rows();
    c.close_store();
    return n;
}

}  // namespace store
