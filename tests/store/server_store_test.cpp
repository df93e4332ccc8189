// The store on a database server: servers it cannot use (each failure named, nothing
// changed), several PCs at once (a pair stored once, the tables made once, a row deleted
// meanwhile reported as gone), what a server keeps of a value, and the engine's case folding
// and date-times against the Jet engine's and the server's own.
#include <gtest/gtest.h>

#include <unistd.h>

#include <atomic>
#include <barrier>
#include <filesystem>
#include <limits>
#include <thread>

#include "jet/text.h"
#include "odbc/datetime.h"
#include "odbc/fold.h"
#include "odbc/pool.h"
#include "odbc/schema.h"
#include "store/customer_actions.h"
#include "store/provision.h"
#include "store/sources.h"
#include "tests/store/support/pg_test_server.h"

namespace {

using store::StoreFailure;
using testing_support::PgServer;

store::StoreLocation on(const std::string& connection_string) {
    return {"", "", connection_string};
}

store::CustomerFields customer(std::string wang, std::string wang2) {
    return {std::move(wang), std::move(wang2), 46000.5, 46001.25, "note"};
}

// Every action of the windows fails on the location, and the open names why.
void expect_every_action_fails(const store::StoreLocation& where, StoreFailure why) {
    store::StoreConnection c;
    store::RowSet rs;
    EXPECT_FALSE(c.open_store(where));
    EXPECT_EQ(c.last_failure(), why)
        << store::failure_name(c.last_failure()) << ": " << c.last_error();
    EXPECT_FALSE(c.last_error().empty());
    EXPECT_FALSE(store::load_customers(c, rs, where, false).has_value());
    EXPECT_FALSE(store::count_customers(c, rs, where, true).has_value());
    EXPECT_EQ(store::save_new_customer(c, rs, where, customer("a", "b")),
              store::SaveOutcome::unavailable);
    EXPECT_FALSE(store::register_deal(c, rs, where, 1, 46000));
    EXPECT_FALSE(store::delete_customer(c, where, 1));
    EXPECT_FALSE(store::read_setting(c, rs, where, store::kOurIdsRow).has_value());
    EXPECT_FALSE(store::write_setting(c, rs, where, store::kSkinRow, "5"));
}

// Opens a store once as the program does at start: an empty database gets its tables.
bool first_start(const store::StoreLocation& where) {
    store::StoreConnection c;
    store::RowSet rs;
    return store::write_setting(c, rs, where, store::kSkinRow, "7");
}

// Everything in a database, tables and rows, as pg_dump writes it out.
std::string contents(PgServer& pg, const std::string& database) {
    return pg.dump(database);
}

TEST(ServerStore, AServerItCannotUseFailsEveryActionAndIsLeftAsItWas) {
    PgServer& pg = PgServer::shared();
    const std::string db = pg.fresh_database("unusable");
    ASSERT_TRUE(first_start(on(pg.connection_string(db))));

    expect_every_action_fails(on(pg.connection_string(db, pg.shop_user(), "wrong", pg.port())),
                              StoreFailure::refused);
    expect_every_action_fails(on(pg.connection_string(db, "nobody", "x", pg.port())),
                              StoreFailure::refused);
    expect_every_action_fails(on(pg.connection_string("no_such_db")), StoreFailure::no_database);
    // A port where nothing listens.
    expect_every_action_fails(on(pg.connection_string(db, pg.shop_user(), pg.shop_password(), 1)),
                              StoreFailure::unreachable);
    expect_every_action_fails(on("Driver={No Such Driver 9};Server=127.0.0.1;Database=" + db + ";"),
                              StoreFailure::no_driver);

    // Another program's tables: refused, and not one of them touched.
    const std::string foreign = pg.fresh_database("foreign");
    pg.admin_sql(foreign,
                 "CREATE TABLE orders (id integer PRIMARY KEY, what text);"
                 "INSERT INTO orders VALUES (1, 'tea');"
                 "GRANT ALL ON orders TO " +
                     pg.shop_user() + ";");
    const std::string before = contents(pg, foreign);
    expect_every_action_fails(on(pg.connection_string(foreign)), StoreFailure::foreign_schema);
    EXPECT_EQ(contents(pg, foreign), before);

    // A table the shop's user may not even read is still another program's: the database
    // is not empty, and nothing is made in it.
    const std::string hidden = pg.fresh_database("hidden");
    pg.admin_sql(hidden, "CREATE TABLE payroll (id integer PRIMARY KEY)");
    const std::string hidden_before = contents(pg, hidden);
    expect_every_action_fails(on(pg.connection_string(hidden)), StoreFailure::foreign_schema);
    EXPECT_EQ(contents(pg, hidden), hidden_before);

    // Our tables, but a user the server keeps away from them: said so, unchanged.
    const std::string guarded = pg.fresh_database("guarded");
    ASSERT_TRUE(first_start(on(pg.connection_string(guarded))));
    int exists = 0;
    pg.admin_sql(guarded, "CREATE ROLE lq_clerk LOGIN PASSWORD 'clerk'", &exists);
    odbc::forget_connections();
    const std::string guarded_before = contents(pg, guarded);
    expect_every_action_fails(on(pg.connection_string(guarded, "lq_clerk", "clerk", pg.port())),
                              StoreFailure::no_rights);
    EXPECT_EQ(contents(pg, guarded), guarded_before);

    // Our tables changed by hand (a shorter column): refused, unchanged.
    const std::string changed = pg.fresh_database("changed");
    ASSERT_TRUE(first_start(on(pg.connection_string(changed))));
    pg.admin_sql(changed, "ALTER TABLE yrkb_com ALTER COLUMN wang TYPE varchar(40)");
    // Tables are checked when a connection is made; the kept ones go, as at a new start.
    odbc::forget_connections();
    const std::string changed_before = contents(pg, changed);
    expect_every_action_fails(on(pg.connection_string(changed)), StoreFailure::foreign_schema);
    EXPECT_EQ(contents(pg, changed), changed_before);

    // A newer program's layout: refused, unchanged.
    const std::string newer = pg.fresh_database("newer");
    ASSERT_TRUE(first_start(on(pg.connection_string(newer))));
    pg.admin_sql(newer, "UPDATE lq_schema SET version = version + 1");
    odbc::forget_connections();
    const std::string newer_before = contents(pg, newer);
    expect_every_action_fails(on(pg.connection_string(newer)), StoreFailure::newer_schema);
    EXPECT_EQ(contents(pg, newer), newer_before);

    // The first database is still fine after all that.
    store::StoreConnection c;
    store::RowSet rs;
    EXPECT_EQ(store::read_setting(c, rs, on(pg.connection_string(db)), store::kSkinRow), "7");
}

TEST(ServerStore, AnEmptyDatabaseGetsTheTablesOnceThoughManyPcsOpenItAtOnce) {
    PgServer& pg = PgServer::shared();
    const std::string db = pg.fresh_database("race");
    constexpr int kPcs = 6;
    std::barrier start(kPcs);
    std::atomic<int> opened{0};
    std::vector<std::thread> pcs;
    for (int i = 0; i < kPcs; ++i)
        pcs.emplace_back([&] {
            store::StoreConnection c;
            start.arrive_and_wait();
            if (c.open_store(on(pg.connection_string(db)))) ++opened;
        });
    for (auto& t : pcs)
        t.join();
    EXPECT_EQ(opened, kPcs);
    EXPECT_EQ(pg.admin_sql(db,
                           "SELECT count(*) FROM lq_schema; SELECT id, ww FROM vantel_ww "
                           "ORDER BY id; SELECT count(*) FROM yrkb_com;"),
              "1\n1|\n2|\n3|2\n0\n");
}

TEST(ServerStore, PcsSavingTheSameBuyerAtOnceStoreItOnce) {
    PgServer& pg = PgServer::shared();
    const auto where = on(pg.connection_string(pg.fresh_database("pair")));
    constexpr int kPcs = 8;
    constexpr int kRounds = 25;
    std::barrier round(kPcs);
    std::atomic<int> saved{0}, refused{0}, failed{0};
    std::vector<std::thread> pcs;
    for (int pc = 0; pc < kPcs; ++pc)
        pcs.emplace_back([&, pc] {
            store::StoreConnection c;
            store::RowSet rs;
            for (int r = 0; r < kRounds; ++r) {
                // The same buyer, each PC typing it in letters of another case.
                std::string wang = "Buyer" + std::to_string(r);
                if (pc % 2) wang = "BUYER" + std::to_string(r);
                round.arrive_and_wait();
                switch (store::save_new_customer(c, rs, where, customer(wang, "店主"))) {
                    case store::SaveOutcome::saved:
                        ++saved;
                        break;
                    case store::SaveOutcome::duplicate:
                        ++refused;
                        break;
                    default:
                        ++failed;
                }
            }
        });
    for (auto& t : pcs)
        t.join();
    EXPECT_EQ(saved, kRounds);
    EXPECT_EQ(refused, kRounds * (kPcs - 1));
    EXPECT_EQ(failed, 0);
    store::StoreConnection c;
    store::RowSet rs;
    auto rows = store::load_customers(c, rs, where, false);
    ASSERT_TRUE(rows.has_value());
    EXPECT_EQ(static_cast<int>(rows->size()), kRounds);
}

TEST(ServerStore, ACustomerAnotherPcDeletedMeanwhileIsReportedGone) {
    PgServer& pg = PgServer::shared();
    const auto where = on(pg.connection_string(pg.fresh_database("gone")));
    store::StoreConnection a, b;
    store::RowSet rs;
    std::int32_t id = 0;
    ASSERT_EQ(store::save_new_customer(a, rs, where, customer("x", "y"), &id),
              store::SaveOutcome::saved);

    // This PC has the row open; the other deletes it; the write finds it gone.
    ASSERT_TRUE(a.open_store(where));
    ASSERT_TRUE(rs.attach(a) && rs.open_rows(store::customer_source(id), store::kTableMode));
    ASSERT_EQ(rs.row_count(), 1);
    ASSERT_TRUE(store::delete_customer(b, where, id));
    EXPECT_EQ(b.rows_affected(), 1u);
    ASSERT_TRUE(rs.write_bool("yn", true));
    EXPECT_FALSE(rs.update_row());
    EXPECT_EQ(rs.last_failure(), StoreFailure::gone);
    EXPECT_EQ(a.last_failure(), StoreFailure::gone);
    rs.close_rows();
    a.close_store();

    // Commands on it afterwards: each says the customer is gone; nothing changed, nothing
    // added back.
    EXPECT_EQ(store::register_deal(a, rs, where, id, 46000).outcome, store::ActionOutcome::missing);
    EXPECT_EQ(store::reopen_customer(a, rs, where, id).outcome, store::ActionOutcome::missing);
    EXPECT_EQ(store::save_edited_customer(a, rs, where, id, customer("x", "y")),
              store::SaveOutcome::missing);
    EXPECT_EQ(store::delete_customer(a, where, id).outcome, store::ActionOutcome::missing);
    EXPECT_EQ(store::load_customers(a, rs, where, false)->size(), 0u);
}

TEST(ServerStore, ValuesAServerCannotKeepAsTheFileDoesAreRefusedWholeOrKeptToTheSecond) {
    PgServer& pg = PgServer::shared();
    const std::string db = pg.fresh_database("values");
    const auto where = on(pg.connection_string(db));
    store::StoreConnection c;
    store::RowSet rs;
    // Fractions of a second are rounded to the nearest second, across midnight too.
    const double morning = 46000.0 + (8 * 3600 + 0.4) / 86400.0;
    const double midnight = 46000.0 + (86400 - 0.3) / 86400.0;
    std::int32_t id = 0;
    ASSERT_EQ(store::save_new_customer(c, rs, where, {"a", "b", morning, midnight, ""}, &id),
              store::SaveOutcome::saved);
    auto rows = store::load_customers(c, rs, where, false);
    ASSERT_TRUE(rows && rows->size() == 1);
    EXPECT_EQ((*rows)[0].first_enquiry, 46000.0 + 8 * 3600 / 86400.0);
    EXPECT_EQ((*rows)[0].last_follow_up, 46001.0);
    EXPECT_EQ(pg.admin_sql(db, "SELECT time1, time2 FROM yrkb_com"),
              "2025-12-09 08:00:00|2025-12-10 00:00:00\n");

    // Outside the years 1 to 9999, or a zero character: refused, nothing stored.
    const double year_10000 = 2958466.0;
    EXPECT_EQ(store::save_new_customer(c, rs, where, {"b", "b", year_10000, 1, ""}),
              store::SaveOutcome::not_stored);
    EXPECT_FALSE(store::register_deal(c, rs, where, id, -700000.0));  // before year 1
    EXPECT_EQ(store::save_new_customer(c, rs, where, {std::string("c\0d", 3), "b", 1, 1, ""}),
              store::SaveOutcome::not_stored);
    EXPECT_EQ(pg.admin_sql(db, "SELECT count(*), bool_or(yn) FROM yrkb_com"), "1|f\n");
}

// The fold a server applies is the Jet engine's, over the whole basic plane: for every
// character, the characters it folds alike with near it and the order it takes among them.
TEST(ServerStore, TheFoldTableIsTheJetEnginesOwn) {
    auto utf8 = [](char32_t c) { return jet::utf16_to_utf8(std::u16string(1, char16_t(c))); };
    std::vector<std::string> text(0x10000);
    for (char32_t c = 1; c < 0x10000; ++c)
        if (c < 0xD800 || c > 0xDFFF) text[c] = utf8(c);
    long checked = 0;
    for (char32_t c = 1; c < 0x10000; ++c) {
        if (text[c].empty()) continue;
        const auto code = static_cast<std::uint32_t>(c);
        ASSERT_EQ(odbc::fold_char(odbc::fold_char(c)), odbc::fold_char(c)) << std::hex << code;
        ASSERT_TRUE(jet::text_equal_nocase(text[c], text[odbc::fold_char(c)])) << std::hex << code;
        for (char32_t d = c > 96 ? c - 96 : 1; d < c + 96 && d < 0x10000; ++d) {
            if (text[d].empty()) continue;
            const int jet_order = jet::text_compare_nocase(text[c], text[d]);
            const char32_t fc = odbc::fold_char(c), fd = odbc::fold_char(d);
            const int ours = fc < fd ? -1 : fc > fd ? 1 : 0;
            ASSERT_EQ(jet_order < 0   ? -1
                      : jet_order > 0 ? 1
                                      : 0,
                      ours)
                << std::hex << code << " against " << static_cast<std::uint32_t>(d);
            ++checked;
        }
    }
    EXPECT_GT(checked, 10'000'000);
    EXPECT_EQ(odbc::fold_alphabets().from.size(), odbc::fold_alphabets().to.size());

    // And the server computes the same fold with the function the program made there.
    PgServer& pg = PgServer::shared();
    const std::string db = pg.fresh_database("fold");
    store::StoreConnection c;
    ASSERT_TRUE(c.open_store(on(pg.connection_string(db))));
    c.close_store();
    std::u16string all;
    for (char32_t ch : odbc::fold_alphabets().from)
        all.push_back(static_cast<char16_t>(ch));
    std::u16string folded;
    for (char32_t ch : odbc::fold_alphabets().to)
        folded.push_back(static_cast<char16_t>(ch));
    EXPECT_EQ(pg.admin_sql(db, "SELECT lq_fold('" + jet::utf16_to_utf8(all) + "Zz中ß')"),
              jet::utf16_to_utf8(folded) + "zz中ß\n");
}

// Date-times to timestamps and back, against the server's own reading of them.
TEST(ServerStore, DateTimesMapToTheServersTimestamps) {
    struct Case {
        double days;
        const char* shown;  // as the server prints the stored timestamp
        double back;        // what reading it gives
    };
    const std::vector<Case> cases = {
        {0.0, "1899-12-30 00:00:00", 0.0},
        {1.5, "1899-12-31 12:00:00", 1.5},
        {-1.5, "1899-12-29 12:00:00", -1.5},  // the whole part is the day
        {-0.5, "1899-12-30 12:00:00", 0.5},   // the same moment as 0.5
        {-1.999999, "1899-12-30 00:00:00", 0.0},
        {45000.0 + 86399.6 / 86400, "2023-03-16 00:00:00", 45001.0},
        {-657434.0, "0100-01-01 00:00:00", -657434.0},
        {2958465.0 + 86399.0 / 86400, "9999-12-31 23:59:59", 2958465.0 + 86399.0 / 86400},
        {36526.0 + 3661.0 / 86400, "2000-01-01 01:01:01", 36526.0 + 3661.0 / 86400},
    };
    PgServer& pg = PgServer::shared();
    const std::string db = pg.fresh_database("dates");
    const auto where = on(pg.connection_string(db));
    store::StoreConnection c;
    store::RowSet rs;
    std::string shown;
    for (const auto& k : cases) {
        EXPECT_EQ(odbc::kept_datetime(k.days), k.back) << k.days;
        ASSERT_EQ(store::save_new_customer(c, rs, where,
                                           {std::to_string(k.days), "x", k.days, k.days, ""}),
                  store::SaveOutcome::saved)
            << k.days << ": " << c.last_error();
        shown += std::string(k.shown) + "\n";
    }
    EXPECT_EQ(pg.admin_sql(db, "SELECT time1 FROM yrkb_com ORDER BY id"), shown);
    auto rows = store::load_customers(c, rs, where, false);
    ASSERT_TRUE(rows && rows->size() == cases.size());
    for (std::size_t i = 0; i < cases.size(); ++i)
        EXPECT_EQ((*rows)[cases.size() - 1 - i].last_follow_up, cases[i].back) << cases[i].days;
    EXPECT_FALSE(odbc::kept_datetime(2958466.0).has_value());
    EXPECT_FALSE(odbc::kept_datetime(std::numeric_limits<double>::quiet_NaN()).has_value());
}

}  // namespace

namespace {

// Windows' 64-bit psqlODBC calls its driver "PostgreSQL Unicode(x64)", every other one
// "PostgreSQL Unicode": a connection string with either name reaches whichever is installed.
TEST(ServerStore, EitherNameOfThePostgresqlDriverFindsIt) {
    EXPECT_EQ(odbc::other_driver_name("Driver={PostgreSQL Unicode};Server=h"),
              "Driver={PostgreSQL Unicode(x64)};Server=h");
    EXPECT_EQ(odbc::other_driver_name("server=h;DRIVER={postgresql unicode(X64)};"),
              "server=h;DRIVER={PostgreSQL Unicode};");
    EXPECT_EQ(odbc::other_driver_name("Driver={PostgreSQL ANSI};Server=h"), std::nullopt);
    PgServer& pg = PgServer::shared();
    std::string where = pg.connection_string(pg.fresh_database("x64"));
    where.replace(where.find("Unicode}"), 8, "Unicode(x64)}");
    store::StoreConnection c;
    EXPECT_TRUE(c.open_store(on(where))) << c.last_error();
}

}  // namespace

namespace {

// LQ_STORE sends every location without a server of its own to its server; a location
// marked exact, or naming a server, goes where it says.
TEST(ServerStore, LqStoreTakesThePlaceOfTheFile) {
    PgServer& pg = PgServer::shared();
    const std::string server = pg.connection_string(pg.fresh_database("lqstore"));
    const std::string dir = ::testing::TempDir() + "/lq_store_" + std::to_string(::getpid());
    std::filesystem::create_directories(dir);
    jet::OsFileSystem os;
    const std::string file = dir + "/yrkb_com.db";
    store::provision_store(os, file);
    ASSERT_EQ(::setenv(store::kStoreVariable, server.c_str(), 1), 0);
    store::StoreConnection c;
    store::RowSet rs;
    ASSERT_EQ(store::save_new_customer(c, rs, {file, store::kDatabasePassword}, customer("a", "b")),
              store::SaveOutcome::saved);
    EXPECT_EQ(c.connection_text(), server);
    store::StoreLocation exact{file, store::kDatabasePassword};
    exact.exact = true;
    EXPECT_EQ(store::load_customers(c, rs, exact, false)->size(), 0u);  // the file: empty
    EXPECT_TRUE(c.connection_text().starts_with("Provider=Microsoft.Jet.OLEDB.4.0;"));
    ::unsetenv(store::kStoreVariable);
    EXPECT_EQ(store::load_customers(c, rs, {file, store::kDatabasePassword}, false)->size(), 0u);
    EXPECT_EQ(store::load_customers(c, rs, on(server), false)->size(), 1u);
    std::filesystem::remove_all(dir);
}

}  // namespace

namespace {

// Copies every customer of one store into another in one transaction, numbers kept.
bool copy_customers(const store::StoreLocation& from, const store::StoreLocation& to,
                    const std::string& spoil = "") {
    store::StoreConnection fc, tc;
    store::RowSet src, dst;
    if (!fc.open_store(from) || !src.attach(fc) || !src.open_rows("yrkb_com order by id", 2))
        return false;
    if (!tc.open_store(to) || !tc.begin_transaction() || !dst.attach(tc) ||
        !dst.open_rows("yrkb_com where id=0", 2))
        return false;
    for (int i = 0; i < src.row_count(); ++i, src.move_next()) {
        std::string wang = src.read_text("wang").second;
        if (wang == spoil) wang += std::string(60, 'x');
        const bool ok = dst.add_numbered_row() && dst.write_int("id", src.read_int("id").second) &&
                        dst.write_text("wang", wang) &&
                        dst.write_text("wang2", src.read_text("wang2").second) &&
                        dst.write_datetime("time1", src.read_datetime("time1").second) &&
                        dst.write_datetime("time2", src.read_datetime("time2").second) &&
                        dst.write_text("bs", src.read_text("bs").second) &&
                        dst.write_bool("yn", src.read_text("yn").second == "True") &&
                        // A deal date only where there is one: null stays null.
                        (src.read_text("time3").second.empty() ||
                         dst.write_datetime("time3", src.read_datetime("time3").second)) &&
                        dst.update_row();
        if (!ok) return false;
    }
    return tc.commit_transaction();
}

// What moving a shop to a server needs of the store: rows added with the numbers they had,
// the table numbering on after them, all of it in one transaction or none of it.
TEST(ServerStore, AShopMovesWholeWithItsNumbersOrNotAtAll) {
    const std::string dir = ::testing::TempDir() + "/move_" + std::to_string(::getpid());
    std::filesystem::create_directories(dir);
    jet::OsFileSystem os;
    store::StoreLocation file{dir + "/yrkb_com.db", store::kDatabasePassword};
    store::provision_store(os, file.path);
    store::StoreConnection c;
    store::RowSet rs;
    std::int32_t id = 0;
    for (const char* wang : {"a", "b", "c", "d"})
        ASSERT_EQ(store::save_new_customer(c, rs, file, customer(wang, "店主"), &id),
                  store::SaveOutcome::saved);
    ASSERT_TRUE(store::delete_customer(c, file, 2));
    ASSERT_TRUE(store::register_deal(c, rs, file, 3, 46100.5));

    PgServer& pg = PgServer::shared();
    const std::string spoilt_db = pg.fresh_database("moved");
    EXPECT_FALSE(copy_customers(file, on(pg.connection_string(spoilt_db)), "c"));
    // One row refused: nothing moved.
    EXPECT_EQ(pg.admin_sql(spoilt_db, "SELECT count(*) FROM yrkb_com"), "0\n");

    const auto server = on(pg.connection_string(pg.fresh_database("moved")));
    ASSERT_TRUE(copy_customers(file, server));
    for (bool closed : {false, true})
        EXPECT_EQ(*store::load_customers(c, rs, server, closed),
                  *store::load_customers(c, rs, file, closed));
    // The server numbers on after the highest number it was given.
    ASSERT_EQ(store::save_new_customer(c, rs, server, customer("e", "店主"), &id),
              store::SaveOutcome::saved);
    EXPECT_EQ(id, 5);
    // A number the file gives itself cannot be imposed on it.
    EXPECT_FALSE(copy_customers(server, file));
    std::filesystem::remove_all(dir);
}

}  // namespace
