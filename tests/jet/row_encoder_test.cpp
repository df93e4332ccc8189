// Rows we lay out must be the bytes the real engine lays out for the same values.
#include <gtest/gtest.h>

#include "jet/database.h"
#include "jet/row_codec.h"
#include "jet/row_encoder.h"
#include "tests/jet/fixture_files.h"

namespace {

using testing_support::fixture_bytes;

jet::Result<std::vector<std::uint8_t>> no_long_values(std::span<const std::uint8_t>) {
    return jet::make_error(jet::Errc::full, "long-value pages are not used here");
}

TEST(RowEncoder, SameBytesAsTheRealEngine) {
    struct Case {
        const char* file;
        const char* table;
    };
    int compared = 0;
    for (auto [file, table] :
         {Case{"no-password.mdb", "Table1"}, Case{"deleted-rows.mdb", "Table"},
          Case{"fixed-text.mdb", "users"}, Case{"numeric.mdb", "MSysAccessObjects"}}) {
        jet::MemoryFile f(fixture_bytes(file));
        auto db = jet::Database::open(f, "");
        ASSERT_TRUE(db.ok()) << file;
        auto def = (*db)->table(table);
        ASSERT_TRUE(def.ok()) << file;
        auto records = (*db)->scan(*def);
        ASSERT_TRUE(records.ok()) << file;
        ASSERT_FALSE(records->empty());
        for (const auto& r : *records) {
            auto page = (*db)->pager().page(r.where.page);
            ASSERT_TRUE(page.ok());
            auto stored = (*db)->live_row_bytes(*def, *page, r.where.row);
            ASSERT_TRUE(stored.ok());
            auto ours = jet::encode_row(*def, r.values, no_long_values);
            ASSERT_TRUE(ours.ok()) << file << ": " << ours.error().message;
            EXPECT_EQ(*ours, std::vector<std::uint8_t>(stored->begin(), stored->end()))
                << file << " " << table << " row at " << r.where.page << "/" << int{r.where.row};
            ++compared;
        }
    }
    EXPECT_GE(compared, 10);
}

TEST(RowEncoder, RoundTripsEveryValueKind) {
    jet::MemoryFile f(fixture_bytes("fixed-text.mdb"));
    auto db = jet::Database::open(f, "");
    ASSERT_TRUE(db.ok());
    auto def = (*db)->table("users");
    ASSERT_TRUE(def.ok());
    auto records = (*db)->scan(*def);
    ASSERT_TRUE(records.ok());
    auto values = (*records)[0].values;
    values[1] = std::string("客户'\"<!vantel!>\r\n");  // c_user_login, Text(32)
    values[4] = std::string();                         // empty, not null
    values[9] = jet::DateTime{41703.5};                // 2014-03-05 12:00
    values[5] = std::int64_t{-2147483647 - 1};
    auto row = jet::encode_row(*def, values, no_long_values);
    ASSERT_TRUE(row.ok()) << row.error().message;
    auto back = jet::decode_row((*db)->pager(), *def, *row);
    ASSERT_TRUE(back.ok());
    // The fixed text column c_flag_ comes back as stored; everything else exactly.
    EXPECT_EQ(*back, values);

    values[3] = jet::Value{};  // null
    row = jet::encode_row(*def, values, no_long_values);
    ASSERT_TRUE(row.ok());
    back = jet::decode_row((*db)->pager(), *def, *row);
    ASSERT_TRUE(back.ok());
    EXPECT_TRUE(jet::is_null((*back)[3]));
}

TEST(RowEncoder, RefusesWhatTheColumnCannotHold) {
    jet::MemoryFile f(fixture_bytes("no-password.mdb"));
    auto db = jet::Database::open(f, "");
    ASSERT_TRUE(db.ok());
    auto def = (*db)->table("Table1");
    ASSERT_TRUE(def.ok());
    auto try_row = [&](jet::Value id, jet::Value data) {
        return jet::encode_row(*def, {std::move(id), std::move(data)}, no_long_values);
    };
    EXPECT_TRUE(try_row(std::int64_t{5}, std::string(255, 'x')).ok());
    EXPECT_FALSE(try_row(std::int64_t{5}, std::string(256, 'x')).ok());  // Text(255)
    EXPECT_TRUE(try_row(std::int64_t{5}, std::string("中")).ok());
    EXPECT_FALSE(try_row(std::int64_t{2147483648LL}, jet::Value{}).ok());
    EXPECT_FALSE(try_row(std::string("5"), jet::Value{}).ok());
    EXPECT_FALSE(try_row(std::int64_t{5}, std::int64_t{7}).ok());
    EXPECT_FALSE(jet::encode_row(*def, {jet::Value{}}, no_long_values).ok());
    auto r = try_row(std::int64_t{5}, std::string(255, 'x'));
    ASSERT_TRUE(r.ok());
    auto back = jet::decode_row((*db)->pager(), *def, *r);
    ASSERT_TRUE(back.ok());
    EXPECT_EQ((*back)[1], jet::Value(std::string(255, 'x')));
}

TEST(RowEncoder, LongValuesInlineOrHandedToTheStore) {
    jet::MemoryFile f(fixture_bytes("numeric.mdb"));
    auto db = jet::Database::open(f, "");
    ASSERT_TRUE(db.ok());
    auto def = (*db)->table("test");
    ASSERT_TRUE(def.ok());
    auto records = (*db)->scan(*def);
    ASSERT_TRUE(records.ok());
    auto values = (*records)[0].values;
    for (std::size_t i = 1; i < values.size(); ++i)
        values[i] = jet::Value{};  // numeric: not written
    int handed = 0;
    auto store =
        [&](std::span<const std::uint8_t> stored) -> jet::Result<std::vector<std::uint8_t>> {
        ++handed;
        EXPECT_GT(stored.size(), jet::kInlineLongValueLimit);
        return jet::inline_long_value(stored);  // good enough to read back here
    };
    values[0] = std::string("short note");
    auto row = jet::encode_row(*def, values, store);
    ASSERT_TRUE(row.ok()) << row.error().message;
    EXPECT_EQ(handed, 0);
    auto back = jet::decode_row((*db)->pager(), *def, *row);
    ASSERT_TRUE(back.ok());
    EXPECT_EQ((*back)[0], values[0]);
    values[0] = std::string(200, 'n');
    row = jet::encode_row(*def, values, store);
    ASSERT_TRUE(row.ok());
    EXPECT_EQ(handed, 1);
    values[0] = std::string(5000, 'n');  // too long for any row even when kept aside
    auto failing = [](std::span<const std::uint8_t> s) {
        return jet::Result<std::vector<std::uint8_t>>(jet::inline_long_value(s));
    };
    EXPECT_FALSE(jet::encode_row(*def, values, failing).ok());
}

}  // namespace
