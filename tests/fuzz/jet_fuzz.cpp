// Feeds arbitrary bytes to the Jet reader's page, row and long-value parsers. Each input is
// used three ways:
//   1. as pages 1.. after the real header page of a fixture: a file of nothing but input;
//   2. laid over a whole real database: each 4096-byte chunk replaces the fixture page with
//      the same page kind and identity (type, flags, owner or next page, tdef length), so a
//      page cut from a fixture lands where it came from and its mutations are read in place;
//      chunks that match no page are appended;
//   3. as one stored row, decoded with fixed table definitions from the fixtures, and as a
//      long-value reference, resolved through the database of 2.
// Every database is opened, its tables listed, defined and scanned, and a few queries run.
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <vector>

#include "embedded_fixtures.inc"
#include "jet/database.h"
#include "jet/file.h"
#include "jet/format.h"
#include "jet/query.h"
#include "jet/row_codec.h"
#include "jet/table_def.h"

namespace {

using jet::kPageSize;

std::vector<std::uint8_t> bytes_of(const unsigned char* data, std::size_t size) {
    return {data, data + size};
}

// Fixed definitions to decode raw rows with: the catalog has every kind of variable and
// long-value column, the numeric table every kind of fixed one.
struct Fixed {
    std::vector<jet::TableDef> defs;
};

const Fixed& fixed_defs() {
    static const Fixed fixed = [] {
        Fixed f;
        for (auto image : {bytes_of(k_no_password, sizeof k_no_password),
                           bytes_of(k_numeric, sizeof k_numeric)}) {
            jet::MemoryFile file(std::move(image));
            auto db = jet::Database::open(file, "");
            if (!db) __builtin_trap();  // the fixtures themselves must open
            auto tables = (*db)->tables(true);
            if (!tables) __builtin_trap();
            for (const auto& t : *tables) {
                auto def = jet::read_table_def((*db)->pager(), t.definition_page);
                if (def && (t.name == "MSysObjects" || !t.system))
                    f.defs.push_back(std::move(*def));
            }
        }
        if (f.defs.size() < 3) __builtin_trap();
        return f;
    }();
    return fixed;
}

void exercise(jet::Database& db) {
    auto tables = db.tables(true);
    if (!tables) return;
    for (const auto& t : *tables) {
        auto def = jet::read_table_def(db.pager(), t.definition_page);
        if (!def) continue;
        auto rows = db.scan(*def);
        (void)rows;
    }
    static constexpr const char* kQueries[] = {
        "MSysObjects where Type = 1 order by Name",
        "Table1 where ID > 1 and not (Data = 'Two') order by Data desc, ID",
        "Table1 where Data <> null or ID <= 2",
        "MSysObjects where Flags < 0 or Id >= 5 order by Id desc",
        "Table where a = 'x' or b < 3",
    };
    for (const char* q : kQueries) {
        auto sel = jet::select(db, q);
        (void)sel;
    }
}

void open_and_exercise(std::vector<std::uint8_t> image) {
    jet::MemoryFile file(std::move(image));
    auto db = jet::Database::open(file, "");
    if (db) exercise(**db);
}

bool same_identity(const std::uint8_t* a, const std::uint8_t* b) {
    return a[0] == b[0] && a[1] == b[1] && std::memcmp(a + 4, b + 4, 8) == 0;
}

std::vector<std::uint8_t> overlay(const std::uint8_t* data, std::size_t size) {
    std::vector<std::uint8_t> image = bytes_of(k_no_password, sizeof k_no_password);
    const std::size_t fixture_pages = image.size() / kPageSize;
    for (std::size_t at = 0; at < size; at += kPageSize) {
        std::array<std::uint8_t, kPageSize> chunk{};
        std::copy_n(data + at, std::min(kPageSize, size - at), chunk.begin());
        std::optional<std::size_t> target;
        for (std::size_t p = 1; p < fixture_pages && !target; ++p)
            if (same_identity(k_no_password + p * kPageSize, chunk.data())) target = p;
        if (target) {
            std::copy(chunk.begin(), chunk.end(),
                      image.begin() + static_cast<std::ptrdiff_t>(*target * kPageSize));
        } else {
            image.insert(image.end(), chunk.begin(), chunk.end());
        }
    }
    return image;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const Fixed& fixed = fixed_defs();

    // 1. Pages after a real header page.
    std::vector<std::uint8_t> appended(k_no_password, k_no_password + kPageSize);
    appended.insert(appended.end(), data, data + size);
    appended.resize((appended.size() + kPageSize - 1) / kPageSize * kPageSize);
    open_and_exercise(std::move(appended));

    // 2. Pages over a real database.
    jet::MemoryFile file(overlay(data, size));
    auto pager = jet::Pager::open(file);
    if (!pager) __builtin_trap();  // page 0 is never replaced
    {
        jet::Database db(std::move(*pager));
        // Open checks the catalog first; the catalog can be broken and tables still read.
        exercise(db);

        // 3. The input as a row and as a long-value reference.
        jet::Bytes raw(data, size);
        for (const auto& def : fixed.defs) {
            auto values = jet::decode_row(db.pager(), def, raw);
            (void)values;
        }
        auto lv = jet::read_long_value(db.pager(), raw);
        (void)lv;
    }
    return 0;
}
