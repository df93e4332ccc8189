// The catalog's index of names: for every object of every file Access made whose name this
// engine can key, the key it makes, with the row's address, is the entry Access wrote.
#include <gtest/gtest.h>

#include <algorithm>

#include "jet/catalog_name_index.h"
#include "jet/database.h"
#include "jet/format.h"
#include "jet/index_page.h"
#include "tests/jet/fixture_files.h"

namespace {

TEST(CatalogNameIndex, KeysEveryNameAsAccessDid) {
    std::size_t compared = 0, unkeyable = 0;
    for (const std::string& name : testing_support::fixture_names()) {
        SCOPED_TRACE(name);
        jet::MemoryFile file(testing_support::fixture_bytes(name));
        auto db = jet::Database::open(file, name == "with-password.mdb" ? "password" : "");
        ASSERT_TRUE(db.ok()) << db.error().message;
        auto catalog = jet::read_table_def((*db)->pager(), jet::kCatalogPage);
        ASSERT_TRUE(catalog.ok());
        auto index = jet::catalog_name_index(*catalog);
        ASSERT_TRUE(index.has_value());
        auto leaf = jet::read_stored_index_page(
            *(*db)->pager().page(catalog->real_indexes[*index].root_page));
        ASSERT_TRUE(leaf.ok());
        auto rows = (*db)->scan(*catalog);
        ASSERT_TRUE(rows.ok());
        ASSERT_EQ(rows->size(), leaf->entries.size());
        const std::size_t id = 0, parent = 1, object = 2;
        ASSERT_EQ(catalog->columns[parent].name, "ParentId");
        ASSERT_EQ(catalog->columns[object].name, "Name");
        for (const auto& r : *rows) {
            const auto& text = std::get<std::string>(r.values[object]);
            auto key = jet::catalog_name_key(
                *catalog, static_cast<std::int32_t>(std::get<std::int64_t>(r.values[parent])),
                text);
            if (!key.ok()) {
                EXPECT_EQ(key.error().code, jet::Errc::read_only) << text;
                ++unkeyable;
                continue;
            }
            std::vector<std::uint8_t> entry = *key;
            for (std::uint8_t b : {static_cast<std::uint8_t>(r.where.page >> 16),
                                   static_cast<std::uint8_t>(r.where.page >> 8),
                                   static_cast<std::uint8_t>(r.where.page), r.where.row})
                entry.push_back(b);
            EXPECT_NE(std::find(leaf->entries.begin(), leaf->entries.end(), entry),
                      leaf->entries.end())
                << text << " (object " << std::get<std::int64_t>(r.values[id]) << ")";
            ++compared;
        }
    }
    EXPECT_GT(compared, 100u);
    EXPECT_EQ(unkeyable, 0u);  // every name in these files is letters and digits
}

}  // namespace
