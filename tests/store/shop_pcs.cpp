// Several PCs of one shop working on one server at once, checked against a model.
//
//   shop_pcs pc CONNECTION TAG SECONDS SEED   one PC: random user actions for SECONDS, each
//                                             logged with the stamp of its transaction
//   shop_pcs check CONNECTION LOG...          replays every PC's changes in the order of
//                                             their stamps on a model and checks each
//                                             outcome, each list and count read while nothing
//                                             changed, and what the server holds at the end
//
// The server's change counter orders every writing action of every PC: a PC's transaction
// takes the counter's row first and leaves its value, so a change with a lower stamp came
// before, and an action refused (rolled back) saw every change below its stamp and none of
// the one that reuses it.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "jet/text.h"
#include "store/customer_actions.h"
#include "store/sources.h"

namespace {

struct Row {
    std::string wang, wang2, bs;
    bool closed = false;
    double time3 = 0;
};

using Model = std::map<std::int32_t, Row>;

// One logged action. Fields are tab-separated; texts hold no tab or line end.
struct Entry {
    std::string kind;  // add edit deal reopen delete list count
    std::uint64_t stamp = 0, after = 0;
    bool committed = false;
    std::string outcome;
    std::int32_t id = 0;
    std::string wang, wang2, bs;
    double date = 0;
    long count = 0, count2 = 0;
    std::string pc;
};

std::string pick_case(std::mt19937& rng, std::string s) {
    for (auto& ch : s)
        if (ch >= 'a' && ch <= 'z' && rng() % 2) ch = static_cast<char>(ch - 32);
    return s;
}

const char* outcome_name(store::SaveOutcome o) {
    switch (o) {
        case store::SaveOutcome::saved:
            return "saved";
        case store::SaveOutcome::duplicate:
            return "duplicate";
        case store::SaveOutcome::unavailable:
            return "unavailable";
        case store::SaveOutcome::not_stored:
            return "not_stored";
        case store::SaveOutcome::missing:
            return "missing";
    }
    return "?";
}

int run_pc(const std::string& connection, const std::string& tag, int seconds, unsigned seed) {
    const store::StoreLocation where{"", "", connection};
    std::mt19937 rng(seed);
    store::StoreConnection c;
    store::RowSet rs;
    std::vector<std::int32_t> seen;  // numbers of the last list read
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    const char* shops[] = {"店主一", "shop", "Shop Two"};
    auto stamp = [&] { return c.transaction_stamp().value_or(0); };
    auto now_stamp = [&]() -> std::uint64_t {
        if (!c.open_store(where)) return 0;
        auto s = c.change_stamp();
        c.close_store();
        return s.value_or(0);
    };
    auto some_id = [&]() -> std::int32_t { return seen.empty() ? 1 : seen[rng() % seen.size()]; };
    int failures = 0;
    for (int n = 1; std::chrono::steady_clock::now() < until; ++n) {
        const int what = static_cast<int>(rng() % 100);
        const std::string wang = pick_case(rng, "buyer" + std::to_string(rng() % 40));
        const std::string wang2 = pick_case(rng, shops[rng() % 3]);
        const std::string note = tag + " note " + std::to_string(n);
        if (what < 35) {
            std::int32_t id = 0;
            auto o = store::save_new_customer(c, rs, where, {wang, wang2, 46000, 46001, note}, &id);
            std::printf("add\t%llu\t%s\t%d\t%s\t%s\t%s\n", static_cast<unsigned long long>(stamp()),
                        outcome_name(o), id, wang.c_str(), wang2.c_str(), note.c_str());
            failures += o == store::SaveOutcome::unavailable || o == store::SaveOutcome::not_stored;
        } else if (what < 50) {
            const std::int32_t id = some_id();
            auto o =
                store::save_edited_customer(c, rs, where, id, {wang, wang2, 46000, 46001, note});
            std::printf("edit\t%llu\t%s\t%d\t%s\t%s\t%s\n",
                        static_cast<unsigned long long>(stamp()), outcome_name(o), id, wang.c_str(),
                        wang2.c_str(), note.c_str());
            failures += o == store::SaveOutcome::not_stored;
        } else if (what < 60) {
            const std::int32_t id = some_id();
            const double date = 46000 + static_cast<double>(rng() % 500);
            const bool ok = store::register_deal(c, rs, where, id, date);
            std::printf("deal\t%llu\t%s\t%d\t%.0f\n", static_cast<unsigned long long>(stamp()),
                        ok ? "ok" : "no", id, date);
        } else if (what < 66) {
            const std::int32_t id = some_id();
            const bool ok = store::reopen_customer(c, rs, where, id);
            std::printf("reopen\t%llu\t%s\t%d\n", static_cast<unsigned long long>(stamp()),
                        ok ? "ok" : "no", id);
        } else if (what < 78) {
            const std::int32_t id = some_id();
            // A customer another PC deleted first is gone all the same: nothing to remove.
            const auto result = store::delete_customer(c, where, id);
            const bool removed = result.outcome == store::ActionOutcome::done;
            const bool ok = removed || result.outcome == store::ActionOutcome::missing;
            std::printf("delete\t%llu\t%s\t%d\t%zu\n", static_cast<unsigned long long>(stamp()),
                        removed ? "ok" : (ok ? "gone" : "failed"), id,
                        removed ? c.rows_affected() : 0);
            failures += !ok;
        } else if (what < 92) {
            // A list read while nothing changed must be the model at that stamp.
            const bool closed = rng() % 2;
            const std::uint64_t before = now_stamp();
            auto list = store::load_customers(c, rs, where, closed);
            const std::uint64_t after = now_stamp();
            if (!list) {
                ++failures;
                continue;
            }
            seen.clear();
            std::string ids;
            for (const auto& r : *list) {
                seen.push_back(r.id);
                ids += std::to_string(r.id) + ",";
            }
            std::printf("list\t%llu\t%llu\t%s\t%s\n", static_cast<unsigned long long>(before),
                        static_cast<unsigned long long>(after), closed ? "closed" : "open",
                        ids.c_str());
        } else {
            const std::uint64_t before = now_stamp();
            auto closed = store::count_customers(c, rs, where, true);
            auto open = store::count_customers(c, rs, where, false);
            const std::uint64_t after = now_stamp();
            if (!closed || !open) {
                ++failures;
                continue;
            }
            std::printf("count\t%llu\t%llu\t%d\t%d\n", static_cast<unsigned long long>(before),
                        static_cast<unsigned long long>(after), *closed, *open);
        }
    }
    std::printf("failures\t%d\n", failures);
    return 0;
}

std::vector<std::string> split(const std::string& line) {
    std::vector<std::string> out;
    std::stringstream in(line);
    for (std::string field; std::getline(in, field, '\t');)
        out.push_back(field);
    return out;
}

bool same_pair(const Row& r, const std::string& wang, const std::string& wang2) {
    return jet::text_equal_nocase(r.wang, wang) && jet::text_equal_nocase(r.wang2, wang2);
}

std::optional<std::int32_t> holder(const Model& m, const std::string& wang,
                                   const std::string& wang2, std::int32_t except = 0) {
    for (const auto& [id, r] : m)
        if (id != except && same_pair(r, wang, wang2)) return id;
    return std::nullopt;
}

int run_check(const std::string& connection, const std::vector<std::string>& logs) {
    std::vector<Entry> changes, reads;
    long failures = 0;
    for (const auto& path : logs) {
        std::ifstream in(path);
        if (!in) {
            std::printf("FAIL cannot read %s\n", path.c_str());
            return 1;
        }
        for (std::string line; std::getline(in, line);) {
            auto f = split(line);
            if (f.empty()) continue;
            Entry e;
            e.kind = f[0];
            e.pc = path;
            if (e.kind == "failures") {
                failures += std::atol(f[1].c_str());
                continue;
            }
            e.stamp = std::strtoull(f[1].c_str(), nullptr, 10);
            if (e.kind == "list" || e.kind == "count") {
                e.after = std::strtoull(f[2].c_str(), nullptr, 10);
                e.outcome = f[3];
                if (e.kind == "list") e.wang = f.size() > 4 ? f[4] : "";
                if (e.kind == "count") {
                    e.count = std::atol(f[3].c_str());
                    e.count2 = std::atol(f[4].c_str());
                }
                reads.push_back(e);
                continue;
            }
            e.outcome = f[2];
            e.id = std::atoi(f[3].c_str());
            if (e.kind == "add" || e.kind == "edit") {
                e.wang = f[4];
                e.wang2 = f[5];
                e.bs = f.size() > 6 ? f[6] : "";
                e.committed = e.outcome == "saved";
            } else if (e.kind == "deal") {
                e.date = std::atof(f[4].c_str());
                e.committed = e.outcome == "ok";
            } else if (e.kind == "reopen") {
                e.committed = e.outcome == "ok";
            } else if (e.kind == "delete") {
                e.count = std::atol(f[4].c_str());
                e.committed = e.outcome == "ok";
            }
            changes.push_back(e);
        }
    }
    int faults = 0;
    auto fault = [&](const Entry& e, const std::string& what) {
        if (++faults <= 20)
            std::printf("FAIL %s at stamp %llu (%s, customer %d): %s\n", e.kind.c_str(),
                        static_cast<unsigned long long>(e.stamp), e.pc.c_str(), e.id, what.c_str());
    };
    if (failures != 0) std::printf("FAIL %ld actions failed outright\n", failures);

    // Refused actions come before the change that took their stamp after them.
    std::stable_sort(changes.begin(), changes.end(), [](const Entry& a, const Entry& b) {
        if (a.stamp != b.stamp) return a.stamp < b.stamp;
        return !a.committed && b.committed;
    });
    std::map<std::uint64_t, int> committed_at;
    Model model;
    std::int32_t highest = 0;
    long saved = 0, refused = 0, deleted = 0, checked_reads = 0;

    // A list or count read while the stamp stood still shows the model as it was at that
    // stamp: after every change up to it.
    std::stable_sort(reads.begin(), reads.end(),
                     [](const Entry& a, const Entry& b) { return a.stamp < b.stamp; });
    std::size_t next_read = 0;
    auto check_reads_below = [&](std::uint64_t stamp) {
        for (; next_read < reads.size() && reads[next_read].stamp < stamp; ++next_read) {
            const Entry& r = reads[next_read];
            if (r.stamp != r.after) continue;
            ++checked_reads;
            if (r.kind == "list") {
                std::string ids;
                for (auto mi = model.rbegin(); mi != model.rend(); ++mi)
                    if (mi->second.closed == (r.outcome == "closed"))
                        ids += std::to_string(mi->first) + ",";
                if (ids != r.wang)
                    fault(r, "list " + r.outcome + " shows " + r.wang + " instead of " + ids);
            } else {
                long closed = 0;
                for (const auto& [id, row] : model)
                    closed += row.closed;
                if (r.count != closed || r.count2 != static_cast<long>(model.size()) - closed)
                    fault(r, "counts " + std::to_string(r.count) + "/" + std::to_string(r.count2));
            }
        }
    };

    for (const auto& e : changes) {
        if (e.stamp == 0) {
            fault(e, "no stamp");
            continue;
        }
        if (e.committed) {
            check_reads_below(e.stamp);
            if (++committed_at[e.stamp] > 1) fault(e, "two changes with one stamp");
        }
        auto row = model.find(e.id);
        const bool present = row != model.end();
        if (e.kind == "add") {
            const auto other = holder(model, e.wang, e.wang2);
            if (e.outcome == "saved") {
                ++saved;
                if (other)
                    fault(e, "saved though customer " + std::to_string(*other) + " has the pair");
                if (e.id <= highest) fault(e, "a number given before");
                highest = std::max(highest, e.id);
                model[e.id] = {e.wang, e.wang2, e.bs, false, 0};
            } else if (e.outcome == "duplicate") {
                ++refused;
                if (!other) fault(e, "refused as a duplicate of nobody");
            } else {
                fault(e, "outcome " + e.outcome);
            }
        } else if (e.kind == "edit") {
            const auto other = holder(model, e.wang, e.wang2, e.id);
            if (e.outcome == "saved") {
                if (!present) fault(e, "edited a customer that is not there");
                if (other) fault(e, "edited onto the pair of " + std::to_string(*other));
                if (present) {
                    row->second.wang = e.wang;
                    row->second.wang2 = e.wang2;
                    row->second.bs = e.bs;
                }
            } else if (e.outcome == "duplicate") {
                if (!other) fault(e, "refused as a duplicate of nobody");
            } else if (e.outcome == "missing") {
                if (present) fault(e, "not found though it is there");
            } else {
                fault(e, "outcome " + e.outcome);
            }
        } else if (e.kind == "deal" || e.kind == "reopen") {
            if (e.committed != present)
                fault(e, present ? "not changed though there" : "changed though gone");
            if (e.committed && present) {
                row->second.closed = e.kind == "deal";
                if (e.kind == "deal") row->second.time3 = e.date;
            }
        } else if (e.kind == "delete") {
            // A customer found gone changed nothing: it must not be there at that stamp.
            if (!e.committed && e.outcome != "gone") fault(e, "the delete failed");
            if (e.outcome == "gone" && present) fault(e, "said gone though it is there");
            if (e.count != (present ? 1 : 0))
                fault(e, "removed " + std::to_string(e.count) + " rows");
            if (present) {
                ++deleted;
                model.erase(row);
            }
        }
    }
    check_reads_below(~std::uint64_t{0});

    // And the server holds exactly the model, each pair once.
    const store::StoreLocation where{"", "", connection};
    store::StoreConnection c;
    store::RowSet rs;
    auto open = store::load_customers(c, rs, where, false);
    auto closed = store::load_customers(c, rs, where, true);
    if (!open || !closed) {
        std::printf("FAIL the server cannot be read: %s\n", c.last_error().c_str());
        return 1;
    }
    Model stored;
    for (const auto* list : {&*open, &*closed})
        for (const auto& r : *list) {
            if (holder(stored, r.buyer, r.our_id))
                std::printf("FAIL the pair %s / %s is stored twice\n", r.buyer.c_str(),
                            r.our_id.c_str()),
                    ++faults;
            stored[r.id] = {r.buyer, r.our_id, r.note, list == &*closed, r.deal_date};
        }
    if (stored.size() != model.size()) {
        std::printf("FAIL %zu customers stored, the model has %zu\n", stored.size(), model.size());
        ++faults;
    }
    for (const auto& [id, m] : model) {
        auto it = stored.find(id);
        if (it == stored.end()) {
            std::printf("FAIL customer %d is lost\n", id);
            ++faults;
            continue;
        }
        const Row& s = it->second;
        if (s.wang != m.wang || s.wang2 != m.wang2 || s.bs != m.bs || s.closed != m.closed ||
            (m.time3 != 0 && s.time3 != m.time3)) {
            std::printf("FAIL customer %d is stored otherwise than the model has it\n", id);
            ++faults;
        }
    }
    std::printf(
        "%zu changes and %zu reads of %zu PCs in stamp order: %ld saved, %ld refused as "
        "duplicates, %ld deleted, %ld reads checked against the model, %zu customers at "
        "the end\n",
        changes.size(), reads.size(), logs.size(), saved, refused, deleted, checked_reads,
        stored.size());
    if (faults == 0 && failures == 0 && checked_reads > 0 && saved > 0 && refused > 0) {
        std::printf("ok: nothing lost, no pair stored twice, every count right\n");
        return 0;
    }
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "pc" && argc == 6)
        return run_pc(argv[2], argv[3], std::atoi(argv[4]),
                      static_cast<unsigned>(std::strtoul(argv[5], nullptr, 10)));
    if (mode == "check" && argc >= 4)
        return run_check(argv[2], std::vector<std::string>(argv + 3, argv + argc));
    std::fprintf(stderr,
                 "usage: shop_pcs pc CONNECTION TAG SECONDS SEED\n"
                 "       shop_pcs check CONNECTION LOG...\n");
    return 2;
}
