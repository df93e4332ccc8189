// A change through a session survives a power cut whole or not at all, at every step.
#include <gtest/gtest.h>

#include <map>

#include "jet/database_session.h"
#include "jet/memory_file_system.h"
#include "jet/table_writer.h"
#include "tests/jet/fixture_files.h"
#include "tools/jetdump/check.h"

namespace {

using testing_support::fixture_bytes;

const std::string kPath = "/db/yrkb_com.db";

jet::Result<std::vector<std::uint8_t>> inline_only(std::span<const std::uint8_t> stored) {
    return jet::inline_long_value(stored);
}

std::map<std::int64_t, std::string> rows_of(jet::FileSystem& fs) {
    auto s = jet::DatabaseSession::open(fs, kPath, "", jet::OpenMode::read_only, std::nullopt);
    EXPECT_TRUE(s.ok()) << (s.ok() ? "" : s.error().message);
    std::map<std::int64_t, std::string> out;
    if (!s.ok()) return out;
    auto def = (*s)->db().table("Table1");
    auto rows = (*s)->db().scan(*def);
    EXPECT_TRUE(rows.ok());
    for (const auto& r : *rows)
        out[std::get<std::int64_t>(r.values[0])] = std::get<std::string>(r.values[1]);
    return out;
}

// The three changes that matter most: an add, an edit that moves a row, a delete.
enum class Change { add, move, remove };

jet::Status apply(jet::FileSystem& fs, Change change) {
    JET_ASSIGN(auto s,
               jet::DatabaseSession::open(fs, kPath, "", jet::OpenMode::read_write, std::nullopt));
    JET_ASSIGN(auto def, s->db().table("Table1"));
    JET_ASSIGN(auto rows, s->db().scan(def));
    jet::TableWriter w(s->db(), inline_only);
    if (change == Change::add) {
        JET_TRY(w.insert(def, {jet::Value{}, std::string("新客户")}));
    } else if (change == Change::move) {
        JET_TRY(w.update(def, rows[0].where, {std::int64_t{0}, std::string(240, 'm')}));
    } else {
        JET_TRY(w.remove(def, rows[1].where));
    }
    return s->commit();
}

TEST(DatabaseSession, EveryCrashPointLeavesTheOldOrTheNewState) {
    // A table with enough rows that a grown row must leave its page.
    jet::MemoryFileSystem base;
    base.put(kPath, fixture_bytes("no-password.mdb"));
    {
        auto s =
            jet::DatabaseSession::open(base, kPath, "", jet::OpenMode::read_write, std::nullopt);
        ASSERT_TRUE(s.ok());
        auto def = (*s)->db().table("Table1");
        jet::TableWriter w((*s)->db(), inline_only);
        for (int i = 0; i < 120; ++i)
            ASSERT_TRUE(
                w.insert(*def, {jet::Value{}, std::string(25, static_cast<char>('a' + i % 26))})
                    .ok());
        ASSERT_TRUE((*s)->commit().ok());
    }
    auto before = rows_of(base);
    ASSERT_EQ(before.size(), 123u);

    for (Change change : {Change::add, Change::move, Change::remove}) {
        jet::MemoryFileSystem whole = base;
        ASSERT_TRUE(apply(whole, change).ok());
        auto after = rows_of(whole);
        ASSERT_NE(after, before);
        std::uint64_t steps = whole.steps() - base.steps();
        ASSERT_GT(steps, 5u);
        RecordProperty("steps", static_cast<int>(steps));
        for (std::uint64_t k = 0; k <= steps; ++k) {
            for (auto unsynced : {jet::Unsynced::lost, jet::Unsynced::kept}) {
                jet::MemoryFileSystem fs = base;
                fs.crash_after(k);
                (void)apply(fs, change);
                fs.reboot(unsynced);
                auto seen = rows_of(fs);  // opening recovers first
                EXPECT_TRUE(seen == before || seen == after)
                    << "change " << static_cast<int>(change) << " crash after step " << k;
                auto bytes = fs.contents(kPath);
                ASSERT_TRUE(bytes.has_value());
                jet::MemoryFile f(*bytes);
                auto faults = jetdump::check_file(f);
                EXPECT_TRUE(faults.empty()) << faults.front() << " at step " << k;
            }
        }
    }
}

TEST(DatabaseSession, WrongPasswordAndMissingFile) {
    jet::MemoryFileSystem fs;
    fs.put(kPath, fixture_bytes("with-password.mdb"));
    auto s =
        jet::DatabaseSession::open(fs, kPath, "Password", jet::OpenMode::read_write, std::nullopt);
    ASSERT_FALSE(s.ok());
    EXPECT_EQ(s.error().code, jet::Errc::wrong_password);
    auto missing =
        jet::DatabaseSession::open(fs, "/db/none.db", "", jet::OpenMode::read_only, std::nullopt);
    ASSERT_FALSE(missing.ok());
    EXPECT_EQ(missing.error().code, jet::Errc::not_found);
    auto ok =
        jet::DatabaseSession::open(fs, kPath, "password", jet::OpenMode::read_write, std::nullopt);
    ASSERT_TRUE(ok.ok());
}

}  // namespace
