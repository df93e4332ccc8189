// A power cut at every step of a save, of an edit that moves its row and of a delete, run
// through the store as the windows run them: the next start finds the change whole or not
// at all, the file sound, and every other customer as it was.
#include <gtest/gtest.h>

#include "jet/data_page_edit.h"
#include "jet/database.h"
#include "jet/memory_file_system.h"
#include "store/customer_actions.h"
#include "store/provision.h"
#include "tools/jetdump/check.h"

namespace {

const store::StoreLocation kWhere{"/shop/yrkb_com.db", store::kDatabasePassword};

// Every customer, open and closed, read as the list reads them.
std::vector<store::CustomerRow> everyone(jet::MemoryFileSystem& fs) {
    store::StoreConnection c(fs);
    store::RowSet rs;
    auto open = store::load_customers(c, rs, kWhere, false);
    auto closed = store::load_customers(c, rs, kWhere, true);
    EXPECT_TRUE(open && closed) << c.last_error();
    if (!open || !closed) return {};
    open->insert(open->end(), closed->begin(), closed->end());
    return *open;
}

store::CustomerFields fields(int n, std::size_t note_size) {
    return {"买家" + std::to_string(n), "店" + std::to_string(n % 3), 46000.0 + n, 46100.5,
            std::string(note_size, static_cast<char>('a' + n % 26))};
}

enum class Action { add, move, remove };

bool run(jet::MemoryFileSystem& fs, Action action) {
    store::StoreConnection c(fs);
    store::RowSet rs;
    switch (action) {
        case Action::add:
            return store::save_new_customer(c, rs, kWhere, fields(999, 5000)) ==
                   store::SaveOutcome::saved;
        case Action::move: {
            // Long IDs in characters that do not compress: the row no longer fits its page.
            store::CustomerFields f = fields(2, 300);
            f.buyer = std::string();
            for (int i = 0; i < 50; ++i)
                f.buyer += "客";
            f.our_id = f.buyer;
            return store::save_edited_customer(c, rs, kWhere, 2, f) == store::SaveOutcome::saved;
        }
        case Action::remove:
            return store::delete_customer(c, kWhere, 5);
    }
    return false;
}

TEST(CrashSafety, EveryStepOfAnAddAMoveAndADelete) {
    jet::MemoryFileSystem base;
    store::provision_store(base, kWhere.path);
    {
        store::StoreConnection c(base);
        store::RowSet rs;
        for (int n = 1; n <= 90; ++n)
            ASSERT_EQ(store::save_new_customer(c, rs, kWhere, fields(n, n % 4 == 0 ? 3000 : 20)),
                      store::SaveOutcome::saved);
        ASSERT_TRUE(store::register_deal(c, rs, kWhere, 7, 46200.0));
    }
    const auto before = everyone(base);
    ASSERT_EQ(before.size(), 90u);

    for (Action action : {Action::add, Action::move, Action::remove}) {
        SCOPED_TRACE("action " + std::to_string(static_cast<int>(action)));
        jet::MemoryFileSystem whole = base;
        ASSERT_TRUE(run(whole, action));
        const auto after = everyone(whole);
        ASSERT_NE(after, before);
        if (action == Action::move) {
            // The edited row really left its page: its first home holds a pointer now.
            auto bytes = whole.contents(kWhere.path);
            jet::MemoryFile file(*bytes);
            auto db = jet::Database::open(file, kWhere.password);
            ASSERT_TRUE(db.ok());
            auto def = (*db)->table("yrkb_com");
            auto rows = (*db)->scan(*def);
            ASSERT_TRUE(rows.ok());
            bool moved = false;
            for (const auto& r : *rows) {
                if (std::get<std::int64_t>(r.values[0]) != 2) continue;
                auto page = jet::parse_data_page(*(*db)->pager().page(r.where.page));
                ASSERT_TRUE(page.ok());
                moved = page->rows[r.where.row].overflow;
            }
            EXPECT_TRUE(moved);
        }
        const std::uint64_t steps = whole.steps() - base.steps();
        ASSERT_GT(steps, 5u);
        for (std::uint64_t k = 0; k <= steps; ++k) {
            for (auto unsynced : {jet::Unsynced::lost, jet::Unsynced::kept}) {
                jet::MemoryFileSystem fs = base;
                fs.crash_after(k);
                (void)run(fs, action);
                fs.reboot(unsynced);
                auto seen = everyone(fs);  // the first open rolls back or keeps the change
                EXPECT_TRUE(seen == before || seen == after) << "power cut after step " << k;
                auto bytes = fs.contents(kWhere.path);
                ASSERT_TRUE(bytes.has_value());
                jet::MemoryFile f(*bytes);
                auto faults = jetdump::check_file(f);
                EXPECT_TRUE(faults.empty()) << faults.front() << " after step " << k;
            }
            // A single failed write: the action reports failure and nothing changed, or it
            // got past the step that failed and the change is whole.
            jet::MemoryFileSystem fs = base;
            fs.fail_after(k);
            bool stored = run(fs, action);
            auto seen = everyone(fs);
            if (stored) {
                EXPECT_EQ(seen, after) << "write error at step " << k;
            } else {
                EXPECT_EQ(seen, before) << "write error at step " << k;
            }
        }
    }
}

}  // namespace
