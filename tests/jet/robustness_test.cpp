// Hostile and broken files: every one gives an error value, none crashes or hangs.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <random>

#include "jet/database.h"
#include "jet/format.h"
#include "jet/query.h"
#include "jet/row_codec.h"
#include "tests/jet/fixture_files.h"
#include "tools/jetdump/check.h"

namespace {

using testing_support::fixture_bytes;
using testing_support::fixture_names;

// Everything a reader does with a file, flattened to text; or the first error.
struct Outcome {
    bool ok = false;
    jet::Errc code = jet::Errc::io;
    std::string dump;
};

Outcome read_everything(std::vector<std::uint8_t> bytes, const std::string& password = "password") {
    jet::MemoryFile file(std::move(bytes));
    Outcome out;
    auto fail = [&](const jet::Error& e) {
        out.ok = false;
        out.code = e.code;
        EXPECT_FALSE(e.message.empty());
        return out;
    };
    auto db = jet::Database::open(file, password);
    if (!db) return fail(db.error());
    auto tables = (*db)->tables(true);
    if (!tables) return fail(tables.error());
    for (const auto& t : *tables) {
        auto def = (*db)->table(t.name);
        if (!def) return fail(def.error());
        auto rows = (*db)->scan(*def);
        if (!rows) return fail(rows.error());
        out.dump += t.name + ":" + std::to_string(rows->size()) + ";";
        for (const auto& r : *rows)
            for (const auto& v : r.values)
                if (auto s = std::get_if<std::string>(&v)) out.dump += *s + "|";
    }
    out.ok = true;
    return out;
}

TEST(Robustness, EmptyRandomAndDirectory) {
    auto empty = read_everything({});
    EXPECT_FALSE(empty.ok);
    EXPECT_EQ(empty.code, jet::Errc::not_a_database);

    std::mt19937 rng(7);
    for (std::size_t size : {1u, 100u, 4095u, 4096u, 8192u, 20000u, 65536u}) {
        std::vector<std::uint8_t> noise(size);
        for (auto& b : noise)
            b = static_cast<std::uint8_t>(rng());
        auto r = read_everything(noise);
        EXPECT_FALSE(r.ok) << size;
        // Random pages behind a real header page must fail too, not crash.
        if (size >= 4096) {
            auto real = fixture_bytes("no-password.mdb");
            std::copy(real.begin(), real.begin() + 4096, noise.begin());
            EXPECT_FALSE(read_everything(noise).ok) << size;
        }
    }

    auto dir = jet::open_os_file(std::filesystem::temp_directory_path().string(),
                                 jet::OpenMode::read_only);
    ASSERT_FALSE(dir.ok());
    EXPECT_EQ(dir.error().code, jet::Errc::not_a_database);
    auto missing = jet::open_os_file("/nonexistent/yrkb_com.db", jet::OpenMode::read_only);
    ASSERT_FALSE(missing.ok());
    EXPECT_EQ(missing.error().code, jet::Errc::not_found);
}

TEST(Robustness, TruncatedFixturesFailOrReadTheSame) {
    for (const auto& name : fixture_names()) {
        auto bytes = fixture_bytes(name);
        Outcome whole = read_everything(bytes);
        ASSERT_TRUE(whole.ok) << name;
        std::vector<std::size_t> cuts;
        for (std::size_t at = 0; at < bytes.size(); at += jet::kPageSize) {
            cuts.push_back(at);
            cuts.push_back(at + 1);
            cuts.push_back(at + 2049);
        }
        for (std::size_t cut : cuts) {
            if (cut >= bytes.size()) continue;
            std::vector<std::uint8_t> part(bytes.begin(),
                                           bytes.begin() + static_cast<std::ptrdiff_t>(cut));
            Outcome r = read_everything(part);
            // A cut past the last page anything refers to may still read; then it reads the same.
            if (r.ok) {
                EXPECT_EQ(r.dump, whole.dump) << name << " cut at " << cut;
            }
            jet::MemoryFile f(std::move(part));
            auto faults = jetdump::check_file(f);
            if (!r.ok || cut % jet::kPageSize != 0) {
                EXPECT_FALSE(faults.empty()) << name << " cut at " << cut;
            }
        }
    }
}

TEST(Robustness, FlippedBytesNeverCrash) {
    std::mt19937 rng(42);
    for (const auto& name : fixture_names()) {
        auto bytes = fixture_bytes(name);
        for (int round = 0; round < 60; ++round) {
            auto damaged = bytes;
            for (int k = 0; k < 12; ++k) {
                // Aim at the structural pages: the catalog and table definitions sit early.
                std::size_t page = 1 + rng() % (damaged.size() / jet::kPageSize - 1);
                std::size_t at = page * jet::kPageSize + rng() % 96;
                if (rng() % 2) at = page * jet::kPageSize + rng() % jet::kPageSize;
                damaged[at] = static_cast<std::uint8_t>(rng());
            }
            (void)read_everything(damaged);
            jet::MemoryFile f(damaged);
            (void)jetdump::check_file(f);
        }
    }
}

// Puts `page` at the end of `bytes` and returns its number.
std::uint32_t append_page(std::vector<std::uint8_t>& bytes, const std::vector<std::uint8_t>& page) {
    auto number = static_cast<std::uint32_t>(bytes.size() / jet::kPageSize);
    bytes.insert(bytes.end(), page.begin(), page.end());
    bytes.resize(std::size_t{number + 1} * jet::kPageSize);
    return number;
}

// A long-value page with one row: a 4-byte link and `payload` bytes.
std::vector<std::uint8_t> lval_page(std::uint32_t next, std::size_t payload) {
    std::vector<std::uint8_t> p(jet::kPageSize, 0);
    p[0] = 0x01;
    p[1] = 0x01;
    std::memcpy(p.data() + 4, "LVAL", 4);
    auto start = static_cast<std::uint16_t>(jet::kPageSize - 4 - payload);
    jet::store_u16(p.data() + 12, 1);
    jet::store_u16(p.data() + 14, start);
    jet::store_u32(p.data() + start, next);
    return p;
}

std::vector<std::uint8_t> reference(std::uint32_t length_and_flags, std::uint32_t pointer) {
    std::vector<std::uint8_t> f(12, 0);
    jet::store_u32(f.data(), length_and_flags);
    jet::store_u32(f.data() + 4, pointer);
    return f;
}

TEST(Robustness, LongValueChains) {
    auto bytes = fixture_bytes("no-password.mdb");
    auto first = static_cast<std::uint32_t>(bytes.size() / jet::kPageSize);
    // Two pages that point at each other: a loop.
    append_page(bytes, lval_page((first + 1) << 8, 100));
    append_page(bytes, lval_page(first << 8, 100));
    // A chain that is whole: 100 + 50 bytes, ending with a zero link.
    std::uint32_t third = append_page(bytes, lval_page((first + 3) << 8, 100));
    append_page(bytes, lval_page(0, 50));
    jet::MemoryFile file(bytes);
    auto pager = jet::Pager::open(file);
    ASSERT_TRUE(pager.ok());

    auto good = jet::read_long_value(**pager, reference(150, third << 8));
    ASSERT_TRUE(good.ok()) << good.error().message;
    EXPECT_EQ(good->size(), 150u);

    auto loop = jet::read_long_value(**pager, reference(100000, first << 8));
    ASSERT_FALSE(loop.ok());
    EXPECT_EQ(loop.error().code, jet::Errc::corrupt);

    auto short_chain = jet::read_long_value(**pager, reference(400, third << 8));
    EXPECT_FALSE(short_chain.ok());
    auto past_end = jet::read_long_value(**pager, reference(10, 0xFFFFFF00u));
    EXPECT_FALSE(past_end.ok());
    auto huge = jet::read_long_value(**pager, reference(0x3FFFFFFF, third << 8));
    EXPECT_FALSE(huge.ok());
    auto not_lval = jet::read_long_value(**pager, reference(10 | 0x40000000u, 2u << 8));
    EXPECT_FALSE(not_lval.ok());
    auto inline_too_long = jet::read_long_value(**pager, reference(50 | 0x80000000u, 0));
    EXPECT_FALSE(inline_too_long.ok());
    auto single = jet::read_long_value(**pager, reference(40 | 0x40000000u, third << 8));
    ASSERT_TRUE(single.ok());
    EXPECT_EQ(single->size(), 40u);
}

TEST(Robustness, PointersPastTheEnd) {
    auto bytes = fixture_bytes("no-password.mdb");
    jet::MemoryFile plain(bytes);
    auto db = jet::Database::open(plain, "");
    ASSERT_TRUE(db.ok());
    auto def = (*db)->table("Table1");
    ASSERT_TRUE(def.ok());
    std::size_t tdef = std::size_t{def->page} * jet::kPageSize;

    // A catalog entry naming page 0 (the header) as its definition.
    auto at_header = jet::read_table_def((*db)->pager(), 0);
    ASSERT_FALSE(at_header.ok());
    EXPECT_EQ(at_header.error().code, jet::Errc::corrupt);

    auto broken_map = bytes;
    jet::store_u32(broken_map.data() + tdef + 0x37, 0xFFFFFF00u);
    EXPECT_FALSE(read_everything(broken_map).ok);

    auto next_loop = bytes;
    jet::store_u32(next_loop.data() + tdef + 4, def->page);  // continues into itself
    auto r = read_everything(next_loop);
    EXPECT_FALSE(r.ok);

    auto many_columns = bytes;
    jet::store_u16(many_columns.data() + tdef + 0x2D, 0xFFFF);
    EXPECT_FALSE(read_everything(many_columns).ok);

    auto many_indexes = bytes;
    jet::store_u32(many_indexes.data() + tdef + 0x33, 0x7FFFFFFF);
    EXPECT_FALSE(read_everything(many_indexes).ok);

    // A data page whose row table claims more rows than fit.
    auto records = (*db)->scan(*def);
    ASSERT_TRUE(records.ok());
    std::size_t data = std::size_t{(*records)[0].where.page} * jet::kPageSize;
    auto rows = bytes;
    jet::store_u16(rows.data() + data + 12, 0x7FFF);
    EXPECT_FALSE(read_everything(rows).ok);
    auto offset = bytes;
    jet::store_u16(offset.data() + data + 14, 0x0FFF);  // row 0 would start past its end
    jet::store_u16(offset.data() + data + 16, 0x0FFF);
    auto o = read_everything(offset);
    EXPECT_FALSE(o.ok);
}

}  // namespace
