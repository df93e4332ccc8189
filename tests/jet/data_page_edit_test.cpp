// Data pages taken apart and laid out again match what the real engine wrote.
#include <gtest/gtest.h>

#include <set>

#include "jet/data_page_edit.h"
#include "jet/database.h"
#include "jet/format.h"
#include "tests/jet/fixture_files.h"

namespace {

using testing_support::fixture_bytes;
using testing_support::fixture_names;

// The part of a data page that carries meaning: header, row table and the rows. Access
// leaves old bytes in the gap between them; we write zeros there.
bool same_meaning(jet::Bytes a, jet::Bytes b) {
    if (std::vector<std::uint8_t>(a.begin(), a.begin() + 8) !=
        std::vector<std::uint8_t>(b.begin(), b.begin() + 8))
        return false;
    auto count = jet::load_u16(a.data() + 12);
    if (count != jet::load_u16(b.data() + 12)) return false;
    std::size_t table_end = 14 + std::size_t{count} * 2;
    std::size_t rows_start = jet::kPageSize;
    for (std::size_t i = 0; i < count; ++i)
        rows_start =
            std::min<std::size_t>(rows_start, jet::load_u16(a.data() + 14 + 2 * i) & 0x1FFF);
    return std::equal(a.begin() + 12, a.begin() + static_cast<std::ptrdiff_t>(table_end),
                      b.begin() + 12) &&
           std::equal(a.begin() + static_cast<std::ptrdiff_t>(rows_start), a.end(),
                      b.begin() + static_cast<std::ptrdiff_t>(rows_start));
}

TEST(DataPageEdit, RealPagesLayOutTheSame) {
    int pages = 0;
    for (const auto& name : fixture_names()) {
        auto bytes = fixture_bytes(name);
        jet::MemoryFile f(bytes);
        auto db = jet::Database::open(f, "password");
        ASSERT_TRUE(db.ok()) << name;
        auto tables = (*db)->tables(true);
        ASSERT_TRUE(tables.ok());
        for (const auto& t : *tables) {
            auto def = (*db)->table(t.name);
            ASSERT_TRUE(def.ok());
            auto records = (*db)->scan(*def);
            ASSERT_TRUE(records.ok());
            std::set<std::uint32_t> seen;
            for (const auto& r : *records) {
                if (!seen.insert(r.where.page).second) continue;
                auto page = (*db)->pager().page(r.where.page);
                ASSERT_TRUE(page.ok());
                auto parsed = jet::parse_data_page(*page);
                ASSERT_TRUE(parsed.ok()) << name << " page " << r.where.page;
                auto again = jet::lay_out_data_page(*parsed);
                EXPECT_TRUE(same_meaning(*page, again)) << name << " page " << r.where.page;
                ++pages;
            }
        }
    }
    EXPECT_GT(pages, 20);
}

TEST(DataPageEdit, DeleteFreesTheBytesAndKeepsTheOtherRows) {
    jet::MemoryFile f(fixture_bytes("no-password.mdb"));
    auto db = jet::Database::open(f, "");
    ASSERT_TRUE(db.ok());
    auto def = (*db)->table("Table1");
    ASSERT_TRUE(def.ok());
    auto records = (*db)->scan(*def);
    ASSERT_TRUE(records.ok());
    std::uint32_t page_no = (*records)[0].where.page;
    auto page = (*db)->pager().page(page_no);
    ASSERT_TRUE(page.ok());
    auto parsed = jet::parse_data_page(*page);
    ASSERT_TRUE(parsed.ok());
    std::size_t before = parsed->free_space();
    std::size_t row_size = parsed->rows[1].bytes.size();
    ASSERT_TRUE(jet::delete_page_row(*parsed, 1).ok());
    EXPECT_FALSE(jet::delete_page_row(*parsed, 1).ok());
    EXPECT_FALSE(jet::delete_page_row(*parsed, 9).ok());
    EXPECT_EQ(parsed->free_space(), before + row_size);
    auto laid = jet::lay_out_data_page(*parsed);
    EXPECT_EQ(jet::load_u16(laid.data() + 2), before + row_size);
    EXPECT_EQ(jet::load_u16(laid.data() + 16) & 0xC000, 0xC000);  // both flags, as Access marks it

    // The page read back holds rows 1 and 3 only, unchanged.
    auto bytes = fixture_bytes("no-password.mdb");
    std::copy(laid.begin(), laid.end(),
              bytes.begin() + static_cast<std::ptrdiff_t>(page_no) * 4096);
    jet::MemoryFile edited(bytes);
    auto db2 = jet::Database::open(edited, "");
    ASSERT_TRUE(db2.ok());
    auto rows = (*db2)->scan(*def);
    ASSERT_TRUE(rows.ok());
    ASSERT_EQ(rows->size(), 2u);
    EXPECT_EQ((*rows)[0].values, (*records)[0].values);
    EXPECT_EQ((*rows)[1].values, (*records)[2].values);
    EXPECT_EQ((*rows)[1].where, (*records)[2].where);  // row numbers stay put
}

TEST(DataPageEdit, FillingAPage) {
    jet::DataPageRows page;
    page.owner = 42;
    std::size_t added = 0;
    while (page.fits(30)) {
        page.rows.push_back(
            {std::vector<std::uint8_t>(30, static_cast<std::uint8_t>(added)), false, false});
        ++added;
    }
    EXPECT_EQ(added, (4096u - 14u) / 32u);
    EXPECT_LT(page.free_space(), 32u);
    auto laid = jet::lay_out_data_page(page);
    auto back = jet::parse_data_page(laid);
    ASSERT_TRUE(back.ok());
    ASSERT_EQ(back->rows.size(), added);
    for (std::size_t i = 0; i < added; ++i)
        EXPECT_EQ(back->rows[i].bytes, page.rows[i].bytes);
    // Small rows run into the 256-row limit before the bytes run out.
    jet::DataPageRows tiny;
    while (tiny.fits(1))
        tiny.rows.push_back({{1}, false, false});
    EXPECT_EQ(tiny.rows.size(), 256u);
}

}  // namespace
