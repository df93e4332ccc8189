// The built-in customer database: rebuilt, it equals what the program carries, and it holds
// exactly the two tables, their indexes and counters, and the three settings rows.
#include <gtest/gtest.h>

#include <algorithm>

#include "jet/database.h"
#include "jet/database_session.h"
#include "jet/file.h"
#include "jet/format.h"
#include "jet/index_page.h"
#include "jet/memory_file_system.h"
#include "jet/table_writer.h"
#include "store/database_template.h"
#include "store/provision.h"
#include "tools/jetdump/check.h"
#include "tools/make_template/build_template.h"

namespace {

std::vector<std::uint8_t> carried() {
    auto t = store::database_template();
    return {t.begin(), t.end()};
}

TEST(Template, RebuildsByteForByteAsCarried) {
    auto built = templatedb::build_template();
    ASSERT_TRUE(built.ok()) << built.error().message;
    auto again = templatedb::build_template();
    ASSERT_TRUE(again.ok());
    EXPECT_EQ(*built, *again);
    ASSERT_EQ(built->size(), 159744u);
    ASSERT_EQ(built->size(), 39 * jet::kPageSize);
    auto mine = carried();
    auto diff = std::mismatch(built->begin(), built->end(), mine.begin()).first - built->begin();
    EXPECT_EQ(diff, static_cast<std::ptrdiff_t>(built->size()))
        << "first byte that differs from the carried template: " << diff;

    // Header: the signature, Jet 4, not encrypted beyond page 0, Chinese (PRC) sort order.
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(mine.data()) + 4), "Standard Jet DB");
    EXPECT_EQ(mine[0x14], 1);
    jet::MemoryFile file(mine);
    EXPECT_FALSE(jet::Database::open(file, "").ok());
    EXPECT_FALSE(jet::Database::open(file, "kx7-pq2-lm9w").ok());
    EXPECT_FALSE(jet::Database::open(file, "Kx7-pq2-Lm9w ").ok());
    auto db = jet::Database::open(file, store::kDatabasePassword);
    ASSERT_TRUE(db.ok()) << db.error().message;
    EXPECT_EQ((*db)->header().database_key, 0u);
    EXPECT_EQ((*db)->header().sort_order & 0xFFFF, 2052u);
    EXPECT_EQ(jetdump::check_file(file), std::vector<std::string>{});
}

TEST(Template, HoldsTheTablesIndexesAndSettings) {
    auto bytes = carried();
    jet::MemoryFile file(bytes);
    auto db = jet::Database::open(file, store::kDatabasePassword);
    ASSERT_TRUE(db.ok());

    auto user = (*db)->tables(false);
    ASSERT_TRUE(user.ok());
    std::vector<std::string> names;
    for (const auto& t : *user)
        names.push_back(t.name);
    EXPECT_EQ(names, (std::vector<std::string>{"yrkb_com", "vantel_ww"}));
    auto all = (*db)->tables(true);
    ASSERT_TRUE(all.ok());
    names.clear();
    for (const auto& t : *all)
        if (t.system) names.push_back(t.name);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"MSysACEs", "MSysAccessObjects", "MSysAccessXML",
                                               "MSysObjects", "MSysQueries", "MSysRelationships"}));

    using T = jet::ColumnType;
    struct Expected {
        const char* name;
        T type;
        std::uint16_t length;
    };
    auto check_columns = [&](const jet::TableDef& def, std::vector<Expected> expected) {
        ASSERT_EQ(def.columns.size(), expected.size());
        for (std::size_t i = 0; i < expected.size(); ++i) {
            const auto& c = def.columns[i];
            SCOPED_TRACE(c.name);
            EXPECT_EQ(c.name, expected[i].name);
            EXPECT_EQ(c.type, expected[i].type);
            EXPECT_EQ(c.length, expected[i].length);
            EXPECT_EQ(c.number, i);
            EXPECT_EQ(c.sort_order, 2052);
            if (c.type == T::text || c.type == T::memo) {
                EXPECT_TRUE(c.compressed_unicode());
            }
            EXPECT_EQ(c.is_autonumber(), i == 0);
        }
    };
    auto check_indexes = [](const jet::TableDef& def) {
        ASSERT_EQ(def.indexes.size(), 2u);
        EXPECT_EQ(def.indexes[0].name, "PrimaryKey");
        EXPECT_EQ(def.indexes[0].type, 0x01);
        EXPECT_EQ(def.indexes[1].name, "id");
        EXPECT_EQ(def.indexes[1].type, 0x00);
        ASSERT_EQ(def.real_indexes.size(), 2u);
        for (const auto& ri : def.real_indexes) {
            ASSERT_EQ(ri.columns.size(), 1u);
            EXPECT_EQ(ri.columns[0].column_number, 0);
            EXPECT_TRUE(ri.columns[0].ascending);
        }
        EXPECT_EQ(def.real_indexes[0].flags & 0x01, 0x01);  // the key is unique
        EXPECT_FALSE(jet::TableWriter::unwritable(def).has_value());
    };

    auto customers = (*db)->table("yrkb_com");
    ASSERT_TRUE(customers.ok());
    check_columns(*customers, {{"id", T::long_integer, 4},
                               {"wang", T::text, 100},
                               {"wang2", T::text, 100},
                               {"time1", T::datetime, 8},
                               {"time2", T::datetime, 8},
                               {"bs", T::memo, 0},
                               {"yn", T::boolean, 1},
                               {"time3", T::datetime, 8}});
    check_indexes(*customers);
    EXPECT_EQ(customers->next_autonumber, 0u);
    EXPECT_EQ(customers->row_count, 0u);
    auto no_rows = (*db)->scan(*customers);
    ASSERT_TRUE(no_rows.ok());
    EXPECT_TRUE(no_rows->empty());

    auto settings = (*db)->table("vantel_ww");
    ASSERT_TRUE(settings.ok());
    check_columns(*settings, {{"id", T::long_integer, 4}, {"ww", T::memo, 0}});
    check_indexes(*settings);
    EXPECT_EQ(settings->next_autonumber, 3u);
    EXPECT_EQ(settings->row_count, 3u);
    auto rows = (*db)->scan(*settings);
    ASSERT_TRUE(rows.ok());
    ASSERT_EQ(rows->size(), 3u);
    for (std::size_t i = 0; i < 3; ++i)
        EXPECT_EQ(std::get<std::int64_t>((*rows)[i].values[0]), static_cast<std::int64_t>(i + 1));
    EXPECT_TRUE(jet::is_null((*rows)[0].values[1]));
    EXPECT_TRUE(jet::is_null((*rows)[1].values[1]));
    EXPECT_EQ(std::get<std::string>((*rows)[2].values[1]), "2");
    for (const auto& ri : settings->real_indexes) {
        auto entries = jet::read_integer_index((*db)->pager(), ri.root_page);
        ASSERT_TRUE(entries.ok());
        ASSERT_EQ(entries->size(), 3u);
        for (std::size_t i = 0; i < 3; ++i) {
            EXPECT_EQ((*entries)[i].key, static_cast<std::int32_t>(i + 1));
            EXPECT_EQ((*entries)[i].row, (*rows)[i].where);
        }
    }
    for (const auto& ri : customers->real_indexes) {
        auto entries = jet::read_integer_index((*db)->pager(), ri.root_page);
        ASSERT_TRUE(entries.ok());
        EXPECT_TRUE(entries->empty());
    }
}

TEST(Template, FirstCustomerGetsNumberOneAndTheFileStaysSound) {
    jet::MemoryFileSystem fs;
    fs.put("yrkb_com.db", carried());
    {
        auto session = jet::DatabaseSession::open(fs, "yrkb_com.db", store::kDatabasePassword,
                                                  jet::OpenMode::read_write, std::nullopt);
        ASSERT_TRUE(session.ok()) << session.error().message;
        auto& db = (*session)->db();
        auto customers = db.table("yrkb_com");
        ASSERT_TRUE(customers.ok());
        jet::TableWriter writer(db);
        std::vector<jet::Value> row(8);
        row[1] = std::string("买家一号");
        row[2] = std::string("岚桥小店");
        row[5] = std::string(3000, 'n');  // long enough for a page of its own
        auto first = writer.insert(*customers, row);
        ASSERT_TRUE(first.ok()) << first.error().message;
        EXPECT_EQ(first->second, 1);
        auto second = writer.insert(*customers, row);
        ASSERT_TRUE(second.ok());
        EXPECT_EQ(second->second, 2);
        ASSERT_TRUE((*session)->commit().ok());
    }
    auto after = fs.contents("yrkb_com.db");
    ASSERT_TRUE(after.has_value());
    // The spare pages of the file take the new data and long-value pages.
    EXPECT_EQ(after->size(), 159744u);
    jet::MemoryFile file(*after);
    EXPECT_EQ(jetdump::check_file(file), std::vector<std::string>{});
}

}  // namespace
