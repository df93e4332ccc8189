// Index entries changed in place: after every change the index lists exactly the live rows
// in order, whether the change went into a leaf, started a new last leaf or needed a
// rebuild; and rebuilds stay rare.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "jet/database_session.h"
#include "jet/index_lookup.h"
#include "jet/index_page.h"
#include "jet/memory_file_system.h"
#include "jet/table_writer.h"
#include "tests/jet/fixture_files.h"
#include "tools/jetdump/check.h"

namespace {

const std::string kPath = "/db/t.mdb";

// Index entries as a rebuild would list them, from the rows themselves.
std::vector<jet::IndexEntry> expected_entries(jet::Database& db, const jet::TableDef& def) {
    auto rows = db.scan(def);
    EXPECT_TRUE(rows.ok());
    std::vector<jet::IndexEntry> out;
    for (const auto& r : *rows)
        out.push_back({static_cast<std::int32_t>(std::get<std::int64_t>(r.values[0])), r.where});
    std::sort(out.begin(), out.end(), jet::index_entry_less);
    return out;
}

TEST(IndexUpdate, AddsAndDeletesKeepTheIndexExactWithFewRebuilds) {
    jet::MemoryFileSystem fs;
    fs.put(kPath, testing_support::fixture_bytes("no-password.mdb"));
    auto session =
        jet::DatabaseSession::open(fs, kPath, "", jet::OpenMode::read_write, std::nullopt);
    ASSERT_TRUE(session.ok());
    jet::Database& db = (*session)->db();
    auto def = db.table("Table1");
    ASSERT_TRUE(def.ok());
    jet::TableWriter writer(db);
    std::mt19937 rng(5);
    std::vector<jet::RowPointer> live;
    auto initial = db.scan(*def);
    for (const auto& r : *initial)
        live.push_back(r.where);
    int changes = 0;
    for (int step = 0; step < 4000; ++step) {
        if (live.empty() || rng() % 3 != 0) {
            auto placed = writer.insert(*def, {jet::Value{}, std::string(rng() % 40, 'x')});
            ASSERT_TRUE(placed.ok()) << placed.error().message;
            live.push_back(placed->first);
        } else {
            std::size_t victim = rng() % live.size();
            ASSERT_TRUE(writer.remove(*def, live[victim]).ok());
            live.erase(live.begin() + static_cast<std::ptrdiff_t>(victim));
        }
        ++changes;
        if (step % 250 == 0 || step == 3999) {
            auto fresh = db.table("Table1");
            ASSERT_TRUE(fresh.ok());
            auto entries = jet::read_integer_index(db.pager(), fresh->real_indexes[0].root_page);
            ASSERT_TRUE(entries.ok()) << "step " << step << ": " << entries.error().message;
            ASSERT_EQ(*entries, expected_entries(db, *fresh)) << "step " << step;
            EXPECT_EQ(fresh->real_indexes[0].row_count, live.size());
        }
    }
    // Several leaves by now, and most changes never rebuilt the index.
    auto fresh = db.table("Table1");
    auto pages = jet::index_page_numbers(db.pager(), fresh->real_indexes[0].root_page);
    ASSERT_TRUE(pages.ok());
    EXPECT_GE(pages->size(), 4u);
    EXPECT_LT(writer.index_rebuilds(), static_cast<std::size_t>(changes / 20))
        << writer.index_rebuilds() << " rebuilds in " << changes << " changes";

    // Finding a row by its number walks down this index and finds exactly what a scan finds:
    // every live number, the numbers of deleted rows and numbers never given.
    const auto ids = expected_entries(db, *fresh);
    const std::int32_t highest = ids.empty() ? 0 : *ids.back().key;
    const jet::Column& id_column = fresh->columns[0];
    for (std::int32_t id = -1; id <= highest + 2; ++id) {
        std::vector<jet::RowPointer> scanned;
        for (const auto& e : ids)
            if (e.key == id) scanned.push_back(e.row);
        const auto looked_up = jet::rows_with_key(db, *fresh, id_column, id);
        ASSERT_TRUE(looked_up.has_value()) << id;
        ASSERT_EQ(*looked_up, scanned) << id;
        auto selected = jet::select(db, "Table1 where ID=" + std::to_string(id));
        ASSERT_TRUE(selected.ok()) << id;
        ASSERT_EQ(selected->rows.size(), scanned.size()) << id;
        if (!scanned.empty()) {
            EXPECT_EQ(selected->rows[0].where, scanned[0]) << id;
        }
    }
    ASSERT_TRUE((*session)->commit().ok());
    session->reset();

    auto bytes = fs.contents(kPath);
    jet::MemoryFile file(*bytes);
    auto faults = jetdump::check_file(file);
    EXPECT_TRUE(faults.empty()) << faults.front();
}

}  // namespace
