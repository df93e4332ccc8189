// Long values written to LVAL pages read back whole, through our reader and the real ones.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <string>

#include "jet/data_page_edit.h"
#include "jet/database.h"
#include "jet/format.h"
#include "jet/long_value_writer.h"
#include "jet/row_codec.h"
#include "jet/row_encoder.h"
#include "tests/jet/fixture_files.h"
#include "tests/jet/run_command.h"

namespace {

using testing_support::fixture_bytes;

// LVAL pages kept in memory, numbered from the end of a real file so that they can be
// appended to it; reuses room before taking fresh pages, as the table writer does.
class MemoryPages final : public jet::LongValuePages {
  public:
    explicit MemoryPages(std::uint32_t first, std::optional<std::size_t> limit = std::nullopt)
        : next_(first), limit_(limit) {}

    jet::Result<jet::LongValuePage> page_with_room(std::size_t size) override {
        for (auto& [number, page] : pages)
            if (page.owner == jet::kLongValueOwner && jet::long_value_row_fits(page, size))
                return jet::LongValuePage{number, &page};
        return new_page();
    }
    jet::Result<jet::LongValuePage> new_page() {
        if (limit_ && pages.size() >= *limit_) return jet::make_error(jet::Errc::full, "no pages");
        std::uint32_t number = next_++;
        auto& page = pages[number];
        page.owner = jet::kLongValueOwner;
        return jet::LongValuePage{number, &page};
    }
    jet::Result<jet::DataPageRows*> page(std::uint32_t number) override {
        auto it = pages.find(number);
        if (it == pages.end()) return jet::make_error(jet::Errc::not_found, "no such page");
        return &it->second;
    }

    std::size_t live_rows() const {
        std::size_t n = 0;
        for (const auto& [number, page] : pages)
            for (const auto& row : page.rows)
                n += row.deleted ? 0 : 1;
        return n;
    }

    // `base` with every page laid out at its number.
    std::vector<std::uint8_t> appended_to(std::vector<std::uint8_t> base) const {
        if (!pages.empty())
            base.resize(std::max<std::size_t>(
                base.size(), (std::size_t{pages.rbegin()->first} + 1) * jet::kPageSize));
        for (const auto& [number, page] : pages) {
            auto laid = jet::lay_out_data_page(page);
            std::copy(laid.begin(), laid.end(),
                      base.begin() + static_cast<std::ptrdiff_t>(number * jet::kPageSize));
        }
        return base;
    }

    std::map<std::uint32_t, jet::DataPageRows> pages;

  private:
    std::uint32_t next_;
    std::optional<std::size_t> limit_;
};

// Bytes that differ from their neighbours, so a lost, doubled or misplaced chunk shows.
std::vector<std::uint8_t> pattern(std::size_t size, std::uint32_t seed) {
    std::vector<std::uint8_t> out(size);
    std::uint32_t x = seed * 2654435761u + 1;
    for (auto& b : out) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        b = static_cast<std::uint8_t>(x >> 11);
    }
    return out;
}

std::uint32_t numeric_pages() {
    return static_cast<std::uint32_t>(fixture_bytes("numeric.mdb").size() / jet::kPageSize);
}

// Reads every reference back through a pager over numeric.mdb with the pages appended.
void expect_read_back(const MemoryPages& pages,
                      const std::vector<std::vector<std::uint8_t>>& references,
                      const std::vector<std::vector<std::uint8_t>>& values) {
    jet::MemoryFile file(pages.appended_to(fixture_bytes("numeric.mdb")));
    auto pager = jet::Pager::open(file);
    ASSERT_TRUE(pager.ok()) << pager.error().message;
    ASSERT_EQ((*pager)->header().database_key, 0u);  // appended pages are written unmasked
    for (std::size_t i = 0; i < references.size(); ++i) {
        auto back = jet::read_long_value(**pager, references[i]);
        ASSERT_TRUE(back.ok()) << values[i].size() << ": " << back.error().message;
        EXPECT_TRUE(*back == values[i]) << "value of " << values[i].size() << " bytes differs";
    }
}

std::uint32_t head_of(const std::vector<std::uint8_t>& reference) {
    return jet::load_u32(reference.data());
}

TEST(LongValueWriter, EveryLengthReadsBackWhole) {
    MemoryPages pages(numeric_pages());
    jet::LongValueWriter writer(pages);
    const std::vector<std::size_t> sizes = {65, 2000, 4070, 4100, 100000, 1000000};
    std::vector<std::vector<std::uint8_t>> values, references;
    for (std::size_t size : sizes) {
        values.push_back(pattern(size, static_cast<std::uint32_t>(size)));
        auto ref = writer.store_long_value(values.back());
        ASSERT_TRUE(ref.ok()) << size << ": " << ref.error().message;
        ASSERT_EQ(ref->size(), 12u);
        EXPECT_EQ(head_of(*ref) & 0x3FFFFFFFu, size);
        bool one_row = size <= jet::kMaxRowSize;
        EXPECT_EQ(head_of(*ref) & 0xC0000000u, one_row ? 0x40000000u : 0u) << size;
        EXPECT_EQ(jet::load_u32(ref->data() + 8), 0u);
        references.push_back(*ref);
    }
    // 3 single rows, then chains of 2, 25 and 246 rows.
    EXPECT_EQ(pages.live_rows(), 3u + 2u + 25u + 246u);
    expect_read_back(pages, references, values);
}

TEST(LongValueWriter, ChainsFillWholePagesAndShareOnlyTheirTail) {
    MemoryPages pages(numeric_pages());
    jet::LongValueWriter writer(pages);
    auto value = pattern(100000, 7);
    auto ref = writer.store_long_value(value);
    ASSERT_TRUE(ref.ok());
    ASSERT_EQ(pages.pages.size(), 25u);  // 24 full chunks of 4,076 bytes and a tail of 2,176
    // Walk the chain on the pages themselves: links in order, each full row alone on its page.
    std::uint32_t pointer = jet::load_u32(ref->data() + 4);
    std::size_t offset = 0;
    for (int i = 0; i < 25; ++i) {
        auto where = jet::RowPointer::unpack(pointer);
        auto& page = pages.pages.at(where.page);
        const auto& row = page.rows.at(where.row).bytes;
        ASSERT_GE(row.size(), 4u);
        std::size_t chunk = row.size() - 4;
        EXPECT_TRUE(std::equal(row.begin() + 4, row.end(),
                               value.begin() + static_cast<std::ptrdiff_t>(offset)));
        if (i < 24) {
            EXPECT_EQ(chunk, jet::kLongValueChunk);
            EXPECT_EQ(page.rows.size(), 1u);
            EXPECT_EQ(page.free_space(), 0u);
        } else {
            EXPECT_EQ(chunk, 2176u);
        }
        offset += chunk;
        pointer = jet::load_u32(row.data());
    }
    EXPECT_EQ(pointer, 0u);
    EXPECT_EQ(offset, value.size());
    // The tail's page has room left: a small value lands beside it, not on a fresh page.
    auto small = writer.store_long_value(pattern(300, 8));
    ASSERT_TRUE(small.ok());
    EXPECT_EQ(pages.pages.size(), 25u);
}

TEST(LongValueWriter, FreeingAChainRemovesExactlyItsRows) {
    MemoryPages pages(numeric_pages());
    jet::LongValueWriter writer(pages);
    std::vector<std::vector<std::uint8_t>> values = {pattern(2000, 1), pattern(100000, 2),
                                                     pattern(4100, 3), pattern(65, 4)};
    std::vector<std::vector<std::uint8_t>> refs;
    for (const auto& v : values) {
        auto ref = writer.store_long_value(v);
        ASSERT_TRUE(ref.ok());
        refs.push_back(*ref);
    }
    std::size_t before = pages.live_rows();
    std::size_t page_count = pages.pages.size();
    ASSERT_TRUE(writer.free_long_value(refs[1]).ok());
    EXPECT_EQ(pages.live_rows(), before - 25);
    // The others are untouched; the freed one no longer reads.
    expect_read_back(pages, {refs[0], refs[2], refs[3]}, {values[0], values[2], values[3]});
    {
        jet::MemoryFile file(pages.appended_to(fixture_bytes("numeric.mdb")));
        auto pager = jet::Pager::open(file);
        ASSERT_TRUE(pager.ok());
        EXPECT_FALSE(jet::read_long_value(**pager, refs[1]).ok());
    }
    // Freeing twice is refused and changes nothing.
    EXPECT_FALSE(writer.free_long_value(refs[1]).ok());
    EXPECT_EQ(pages.live_rows(), before - 25);
    // A single-row value frees its one row; an inline one has none.
    ASSERT_TRUE(writer.free_long_value(refs[0]).ok());
    EXPECT_EQ(pages.live_rows(), before - 26);
    auto inline_ref = jet::inline_long_value(pattern(20, 5));
    EXPECT_TRUE(writer.free_long_value(inline_ref).ok());
    EXPECT_EQ(pages.live_rows(), before - 26);
    // The freed room is taken again before any fresh page.
    values[1] = pattern(100000, 6);
    auto again = writer.store_long_value(values[1]);
    ASSERT_TRUE(again.ok());
    refs[1] = *again;
    EXPECT_EQ(pages.pages.size(), page_count);
    expect_read_back(pages, {refs[1], refs[2], refs[3]}, {values[1], values[2], values[3]});
}

TEST(LongValueWriter, ManySmallValuesSharePages) {
    MemoryPages pages(numeric_pages());
    jet::LongValueWriter writer(pages);
    std::vector<std::vector<std::uint8_t>> values, refs;
    for (std::uint32_t i = 0; i < 200; ++i) {
        values.push_back(pattern(100, i));
        auto ref = writer.store_long_value(values.back());
        ASSERT_TRUE(ref.ok());
        refs.push_back(*ref);
    }
    // 40 rows of 100 bytes and their row-table entries fill 4,080 of a page's 4,082 bytes.
    EXPECT_EQ(pages.pages.size(), 5u);
    expect_read_back(pages, refs, values);
}

TEST(LongValueWriter, FailedStoreLeavesNoRows) {
    MemoryPages pages(numeric_pages(), 3);
    jet::LongValueWriter writer(pages);
    auto ref = writer.store_long_value(pattern(100000, 9));
    ASSERT_FALSE(ref.ok());
    EXPECT_EQ(ref.error().code, jet::Errc::full);
    EXPECT_EQ(pages.live_rows(), 0u);
}

std::vector<std::uint8_t> reference(std::uint32_t head, std::uint32_t pointer) {
    std::vector<std::uint8_t> out(12, 0);
    jet::store_u32(out.data(), head);
    jet::store_u32(out.data() + 4, pointer);
    return out;
}

std::vector<std::uint8_t> link_row(std::uint32_t next, std::size_t chunk) {
    std::vector<std::uint8_t> row(4 + chunk, 0xAB);
    jet::store_u32(row.data(), next);
    return row;
}

TEST(LongValueWriter, HostileReferencesFailToFree) {
    MemoryPages pages(100);
    jet::LongValueWriter writer(pages);
    auto lval = pages.new_page();
    ASSERT_TRUE(lval.ok());
    const std::uint32_t p = lval->number;
    auto pointer = [&](std::uint8_t row) { return jet::RowPointer{p, row}.pack(); };
    auto& rows = lval->rows->rows;
    rows.push_back({link_row(pointer(0), 10)});  // row 0 links to itself
    rows.push_back({link_row(pointer(2), 10)});  // rows 1 and 2 link to each other
    rows.push_back({link_row(pointer(1), 10)});
    rows.push_back({link_row(0, 10)});  // row 3 ends a chain of 10 bytes
    pages.pages[7].owner = 0x1234;      // a table's data page
    pages.pages[7].rows.push_back({link_row(0, 10)});
    ASSERT_TRUE(jet::delete_page_row(pages.pages[7], 0).ok());
    pages.pages[7].rows.push_back({link_row(0, 10)});
    const std::size_t live = pages.live_rows();

    struct Case {
        const char* what;
        std::vector<std::uint8_t> ref;
    };
    const std::vector<Case> cases = {
        {"loop of one row", reference(1000, pointer(0))},
        {"loop of two rows", reference(1000, pointer(1))},
        {"chain ends early", reference(11, pointer(3))},
        {"chain through a table's page", reference(100, jet::RowPointer{7, 1}.pack())},
        {"row past the row table", reference(0x40000000u | 5, pointer(9))},
        {"single row shorter than its length", reference(0x40000000u | 15, pointer(3))},
        {"page the file lacks", reference(0x40000000u | 5, jet::RowPointer{9, 0}.pack())},
        {"end of chain as the first row", reference(100, 0)},
        {"reference cut short", std::vector<std::uint8_t>(8, 0)},
    };
    for (const auto& c : cases) {
        EXPECT_FALSE(writer.free_long_value(c.ref).ok()) << c.what;
        EXPECT_EQ(pages.live_rows(), live) << c.what;
    }
    // The same walk accepts a chain that is whole.
    EXPECT_TRUE(writer.free_long_value(reference(10, pointer(3))).ok());
    EXPECT_EQ(pages.live_rows(), live - 1);
    // A page that is no LVAL page is never written to.
    class WrongPages final : public jet::LongValuePages {
      public:
        jet::Result<jet::LongValuePage> page_with_room(std::size_t) override {
            return jet::LongValuePage{5, &table_page};
        }
        jet::Result<jet::LongValuePage> new_page() { return page_with_room(0); }
        jet::Result<jet::DataPageRows*> page(std::uint32_t) override { return &table_page; }
        jet::DataPageRows table_page{0x1234, {}};
    } wrong;
    jet::LongValueWriter misled(wrong);
    EXPECT_FALSE(misled.store_long_value(pattern(100, 1)).ok());
    EXPECT_FALSE(misled.store_long_value(pattern(10000, 1)).ok());
    EXPECT_TRUE(wrong.table_page.rows.empty());
}

// --- The real readers ---

bool have(const std::string& tool) {
    return std::system(("command -v " + tool + " >/dev/null 2>&1").c_str()) == 0;
}

std::string memo_text(std::size_t size, const std::string& alphabet_extra) {
    std::string alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789 ";
    auto noise = pattern(size, 11);
    std::string out;
    for (std::size_t i = 0; i < size; ++i) {
        // Characters past Latin-1 keep the text from being stored compressed.
        if (!alphabet_extra.empty() && i % 1000 == 999)
            out += alphabet_extra;
        else
            out.push_back(alphabet[noise[i] % alphabet.size()]);
    }
    return out;
}

// Puts `memo` into numeric.mdb's one row of `test` and checks that both real readers see it.
void check_memo_with_real_readers(const std::string& memo, const std::string& file_tag) {
    auto base = fixture_bytes("numeric.mdb");
    jet::MemoryFile original(base);
    auto db = jet::Database::open(original, "");
    ASSERT_TRUE(db.ok());
    auto def = (*db)->table("test");
    ASSERT_TRUE(def.ok());
    auto records = (*db)->scan(*def);
    ASSERT_TRUE(records.ok());
    ASSERT_EQ(records->size(), 1u);
    jet::RowPointer where = (*records)[0].where;
    auto values = (*records)[0].values;
    ASSERT_EQ(def->columns[0].name, "col1");
    values[0] = memo;
    for (std::size_t i = 1; i < values.size(); ++i)
        values[i] = jet::Value{};  // the numeric columns are left empty

    MemoryPages lval(static_cast<std::uint32_t>(base.size() / jet::kPageSize));
    jet::LongValueWriter writer(lval);
    auto row = jet::encode_row(*def, values, writer.as_store());
    ASSERT_TRUE(row.ok()) << row.error().message;
    auto page = (*db)->pager().page(where.page);
    ASSERT_TRUE(page.ok());
    auto parsed = jet::parse_data_page(*page);
    ASSERT_TRUE(parsed.ok());
    parsed->rows.at(where.row).bytes = *row;
    auto laid = jet::lay_out_data_page(*parsed);
    auto bytes = lval.appended_to(base);
    std::copy(laid.begin(), laid.end(),
              bytes.begin() + static_cast<std::ptrdiff_t>(where.page * jet::kPageSize));

    // Our own reader first.
    {
        jet::MemoryFile changed(bytes);
        auto again = jet::Database::open(changed, "");
        ASSERT_TRUE(again.ok());
        auto rows = (*again)->scan(*def);
        ASSERT_TRUE(rows.ok()) << rows.error().message;
        ASSERT_EQ(rows->size(), 1u);
        EXPECT_TRUE((*rows)[0].values[0] == jet::Value(memo));
    }

    auto path = std::filesystem::temp_directory_path() /
                ("lq_long_value_" + file_tag + "_" + std::to_string(::getpid()) + ".mdb");
    {
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
        ASSERT_TRUE(out.good());
    }
    const std::string expected = "col1,col2,col3,col4,col5,col6,col7\n\"" + memo + "\",,,,,,\n";
    const std::string oracle = std::filesystem::path(LQ_FIXTURES_DIR).parent_path().parent_path() /
                               "oracles" / "mdb_reader_export.mjs";
    int checked = 0;
    if (have("mdb-export")) {
        int status = 0;
        std::string got =
            testing_support::run_command("mdb-export '" + path.string() + "' test", &status);
        EXPECT_EQ(status, 0);
        EXPECT_EQ(got.size(), expected.size());
        EXPECT_TRUE(got == expected) << "mdb-export printed " << got.substr(0, 200);
        ++checked;
    }
    if (have("node") && std::filesystem::exists(std::filesystem::path(oracle).parent_path() / ".." /
                                                ".." / "node_modules" / "mdb-reader")) {
        int status = 0;
        std::string got = testing_support::run_command(
            "node '" + oracle + "' '" + path.string() + "' test", &status);
        EXPECT_EQ(status, 0);
        EXPECT_EQ(got.size(), expected.size());
        EXPECT_TRUE(got == expected) << "mdb-reader printed " << got.substr(0, 200);
        ++checked;
    }
    std::filesystem::remove(path);
    if (checked < 2) GTEST_SKIP() << "mdb-export or node with mdb-reader missing";
}

TEST(LongValueWriter, RealReadersReadAHundredThousandCharacterMemo) {
    check_memo_with_real_readers(memo_text(100000, ""), "ascii");
}

TEST(LongValueWriter, RealReadersReadAMemoOfChineseText) {
    check_memo_with_real_readers(memo_text(100000, "岚桥管家"), "chinese");
}

}  // namespace
