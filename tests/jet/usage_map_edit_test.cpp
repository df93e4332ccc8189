// Usage maps changed page by page stay readable by the reader, in both kinds.
#include <gtest/gtest.h>

#include <algorithm>

#include "jet/data_page.h"
#include "jet/database.h"
#include "jet/usage_map.h"
#include "jet/usage_map_edit.h"
#include "tests/jet/fixture_files.h"
#include "tools/jetdump/check.h"

namespace {

using testing_support::fixture_bytes;

struct Loaded {
    jet::MemoryFile file{fixture_bytes("no-password.mdb")};
    std::unique_ptr<jet::Pager> pager;
    jet::RowPointer where;
    jet::UsageMapImage map;
};

std::unique_ptr<Loaded> table1_used_map() {
    auto l = std::make_unique<Loaded>();
    auto pager = jet::Pager::open(l->file);
    EXPECT_TRUE(pager.ok());
    l->pager = std::move(*pager);
    auto def = jet::read_table_def(*l->pager, 29);
    EXPECT_TRUE(def.ok());
    l->where = def->used_pages;
    auto page = l->pager->page(l->where.page);
    auto row = jet::row_bytes(*page, l->where.row);
    auto map = jet::load_usage_map(*l->pager, {row->begin(), row->end()});
    EXPECT_TRUE(map.ok());
    l->map = std::move(*map);
    return l;
}

TEST(UsageMapEdit, InlineMapKeepsItsRowAndReadsBack) {
    auto l = table1_used_map();
    EXPECT_EQ(jet::pages_in(l->map), (std::vector<std::uint32_t>{31}));
    auto no_alloc = []() -> jet::Result<std::uint32_t> {
        return jet::make_error(jet::Errc::full, "no allocation expected");
    };
    std::size_t length = l->map.row.size();
    ASSERT_TRUE(jet::mark_page(l->map, 40, true, no_alloc).ok());
    ASSERT_TRUE(jet::mark_page(l->map, 511, true, no_alloc).ok());
    ASSERT_TRUE(jet::mark_page(l->map, 31, false, no_alloc).ok());
    ASSERT_TRUE(jet::mark_page(l->map, 1000, false, no_alloc).ok());  // never there
    EXPECT_EQ(jet::pages_in(l->map), (std::vector<std::uint32_t>{40, 511}));
    EXPECT_EQ(l->map.row.size(), length);
}

TEST(UsageMapEdit, GrowsIntoAReferenceMap) {
    auto l = table1_used_map();
    std::vector<std::uint32_t> allocated;
    std::uint32_t next = l->pager->page_count();
    auto alloc = [&]() -> jet::Result<std::uint32_t> {
        allocated.push_back(next);
        return next++;
    };
    ASSERT_TRUE(jet::mark_page(l->map, 5000, true, alloc).ok());
    EXPECT_EQ(l->map.row[0], jet::kReferenceMap);
    ASSERT_TRUE(jet::mark_page(l->map, 40000, true, alloc).ok());  // the second bitmap page
    EXPECT_EQ(allocated.size(), 2u);
    EXPECT_EQ(jet::pages_in(l->map), (std::vector<std::uint32_t>{31, 5000, 40000}));

    // Written into a file (large enough for those pages), the reader sees the same pages.
    auto bytes = fixture_bytes("no-password.mdb");
    bytes.resize(std::size_t{40001} * 4096);
    for (const auto& [number, image] : l->map.map_pages)
        std::copy(image.begin(), image.end(),
                  bytes.begin() + static_cast<std::ptrdiff_t>(number) * 4096);
    auto page = l->pager->page(l->where.page);
    auto slot = jet::row_slot(*page, l->where.row);
    std::copy(l->map.row.begin(), l->map.row.end(),
              bytes.begin() + static_cast<std::ptrdiff_t>(l->where.page) * 4096 + slot->start);
    jet::MemoryFile f(std::move(bytes));
    auto pager = jet::Pager::open(f);
    ASSERT_TRUE(pager.ok());
    auto read = jet::read_usage_map(**pager, l->where);
    ASSERT_TRUE(read.ok()) << read.error().message;
    EXPECT_EQ(*read, (std::vector<std::uint32_t>{31, 5000, 40000}));
}

TEST(UsageMapEdit, EmptyInlineMapMovesItsWindow) {
    auto l = table1_used_map();
    auto no_alloc = []() -> jet::Result<std::uint32_t> {
        return jet::make_error(jet::Errc::full, "no allocation expected");
    };
    ASSERT_TRUE(jet::mark_page(l->map, 31, false, no_alloc).ok());
    ASSERT_TRUE(jet::mark_page(l->map, 3001, true, no_alloc).ok());
    EXPECT_EQ(l->map.row[0], jet::kInlineMap);
    EXPECT_EQ(jet::pages_in(l->map), (std::vector<std::uint32_t>{3001}));
}

}  // namespace

namespace {

TEST(UsageMapEdit, CheckFindsPagesInUseListedAsFree) {
    auto bytes = fixture_bytes("no-password.mdb");
    jet::MemoryFile f(bytes);
    auto pager = jet::Pager::open(f);
    ASSERT_TRUE(pager.ok());
    auto page1 = (*pager)->page(1);
    auto slot = jet::row_slot(*page1, 0);
    ASSERT_TRUE(slot.ok());
    auto map =
        jet::load_usage_map(**pager, {page1->begin() + slot->start, page1->begin() + slot->end});
    ASSERT_TRUE(map.ok());
    auto free_before = jet::read_free_page_map(**pager);
    ASSERT_TRUE(free_before.ok());
    EXPECT_EQ(std::count(free_before->begin(), free_before->end(), 31u), 0);
    auto no_alloc = []() -> jet::Result<std::uint32_t> {
        return jet::make_error(jet::Errc::full, "no allocation expected");
    };
    ASSERT_TRUE(jet::mark_page(*map, 31, true, no_alloc).ok());  // Table1's data page
    std::copy(map->row.begin(), map->row.end(), bytes.begin() + 4096 + slot->start);
    jet::MemoryFile damaged(bytes);
    auto faults = jetdump::check_file(damaged);
    ASSERT_EQ(faults.size(), 1u);
    EXPECT_EQ(faults[0], "page 31: holds rows of Table1 but is listed as free");
}

}  // namespace
