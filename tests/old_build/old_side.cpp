// The old build's side of the old-build check, compiled against the source of the last
// commit before the program kept tables of its own beside the customers (old_build.sh builds
// it there), so it uses only what that build had.
//   old_side FILE DIR: checks the file as that build's start does, then writes
//     DIR/old_list.txt    both lists and their counts, as the current side prints them;
//     DIR/old_sheet.txt   the tracking sheets of both lists, one escaped line each;
//     DIR/old_after.txt   the lists again after it edited a customer, closed another one's
//                         deal and saved a new one.
// Exits 1 with a message when the file does not open or a change is refused.
#include <cstdio>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "app/tracking_sheet.h"
#include "both_sides.h"  // beside this file: the old tree has no tests/old_build
#include "store/customer_actions.h"
#include "store/provision.h"

namespace {

using namespace old_build;

struct Failed {
    std::string what;
};

void require(bool ok, const std::string& what) {
    if (!ok) throw Failed{what};
}

std::string number(double value) {
    char text[40];
    std::snprintf(text, sizeof text, "%.17g", value);
    return text;
}

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

// A sheet line with its TABs, quotes' line breaks and CR LF spelt out.
std::string escaped(const std::string& line) {
    std::string out;
    for (char c : line) {
        if (c == '\\')
            out += "\\\\";
        else if (c == '\t')
            out += "\\t";
        else if (c == '\r')
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
        where_.exact = true;
    }

    void check() {
        require(store::check_store(c_, rs_, where_) == store::StoreFailure::none,
                "the file is not taken for a store");
    }

    std::vector<store::CustomerRow> customers(bool closed) {
        auto rows = store::load_customers(c_, rs_, where_, closed);
        require(rows.has_value(), "the customers do not load");
        return *rows;
    }

    std::string list_view() {
        std::string out;
        for (bool closed : {false, true}) {
            const char* kind = closed ? "closed" : "open";
            const auto count = store::count_customers(c_, rs_, where_, closed);
            require(count.has_value(), "the customers are not counted");
            out += std::string("count|") + kind + "|" + std::to_string(*count) + "\n";
            for (const auto& r : customers(closed))
                out += std::string(kind) + "|" + std::to_string(r.id) + "|" + field(r.wang) + "|" +
                       field(r.wang2) + "|" + number(r.time1) + "|" + number(r.time2) + "|" +
                       number(r.time3) + "|" + field(r.bs) + "\n";
        }
        return out;
    }

    // The export's lines come from this build's own sheet_line. Its list, freshly loaded with
    // no search or sort, shows the store's order, and the sheet runs from the last row shown
    // up, each with its running number. The header and the GBK bytes (build_sheet) go through
    // the window runtime, which is left out of this build; the lines are what carry the
    // customers.
    std::string sheet_view() {
        std::string out;
        for (bool closed : {false, true}) {
            const char* kind = closed ? app::kClosedSheet : app::kOpenSheet;
            const auto rows = customers(closed);
            for (std::size_t r = rows.size(); r-- > 0;) {
                std::string line = app::sheet_line(kind, r + 1, rows[r]);
                for (std::size_t at; (at = line.find(app::kFieldMarker)) != std::string::npos;)
                    line.replace(at, app::kFieldMarker.size(), "\t");
                out += std::string(kind) + " " + escaped(line) + "\n";
            }
        }
        return out;
    }

    void change() {
        // The editor starts from the row as listed.
        store::CustomerFields edited;
        bool found = false;
        for (const auto& r : customers(false))
            if (r.id == kEdited) {
                edited = {r.wang, r.wang2, r.time1, kEditedLastFollowUp, kEditedNote};
                found = true;
            }
        require(found, "the customer to edit is not listed");
        require(store::save_edited_customer(c_, rs_, where_, kEdited, edited) ==
                    store::SaveOutcome::saved,
                "the edit is not saved");
        require(store::register_deal(c_, rs_, where_, kDealt, kDealDate), "the deal is not stored");
        std::int32_t id = 0;
        require(store::save_new_customer(
                    c_, rs_, where_,
                    {kAddedBuyer, kAddedOurId, kAddedFirstEnquiry, kAddedLastFollowUp, kAddedNote},
                    &id) == store::SaveOutcome::saved &&
                    id == kAddedByOld,
                "the new customer is not saved as number " + std::to_string(kAddedByOld));
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
    if (argc != 3) {
        std::cerr << "usage: old_side FILE DIR\n";
        return 2;
    }
    const std::string dir = argv[2];
    try {
        Shop shop(argv[1]);
        shop.check();
        write_file(dir + "/old_list.txt", shop.list_view());
        write_file(dir + "/old_sheet.txt", shop.sheet_view());
        shop.change();
        write_file(dir + "/old_after.txt", shop.list_view());
    } catch (const Failed& f) {
        std::cerr << "old build: " << f.what << "\n";
        return 1;
    }
    return 0;
}
