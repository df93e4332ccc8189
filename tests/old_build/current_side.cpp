// The current build's side of the old-build check.
//   current_side write FILE DIR: makes a fresh database file, keeps customers in it through the
//     store's actions (follow-ups, next dates, a give-up, a deal, an import, tags) and a delete
//     into the recycle bin, then writes what it reads back: DIR/customers.txt, the customer table
//     as the old build lists it, and DIR/kept.txt, what only this build keeps (next steps, logs,
//     lists).
//   current_side check FILE DIR: after the old build has worked on the file, finds its edit,
//     its deal and its new customer, and writes the same two views to customers_after.txt and
//     kept_after.txt for the script to hold against the old build's and the first ones.
// Exits 1 with a message at the first thing that is not as it should be.
#include <cstdio>
#include <fstream>
#include <iostream>
#include <map>
#include <string>
#include <vector>

#include "engine/program_tables.h"
#include "jet/file_system.h"
#include "store/action_steps.h"
#include "store/customer_actions.h"
#include "store/next_steps.h"
#include "store/provision.h"
#include "store/shop_lists.h"
#include "store/sources.h"
#include "tests/old_build/both_sides.h"

namespace {

using namespace old_build;

struct Failed {
    std::string what;
};

void require(bool ok, const std::string& what) {
    if (!ok) throw Failed{what};
}

// A day number exactly, so that any change of a stored date shows.
std::string number(double value) {
    char text[40];
    std::snprintf(text, sizeof text, "%.17g", value);
    return text;
}

// One field per column between bars; line breaks and bars in texts are spelt out.
std::string field(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\\' || c == '|') out += '\\';
        if (c == '\r')
            out += "\\r";
        else if (c == '\n')
            out += "\\n";
        else
            out += c;
    }
    return out;
}

class Shop {
  public:
    explicit Shop(const std::string& path) : where_(path, store::kDatabasePassword) {
        // This file and no other, whatever LQ_STORE says.
        where_.exact = true;
    }

    std::vector<store::CustomerRow> customers(bool closed) {
        auto rows = store::load_customers(c_, rs_, where_, closed);
        require(rows.has_value(), "the customers do not load");
        return *rows;
    }

    // The customer table's columns of both lists and their counts, as the old side prints them.
    std::string customer_view() {
        std::string out;
        for (bool closed : {false, true}) {
            const char* kind = closed ? "closed" : "open";
            const auto count = store::count_customers(c_, rs_, where_, closed);
            require(count.has_value(), "the customers are not counted");
            out += std::string("count|") + kind + "|" + std::to_string(*count) + "\n";
            for (const auto& r : customers(closed))
                out += std::string(kind) + "|" + std::to_string(r.id) + "|" + field(r.buyer) + "|" +
                       field(r.our_id) + "|" + number(r.first_enquiry) + "|" +
                       number(r.last_follow_up) + "|" + number(r.deal_date) + "|" + field(r.note) +
                       "\n";
        }
        return out;
    }

    // What this build keeps beside the customer table, by customer number: the next step,
    // the log, then the shop's lists.
    std::string kept_view() {
        std::map<std::int32_t, store::CustomerRow> by_id;
        for (bool closed : {false, true})
            for (auto& r : customers(closed))
                by_id[r.id] = r;
        std::string out;
        for (const auto& [id, r] : by_id) {
            if (r.next_follow_up != 0 || r.gave_up != 0 || !r.reason.empty())
                out += "step|" + std::to_string(id) + "|" + number(r.next_follow_up) + "|" +
                       number(r.gave_up) + "|" + field(r.reason) + "\n";
            const auto log = store::read_follow_up_log(c_, rs_, where_, id);
            require(log.has_value(), "the log of " + std::to_string(id) + " is not read");
            for (const auto& e : *log)
                out += "log|" + std::to_string(id) + "|" + number(e.at) + "|" + field(e.our_id) +
                       "|" + field(e.said) + "\n";
        }
        for (auto kind : {store::ListKind::tag, store::ListKind::reason}) {
            const auto list = store::read_shop_list(c_, rs_, where_, kind);
            require(list.has_value(), "the shop's lists are not read");
            for (const auto& e : *list)
                out += (kind == store::ListKind::tag ? "tag|" : "reason|") + std::to_string(e.id) +
                       "|" + field(e.name) + "\n";
        }
        return out;
    }

    void save(const store::CustomerFields& fields, std::int32_t expected_id,
              store::NextDate next = std::nullopt) {
        std::int32_t id = 0;
        require(store::save_new_customer(c_, rs_, where_, fields, &id, next) ==
                    store::SaveOutcome::saved,
                "customer " + fields.buyer + " is not saved");
        require(id == expected_id, fields.buyer + " got number " + std::to_string(id));
    }

    void follow_up(std::int32_t id, const store::FollowUp& f) {
        require(store::record_follow_up(c_, rs_, where_, id, f), "the follow-up is not recorded");
    }

    void write_all() {
        // Due on 2025-03-09 from the editor, then followed up twice: the log gets both rows,
        // the note the first one's line, the next date the last one's day.
        save({"买家甲", "店主一", 45717.4375, 45718.5, "问过尺码"}, kFollowedUp, 45725.0);
        follow_up(kFollowedUp, {45721.75, "再问尺码，发了图", "2025-3-5 18:00 再问尺码", 45728});
        follow_up(kFollowedUp, {45728.375, "说月底买", "", 45747});
        // The sheet keeps a leading "=" text and doubles the note's quotes.
        save({"=tb_乙", "店主二", 45719, 45719.25, "说\"再看看\""}, kQuoted);
        follow_up(kQuoted, {45722.5, "催付款", "", 45730});
        // A reason the shop types for the first time joins its list.
        save({"买家丙", "店主一", 45700, 45701, "嫌运费贵"}, kGivenUp);
        require(store::give_up_customer(c_, rs_, where_, kGivenUp, 45720.5, "联系不上了"),
                "the give-up is not stored");
        save({"买家丁", "店主二", 45690, 45705.5, "老顾客"}, kClosed);
        require(store::register_deal(c_, rs_, where_, kClosed, 45712), "the deal is not stored");
        // The open one's dated note lines become its log in the import's transaction.
        store::ImportReport report;
        require(
            store::import_customers(
                c_, rs_, where_,
                {{{"导入戊", "店主一", 45675, 45712, "2025-3-1 09:30 问发货\n2025-2-20 第一次来"},
                  std::nullopt},
                 {{"导入己", "店主二", 45665, 45670, "买过两次"}, 45671.0}},
                report) &&
                report.added == 2,
            "the import is not stored");
        // Tags on the first, and a customer deleted into the recycle bin with its log.
        require(store::save_tags(c_, rs_, where_, {{0, "老客户"}, {0, "要发票"}}),
                "the tags are not stored");
        const auto tags = store::read_shop_list(c_, rs_, where_, store::ListKind::tag);
        require(tags && tags->size() == 2, "the tags do not read back");
        require(
            store::set_customer_tags(c_, rs_, where_, kFollowedUp, {(*tags)[1].id, (*tags)[0].id}),
            "the customer's tags are not stored");
        save({"删掉的买家", "店主一", 45680, 45690, "后来删了"}, kDeleted);
        follow_up(kDeleted, {45691.5, "问了一次", "", 0});
        require(store::delete_customer(c_, where_, kDeleted, {45695.5, "前台电脑"}),
                "the delete is not stored");
    }

    // The old build's edit, deal and new customer, each in the list it belongs to.
    void find_old_changes() {
        std::map<std::int32_t, store::CustomerRow> open, closed;
        for (auto& r : customers(false))
            open[r.id] = r;
        for (auto& r : customers(true))
            closed[r.id] = r;
        require(open.count(kEdited) && open[kEdited].note == kEditedNote &&
                    open[kEdited].last_follow_up == kEditedLastFollowUp &&
                    open[kEdited].buyer == "买家甲" && open[kEdited].first_enquiry == 45717.4375,
                "the old build's edit is not read");
        require(open[kEdited].next_follow_up == 45747, "the edited customer lost its next date");
        require(closed.count(kDealt) && closed[kDealt].deal_date == kDealDate,
                "the old build's deal is not read");
        require(closed[kDealt].next_follow_up == 45730, "the closed customer lost its next date");
        const auto& added = open[kAddedByOld];
        require(added.buyer == kAddedBuyer && added.our_id == kAddedOurId &&
                    added.first_enquiry == kAddedFirstEnquiry &&
                    added.last_follow_up == kAddedLastFollowUp && added.note == kAddedNote &&
                    added.next_follow_up == 0 && added.gave_up == 0,
                "the old build's new customer is not read as saved");
        require(open.count(kGivenUp) && open[kGivenUp].gave_up == 45720.5 &&
                    open[kGivenUp].reason == "联系不上了",
                "the given-up customer is no longer given up");
    }

  private:
    store::StoreLocation where_;
    store::StoreConnection c_;
    store::RowSet rs_;
};

void write_file(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
    require(static_cast<bool>(out.flush()), "cannot write " + path);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4 || (std::string(argv[1]) != "write" && std::string(argv[1]) != "check")) {
        std::cerr << "usage: current_side write|check FILE DIR\n";
        return 2;
    }
    const std::string mode = argv[1], path = argv[2], dir = argv[3];
    try {
        Shop shop(path);
        if (mode == "write") {
            jet::OsFileSystem fs;
            store::provision_store(fs, path);
            shop.write_all();
        } else {
            shop.find_old_changes();
        }
        const std::string suffix = mode == "write" ? ".txt" : "_after.txt";
        write_file(dir + "/customers" + suffix, shop.customer_view());
        write_file(dir + "/kept" + suffix, shop.kept_view());
    } catch (const Failed& f) {
        std::cerr << "current build, " << mode << ": " << f.what << "\n";
        return 1;
    }
    return 0;
}
