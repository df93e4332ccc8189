// Rows added, changed and removed through the writer, checked against a plain model and
// against the real readers (mdb-export and mdb-reader).
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <random>

#include "jet/database.h"
#include "jet/index_page.h"
#include "jet/table_writer.h"
#include "jet/usage_map.h"
#include "tests/jet/fixture_files.h"
#include "tests/jet/run_command.h"
#include "tools/jetdump/check.h"
#include "tools/jetdump/csv.h"

namespace {

using testing_support::fixture_bytes;

jet::Result<std::vector<std::uint8_t>> inline_only(std::span<const std::uint8_t> stored) {
    if (stored.size() > 1000) return jet::make_error(jet::Errc::full, "kept short in this test");
    return jet::inline_long_value(stored);
}

// Puts the staged pages into the file, as a commit would, without the journal.
void write_staged(jet::MemoryFile& file, jet::Pager& pager) {
    for (const auto& [number, bytes] : pager.staged())
        ASSERT_TRUE(file.write_at(std::uint64_t{number} * 4096, bytes).ok());
    pager.accept_staged();
}

std::string sorted_lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t from = 0;
    while (from < text.size()) {
        std::size_t nl = text.find('\n', from);
        if (nl == std::string::npos) nl = text.size();
        lines.push_back(text.substr(from, nl - from));
        from = nl + 1;
    }
    std::sort(lines.begin(), lines.end());
    std::string out;
    for (auto& l : lines)
        out += l + "\n";
    return out;
}

TEST(TableWriter, ScriptedChangesAgreeWithTheModelAndTheRealReaders) {
    jet::MemoryFile file(fixture_bytes("no-password.mdb"));
    auto opened = jet::Database::open(file, "");
    ASSERT_TRUE(opened.ok());
    jet::Database& db = **opened;
    auto def = db.table("Table1");
    ASSERT_TRUE(def.ok());
    jet::TableWriter writer(db, inline_only);

    std::map<std::int64_t, std::string> model = {{1, "One"}, {2, "Two"}, {3, "Three"}};
    std::map<std::int64_t, jet::RowPointer> where;
    auto initial = db.scan(*def);
    ASSERT_TRUE(initial.ok());
    for (const auto& r : *initial)
        where[std::get<std::int64_t>(r.values[0])] = r.where;
    std::mt19937 rng(11);
    auto text_for = [&](std::int64_t id, std::size_t len) {
        std::string s = (id % 3 == 0 ? "客户-" : "buyer_") + std::to_string(id) + " ";
        while (s.size() < len)
            s += (id % 2 ? "备注" : "note'\"x");
        return s;
    };
    for (int step = 0; step < 1500; ++step) {
        int action = static_cast<int>(rng() % 10);
        if (action < 6 || model.size() < 5) {
            std::string data = text_for(step, 5 + rng() % 60);
            auto added = writer.insert(*def, {jet::Value{}, data});
            ASSERT_TRUE(added.ok()) << added.error().message;
            ASSERT_EQ(model.count(added->second), 0u);
            model[added->second] = data;
            where[added->second] = added->first;
        } else {
            auto it = model.begin();
            std::advance(it, static_cast<long>(rng() % model.size()));
            std::int64_t id = it->first;
            if (action < 8) {
                // Grown far past its page's room sometimes, so rows move.
                std::string data = text_for(id, rng() % 4 == 0 ? 250 : 3 + rng() % 40);
                auto st = writer.update(*def, where[id], {std::int64_t{0}, data});
                ASSERT_TRUE(st.ok()) << st.error().message;
                it->second = data;
            } else {
                auto st = writer.remove(*def, where[id]);
                ASSERT_TRUE(st.ok()) << st.error().message;
                model.erase(it);
                where.erase(id);
                EXPECT_FALSE(
                    writer.remove(*def, where.count(id) ? where[id] : jet::RowPointer{0, 0}).ok());
            }
        }
        if (step % 100 == 99) write_staged(file, db.pager());
    }
    write_staged(file, db.pager());

    // Our own reading of the written file.
    jet::MemoryFile again(file.bytes());
    auto reread = jet::Database::open(again, "");
    ASSERT_TRUE(reread.ok());
    auto def2 = (*reread)->table("Table1");
    ASSERT_TRUE(def2.ok());
    EXPECT_EQ(def2->row_count, model.size());
    auto rows = (*reread)->scan(*def2);
    ASSERT_TRUE(rows.ok());
    std::map<std::int64_t, std::string> seen;
    for (const auto& r : *rows)
        seen[std::get<std::int64_t>(r.values[0])] = std::get<std::string>(r.values[1]);
    EXPECT_EQ(seen, model);

    // The primary key lists exactly the live ids, each pointing at its row.
    auto index = jet::read_integer_index((*reread)->pager(), def2->real_indexes[0].root_page);
    ASSERT_TRUE(index.ok()) << index.error().message;
    ASSERT_EQ(index->size(), model.size());
    auto m = model.begin();
    for (const auto& e : *index) {
        ASSERT_TRUE(e.key.has_value());
        EXPECT_EQ(*e.key, m->first);
        EXPECT_EQ(e.row, where[m->first]);
        ++m;
    }
    auto faults = jetdump::check_file(again);
    EXPECT_TRUE(faults.empty()) << faults.front();
    // Some rows grew past their page's room and moved, leaving a pointer behind.
    int moved = 0;
    auto pages = jet::read_usage_map((*reread)->pager(), def2->used_pages);
    ASSERT_TRUE(pages.ok());
    for (std::uint32_t p : *pages) {
        auto page = (*reread)->pager().page(p);
        auto count = jet::row_count(*page);
        for (std::uint16_t i = 0; count.ok() && i < *count; ++i) {
            auto slot = jet::row_slot(*page, i);
            if (slot.ok() && slot->overflow && !slot->deleted) ++moved;
        }
    }
    EXPECT_GT(moved, 0);
    EXPECT_GT(pages->size(), 5u);  // the table grew over several pages

    // The real readers see the same rows.
    std::string path = ::testing::TempDir() + "written.mdb";
    {
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(file.bytes().data()),
                  static_cast<std::streamsize>(file.bytes().size()));
    }
    std::string ours = jetdump::csv_header(*def2) + "\n";
    for (const auto& r : *rows)
        ours += jetdump::csv_line(*def2, r.values) + "\n";
    std::string theirs = testing_support::run_command("mdb-export '" + path + "' Table1");
    EXPECT_EQ(sorted_lines(theirs), sorted_lines(ours));
    std::string node =
        testing_support::run_command("node " + std::string(LQ_SOURCE_DIR) +
                                     "/tests/oracles/mdb_reader_export.mjs '" + path + "' Table1");
    EXPECT_EQ(sorted_lines(node), sorted_lines(ours));
    std::remove(path.c_str());
}

// Rows added as one batch end as rows added one by one would: the same numbers and values,
// every row in the primary key, the file sound to our checker and read alike by mdb-export.
// The batch fills the room left by removed rows before it takes new pages.
TEST(TableWriter, ABatchStoresWhatOneByOneWould) {
    struct Copy {
        jet::MemoryFile file{fixture_bytes("no-password.mdb")};
        std::unique_ptr<jet::Database> db;
    };
    std::vector<std::vector<jet::Value>> batch;
    for (int i = 0; i < 2000; ++i)
        batch.push_back({jet::Value{}, std::string(i % 7 == 0 ? 200 : 5 + i % 40,
                                                   static_cast<char>('a' + i % 26)) +
                                           "客" + std::to_string(i)});
    std::vector<std::map<std::int64_t, std::string>> tables;
    std::vector<std::uint32_t> pages_used;
    for (const bool together : {false, true}) {
        Copy c;
        auto opened = jet::Database::open(c.file, "");
        ASSERT_TRUE(opened.ok());
        c.db = std::move(*opened);
        auto def = c.db->table("Table1");
        ASSERT_TRUE(def.ok());
        jet::TableWriter writer(*c.db, inline_only);
        // Room on the first page: one of the stored rows goes.
        auto first = c.db->scan(*def);
        ASSERT_TRUE(first.ok());
        ASSERT_TRUE(writer.remove(*def, first->front().where).ok());
        if (together) {
            auto added = writer.insert_many(*def, batch);
            ASSERT_TRUE(added.ok()) << added.error().message;
            ASSERT_EQ(added->size(), batch.size());
            EXPECT_EQ(added->front().second, 4);
            EXPECT_EQ(added->back().second, 2003);
            EXPECT_EQ(added->front().first.page, first->front().where.page);
        } else {
            for (const auto& row : batch)
                ASSERT_TRUE(writer.insert(*def, row).ok());
        }
        write_staged(c.file, c.db->pager());
        jet::MemoryFile again(c.file.bytes());
        auto reread = jet::Database::open(again, "");
        ASSERT_TRUE(reread.ok());
        auto def2 = (*reread)->table("Table1");
        ASSERT_TRUE(def2.ok());
        EXPECT_EQ(def2->row_count, batch.size() + 2);
        auto rows = (*reread)->scan(*def2);
        ASSERT_TRUE(rows.ok());
        std::map<std::int64_t, std::string> seen;
        std::map<std::int64_t, jet::RowPointer> where;
        for (const auto& r : *rows) {
            seen[std::get<std::int64_t>(r.values[0])] = std::get<std::string>(r.values[1]);
            where[std::get<std::int64_t>(r.values[0])] = r.where;
        }
        auto index = jet::read_integer_index((*reread)->pager(), def2->real_indexes[0].root_page);
        ASSERT_TRUE(index.ok()) << index.error().message;
        ASSERT_EQ(index->size(), seen.size());
        for (const auto& e : *index)
            EXPECT_EQ(e.row, where[e.key.value_or(-1)]);
        auto faults = jetdump::check_file(again);
        EXPECT_TRUE(faults.empty()) << faults.front();
        std::string path = ::testing::TempDir() + "batch.mdb";
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(again.bytes().data()),
                   static_cast<std::streamsize>(again.bytes().size()));
        std::string ours = jetdump::csv_header(*def2) + "\n";
        for (const auto& r : *rows)
            ours += jetdump::csv_line(*def2, r.values) + "\n";
        EXPECT_EQ(sorted_lines(testing_support::run_command("mdb-export '" + path + "' Table1")),
                  sorted_lines(ours));
        std::remove(path.c_str());
        tables.push_back(std::move(seen));
        auto used = jet::read_usage_map((*reread)->pager(), def2->used_pages);
        ASSERT_TRUE(used.ok());
        pages_used.push_back(static_cast<std::uint32_t>(used->size()));
    }
    EXPECT_EQ(tables[0], tables[1]);
    EXPECT_EQ(pages_used[0], pages_used[1]);
}

TEST(TableWriter, RefusesTablesItCannotKeepWhole) {
    jet::MemoryFile file(fixture_bytes("no-password.mdb"));
    auto opened = jet::Database::open(file, "");
    ASSERT_TRUE(opened.ok());
    auto objects = (*opened)->table("MSysObjects");  // indexed on text
    ASSERT_TRUE(objects.ok());
    auto why = jet::TableWriter::unwritable(*objects);
    ASSERT_TRUE(why.has_value());
    EXPECT_EQ(why->code, jet::Errc::read_only);
    jet::TableWriter writer(**opened, inline_only);
    std::vector<jet::Value> row(objects->columns.size());
    auto r = writer.insert(*objects, row);
    ASSERT_FALSE(r.ok());
    EXPECT_EQ(r.error().code, jet::Errc::read_only);
    EXPECT_TRUE((*opened)->pager().staged().empty());  // nothing was changed

    auto def = (*opened)->table("Table1");
    auto bad = writer.insert(*def, {jet::Value{}, std::string(300, 'x')});  // Text(255)
    EXPECT_FALSE(bad.ok());
    EXPECT_TRUE((*opened)->pager().staged().empty());
}

}  // namespace
