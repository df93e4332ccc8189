// Table definitions written back: every one-page definition in files made by Access comes
// out byte for byte as it was read, and changed fields land where the reader finds them.
#include <gtest/gtest.h>

#include <algorithm>

#include "jet/bytes.h"
#include "jet/database.h"
#include "jet/file.h"
#include "jet/format.h"
#include "jet/table_def.h"
#include "tests/jet/fixture_files.h"

namespace {

using testing_support::fixture_bytes;
using testing_support::fixture_names;

TEST(TableDefEncode, EveryAccessDefinitionComesBackByteForByte) {
    std::size_t checked = 0;
    for (const auto& name : fixture_names()) {
        auto bytes = fixture_bytes(name);
        jet::MemoryFile file(bytes);
        auto db = jet::Database::open(file, "password");
        ASSERT_TRUE(db.ok()) << name;
        auto tables = (*db)->tables(true);
        ASSERT_TRUE(tables.ok()) << name;
        for (const auto& t : *tables) {
            auto def = jet::read_table_def((*db)->pager(), t.definition_page);
            ASSERT_TRUE(def.ok()) << name << " " << t.name;
            if (def->definition_pages.size() != 1) continue;
            auto encoded = jet::encode_table_def(*def);
            ASSERT_TRUE(encoded.ok()) << name << " " << t.name;
            // The header page's RC4 mask does not reach definition pages of these files.
            auto stored = (*db)->pager().page(t.definition_page);
            ASSERT_TRUE(stored.ok());
            ASSERT_EQ(encoded->size(), jet::kPageSize);
            // Past its stated length a page may hold leftovers of older definitions; ours
            // are zero.
            auto used = static_cast<std::ptrdiff_t>(jet::load_u32(stored->data() + 8) + 8);
            auto first_difference =
                std::mismatch(encoded->begin(), encoded->begin() + used, stored->begin()).first -
                encoded->begin();
            EXPECT_EQ(first_difference, used)
                << name << " " << t.name << ": first wrong byte at " << first_difference;
            EXPECT_TRUE(std::all_of(encoded->begin() + used, encoded->end(),
                                    [](std::uint8_t b) { return b == 0; }));
            ++checked;
        }
    }
    EXPECT_GE(checked, 30u);
}

TEST(TableDefEncode, ChangedFieldsReadBack) {
    auto bytes = fixture_bytes("no-password.mdb");
    jet::MemoryFile file(bytes);
    auto db = jet::Database::open(file, "");
    ASSERT_TRUE(db.ok());
    auto def = (*db)->table("Table1");
    ASSERT_TRUE(def.ok());
    def->row_count = 70000;
    def->next_autonumber = 123456;
    def->columns[1].name = "数据列";
    def->columns[1].length = 100;
    def->real_indexes[0].root_page = 77;
    def->real_indexes[0].row_count = 70000;
    def->indexes[0].name = "id";
    auto encoded = jet::encode_table_def(*def);
    ASSERT_TRUE(encoded.ok());

    std::vector<std::uint8_t> image(std::size_t{def->page + 1} * jet::kPageSize);
    std::copy(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(image.size()),
              image.begin());
    std::copy(encoded->begin(), encoded->end(),
              image.begin() + static_cast<std::ptrdiff_t>(def->page * jet::kPageSize));
    jet::MemoryFile changed(std::move(image));
    auto pager = jet::Pager::open(changed);
    ASSERT_TRUE(pager.ok());
    auto back = jet::read_table_def(**pager, def->page);
    ASSERT_TRUE(back.ok()) << back.error().message;
    EXPECT_EQ(back->row_count, 70000u);
    EXPECT_EQ(back->next_autonumber, 123456u);
    EXPECT_EQ(back->columns[1].name, "数据列");
    EXPECT_EQ(back->columns[1].length, 100);
    EXPECT_EQ(back->real_indexes[0].root_page, 77u);
    EXPECT_EQ(back->real_indexes[0].row_count, 70000u);
    EXPECT_EQ(back->real_indexes[0].flags, 0x89);  // unique, required: a primary key
    EXPECT_EQ(back->indexes[0].name, "id");
    EXPECT_EQ(back->indexes[0].type, 0x01);
}

}  // namespace
