// Integer-key index pages: the indexes Access wrote, and indexes we lay out, read back.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <random>
#include <set>

#include "jet/database.h"
#include "jet/index_page.h"
#include "tests/jet/fixture_files.h"

namespace {

using jet::IndexEntry;
using jet::IndexPageImage;
using jet::kPageSize;
using jet::RowPointer;
using testing_support::fixture_bytes;

std::string password_of(const std::string& fixture) {
    return fixture == "with-password.mdb" ? "password" : "";
}

// An index of one Long Integer column, as the table definition names it.
struct IntegerIndex {
    std::string table;
    std::uint32_t tdef_page = 0;
    std::uint16_t column = 0;  // position in the table's columns
    jet::RealIndex real;
};

std::vector<IntegerIndex> integer_indexes(jet::Database& db) {
    std::vector<IntegerIndex> out;
    auto tables = db.tables(true);
    EXPECT_TRUE(tables.ok());
    if (!tables.ok()) return out;
    for (const auto& t : *tables) {
        auto def = db.table(t.name);
        EXPECT_TRUE(def.ok()) << t.name;
        if (!def.ok()) continue;
        for (const auto& ri : def->real_indexes) {
            if (ri.columns.size() != 1) continue;
            for (std::size_t c = 0; c < def->columns.size(); ++c)
                if (def->columns[c].number == ri.columns[0].column_number &&
                    def->columns[c].type == jet::ColumnType::long_integer &&
                    ri.columns[0].ascending)
                    out.push_back({t.name, def->page, static_cast<std::uint16_t>(c), ri});
        }
    }
    return out;
}

// What the index must hold: one entry per live row, in index order.
std::vector<IndexEntry> expected_entries(jet::Database& db, const IntegerIndex& ix) {
    auto def = db.table(ix.table);
    EXPECT_TRUE(def.ok());
    auto records = db.scan(*def);
    EXPECT_TRUE(records.ok());
    std::vector<IndexEntry> out;
    for (const auto& r : *records) {
        const auto& v = r.values[ix.column];
        IndexEntry e{std::nullopt, r.where};
        if (auto* i = std::get_if<std::int64_t>(&v)) e.key = static_cast<std::int32_t>(*i);
        out.push_back(e);
    }
    std::sort(out.begin(), out.end(), jet::index_entry_less);
    return out;
}

struct Opened {
    jet::MemoryFile file;
    std::unique_ptr<jet::Database> db;
};

std::unique_ptr<Opened> open_fixture(const std::string& name) {
    auto o = std::make_unique<Opened>();
    o->file = jet::MemoryFile(fixture_bytes(name));
    auto db = jet::Database::open(o->file, password_of(name));
    EXPECT_TRUE(db.ok()) << name;
    if (db.ok()) o->db = std::move(*db);
    return o;
}

// A file whose pages are a fixture's, grown and overwritten with `images`.
std::vector<std::uint8_t> file_with(const std::vector<IndexPageImage>& images,
                                    std::uint32_t min_pages = 0) {
    std::vector<std::uint8_t> bytes = fixture_bytes("empty.mdb");
    std::uint32_t pages = static_cast<std::uint32_t>(bytes.size() / kPageSize);
    for (const auto& im : images)
        pages = std::max(pages, im.page + 1);
    pages = std::max(pages, min_pages);
    bytes.resize(std::size_t{pages} * kPageSize);
    for (const auto& im : images)
        std::copy(im.bytes.begin(), im.bytes.end(),
                  bytes.begin() + std::size_t{im.page} * kPageSize);
    return bytes;
}

jet::Result<std::vector<IndexEntry>> read_back(const std::vector<std::uint8_t>& bytes,
                                               std::uint32_t root) {
    jet::MemoryFile file(bytes);
    auto pager = jet::Pager::open(file);
    if (!pager) return pager.error();
    return jet::read_integer_index(**pager, root);
}

// A pool that hands out pages counting up from `first`.
jet::IndexPagePool counting_pool(std::vector<std::uint32_t> old, std::uint32_t first) {
    auto next = std::make_shared<std::uint32_t>(first);
    return jet::IndexPagePool(std::move(old),
                              [next]() -> jet::Result<std::uint32_t> { return (*next)++; });
}

// Keys with nulls, negatives, duplicates; row pointers spread over pages.
std::vector<IndexEntry> make_entries(std::size_t n, std::uint32_t seed) {
    std::mt19937 rng(seed);
    std::vector<IndexEntry> out;
    for (std::size_t i = 0; i < n; ++i) {
        IndexEntry e;
        auto r = rng();
        if (r % 50 != 0) {
            // A narrow range for some keys so that duplicates occur, the full range for others.
            e.key = (r % 3 == 0) ? static_cast<std::int32_t>(rng() % 200) - 100
                                 : static_cast<std::int32_t>(rng());
        }
        e.row = RowPointer{static_cast<std::uint32_t>(i / 200 + 1) * 7 % 0xFFFFFF,
                           static_cast<std::uint8_t>(i % 200)};
        out.push_back(e);
    }
    std::sort(out.begin(), out.end(), jet::index_entry_less);
    out.erase(std::unique(out.begin(), out.end()), out.end());
    return out;
}

std::string hex(const std::uint8_t* p, std::size_t n) {
    static const char* d = "0123456789abcdef";
    std::string s;
    for (std::size_t i = 0; i < n; ++i) {
        s += d[p[i] >> 4];
        s += d[p[i] & 15];
    }
    return s;
}

TEST(IndexKeys, EncodeDecodeAndOrder) {
    auto bytes = [](std::optional<std::int32_t> k, bool asc = true) {
        auto e = jet::encode_integer_key(k, asc);
        return hex(e.bytes.data(), e.size);
    };
    EXPECT_EQ(bytes(1), "7f80000001");
    EXPECT_EQ(bytes(0), "7f80000000");
    EXPECT_EQ(bytes(-1), "7f7fffffff");
    EXPECT_EQ(bytes(INT32_MIN), "7f00000000");
    EXPECT_EQ(bytes(INT32_MAX), "7fffffffff");
    EXPECT_EQ(bytes(0x0F000001), "7f8f000001");  // an MSysObjects Id as Access stores it
    EXPECT_EQ(bytes(std::nullopt), "00");
    EXPECT_EQ(bytes(1, false), "807ffffffe");
    EXPECT_EQ(bytes(std::nullopt, false), "ff");

    std::vector<std::optional<std::int32_t>> keys{std::nullopt, INT32_MIN, -70000, -1,       0, 1,
                                                  255,          256,       70000,  INT32_MAX};
    for (std::size_t i = 0; i < keys.size(); ++i) {
        for (bool asc : {true, false}) {
            auto e = jet::encode_integer_key(keys[i], asc);
            auto d = jet::decode_integer_key(e.view());
            ASSERT_TRUE(d.ok());
            EXPECT_EQ(d->key, keys[i]);
            EXPECT_EQ(d->size, e.size);
            EXPECT_EQ(d->ascending, asc);
        }
        if (i == 0) continue;
        // Byte order is key order ascending, and the reverse descending.
        auto a = jet::encode_integer_key(keys[i - 1]), b = jet::encode_integer_key(keys[i]);
        EXPECT_TRUE(std::lexicographical_compare(a.bytes.begin(), a.bytes.begin() + a.size,
                                                 b.bytes.begin(), b.bytes.begin() + b.size));
        auto ad = jet::encode_integer_key(keys[i - 1], false),
             bd = jet::encode_integer_key(keys[i], false);
        EXPECT_TRUE(std::lexicographical_compare(bd.bytes.begin(), bd.bytes.begin() + bd.size,
                                                 ad.bytes.begin(), ad.bytes.begin() + ad.size));
    }
    const std::uint8_t bad_flag[] = {0x42, 0, 0, 0, 1};
    EXPECT_FALSE(jet::decode_integer_key(bad_flag).ok());
    const std::uint8_t short_key[] = {0x7F, 0x80, 0x00};
    EXPECT_FALSE(jet::decode_integer_key(short_key).ok());
    EXPECT_FALSE(jet::decode_integer_key(jet::Bytes{}).ok());
}

TEST(IndexFixtures, IndexesListExactlyTheLiveRows) {
    std::size_t checked = 0;
    for (const auto& name : testing_support::fixture_names()) {
        auto o = open_fixture(name);
        if (!o->db) continue;
        for (const auto& ix : integer_indexes(*o->db)) {
            SCOPED_TRACE(name + " " + ix.table);
            auto got = jet::read_integer_index(o->db->pager(), ix.real.root_page);
            ASSERT_TRUE(got.ok()) << got.error().message;
            EXPECT_EQ(*got, expected_entries(*o->db, ix));
            auto pages = jet::index_page_numbers(o->db->pager(), ix.real.root_page);
            ASSERT_TRUE(pages.ok());
            EXPECT_EQ(*pages, std::vector<std::uint32_t>{ix.real.root_page});
            ++checked;
        }
    }
    // Every fixture has at least MSysObjects Id, MSysACEs ObjectId and AOIndex.
    EXPECT_GE(checked, 3 * testing_support::fixture_names().size());

    // Table1 of no-password.mdb, by hand: IDs 1..3 on data page 31, rows 0..2.
    auto o = open_fixture("no-password.mdb");
    auto def = o->db->table("Table1");
    ASSERT_TRUE(def.ok());
    auto got = jet::read_integer_index(o->db->pager(), def->real_indexes.at(0).root_page);
    ASSERT_TRUE(got.ok());
    std::vector<IndexEntry> want{{1, {31, 0}}, {2, {31, 1}}, {3, {31, 2}}};
    EXPECT_EQ(*got, want);

    // deleted-rows.mdb: only live rows are indexed (the deleted ones left MSysObjects too).
    auto d = open_fixture("deleted-rows.mdb");
    auto objects = d->db->table("MSysObjects");
    ASSERT_TRUE(objects.ok());
    auto ids = jet::read_integer_index(d->db->pager(), objects->real_indexes.at(1).root_page);
    ASSERT_TRUE(ids.ok());
    auto rows = d->db->scan(*objects);
    ASSERT_TRUE(rows.ok());
    EXPECT_EQ(ids->size(), rows->size());
}

// Laying out an index Access wrote gives Access's page, byte for byte.
TEST(IndexFixtures, LayoutMatchesAccessPages) {
    std::size_t compared = 0;
    for (const auto& name : testing_support::fixture_names()) {
        auto o = open_fixture(name);
        if (!o->db) continue;
        for (const auto& ix : integer_indexes(*o->db)) {
            SCOPED_TRACE(name + " " + ix.table);
            auto entries = jet::read_integer_index(o->db->pager(), ix.real.root_page);
            ASSERT_TRUE(entries.ok());
            auto old = jet::index_page_numbers(o->db->pager(), ix.real.root_page);
            ASSERT_TRUE(old.ok());
            auto pool = counting_pool(*old, 1000000);
            auto images = jet::build_integer_index(*entries, ix.tdef_page, pool);
            ASSERT_TRUE(images.ok()) << images.error().message;
            ASSERT_EQ(images->size(), 1u);
            EXPECT_EQ(images->front().page, ix.real.root_page);
            EXPECT_TRUE(pool.leftover().empty());
            EXPECT_TRUE(pool.allocated().empty());
            auto real = o->db->pager().page(ix.real.root_page);
            ASSERT_TRUE(real.ok());
            const auto& mine = images->front().bytes;
            // Header, mask and entries must match; past the last entry Access leaves whatever
            // the page held before, where we write zeros.
            std::size_t end = kPageSize - jet::load_u16(real->data() + 2);
            ASSERT_LE(end, kPageSize);
            for (std::size_t i = 0; i < end; ++i)
                ASSERT_EQ(mine[i], (*real)[i]) << "first difference at offset " << i;
            EXPECT_TRUE(std::all_of(mine.begin() + static_cast<std::ptrdiff_t>(end), mine.end(),
                                    [](std::uint8_t b) { return b == 0; }));
            ++compared;
        }
    }
    EXPECT_GE(compared, 3 * testing_support::fixture_names().size());
}

struct Shape {
    std::size_t leaves = 0, nodes = 0, levels = 0;
};

// Decodes every page of a layout and checks its links; returns its shape.
Shape check_layout(const std::vector<IndexPageImage>& images, std::uint32_t tdef) {
    Shape s;
    std::map<std::uint32_t, jet::DecodedIndexPage> pages;
    for (const auto& im : images) {
        auto p = jet::decode_index_page(im.bytes);
        EXPECT_TRUE(p.ok());
        if (!p.ok()) return s;
        EXPECT_EQ(p->header.owner, tdef);
        EXPECT_EQ(im.bytes[1], 0x01);
        EXPECT_EQ(p->prefix_length, 0);
        // Free space is what the last entry leaves of the page.
        std::size_t used = 0;
        for (const auto& e : p->entries)
            used += (e.entry.key ? 5u : 1u) + 4u + (p->header.leaf ? 0u : 4u);
        EXPECT_EQ(p->free_space, jet::indexpage::kEntrySpace - used);
        (p->header.leaf ? s.leaves : s.nodes)++;
        EXPECT_TRUE(pages.emplace(im.page, std::move(*p)).second) << "page used twice";
    }
    // Leaves: one chain end to end, prev mirroring next.
    std::uint32_t first = 0;
    for (const auto& [n, p] : pages)
        if (p.header.leaf && p.header.prev == 0) {
            EXPECT_EQ(first, 0u) << "two chain heads";
            first = n;
        }
    std::size_t chain = 0;
    std::uint32_t prev = 0;
    for (std::uint32_t n = first; n != 0 && chain <= pages.size(); n = pages.at(n).header.next) {
        EXPECT_EQ(pages.at(n).header.prev, prev);
        EXPECT_TRUE(pages.at(n).header.leaf);
        EXPECT_FALSE(pages.at(n).entries.empty() && pages.size() > 1);
        prev = n;
        ++chain;
    }
    EXPECT_EQ(chain, s.leaves);
    // Levels from the root down; node entries name their child's last entry.
    std::vector<std::uint32_t> level{images.front().page};
    while (true) {
        ++s.levels;
        const auto& head = pages.at(level.front());
        if (head.header.leaf) break;
        std::vector<std::uint32_t> next;
        for (std::uint32_t n : level) {
            const auto& p = pages.at(n);
            EXPECT_FALSE(p.header.leaf);
            EXPECT_NE(p.header.tail, 0u);
            for (const auto& e : p.entries) {
                const auto* c = &pages.at(e.child);
                while (!c->header.leaf)
                    c = &pages.at(c->header.tail);
                EXPECT_EQ(c->entries.back().entry, e.entry);
                next.push_back(e.child);
            }
            next.push_back(p.header.tail);
        }
        level = next;
    }
    return s;
}

TEST(IndexBuild, RoundTripsAtEverySize) {
    struct Case {
        std::size_t n;
        std::size_t levels;
    };
    for (Case c : {Case{0, 1}, Case{1, 1}, Case{3, 1}, Case{401, 1}, Case{500, 2}, Case{10000, 2},
                   Case{100000, 2}, Case{120000, 3}}) {
        SCOPED_TRACE(c.n);
        auto entries = make_entries(c.n, static_cast<std::uint32_t>(c.n) + 7);
        if (c.n == 401) {
            // Exactly one full leaf of non-null keys.
            entries.clear();
            for (std::int32_t i = 0; i < 401; ++i)
                entries.push_back({i - 200, {5, static_cast<std::uint8_t>(i % 256)}});
            std::sort(entries.begin(), entries.end(), jet::index_entry_less);
        }
        if (c.n >= 500) {
            ASSERT_GT(std::count(entries.begin(), entries.end(), IndexEntry{}) +
                          std::count_if(entries.begin(), entries.end(),
                                        [](const IndexEntry& e) { return !e.key; }),
                      0);
        }
        auto pool = counting_pool({}, 30);
        auto images = jet::build_integer_index(entries, 17, pool);
        ASSERT_TRUE(images.ok()) << images.error().message;
        EXPECT_EQ(images->front().page, 30u);
        EXPECT_EQ(pool.allocated().size(), images->size());
        Shape s = check_layout(*images, 17);
        EXPECT_EQ(s.levels, c.levels);
        auto bytes = file_with(*images);
        auto back = read_back(bytes, 30);
        ASSERT_TRUE(back.ok()) << back.error().message;
        ASSERT_EQ(back->size(), entries.size());
        EXPECT_TRUE(*back == entries);
        jet::MemoryFile file(bytes);
        auto pager = jet::Pager::open(file);
        ASSERT_TRUE(pager.ok());
        auto numbers = jet::index_page_numbers(**pager, 30);
        ASSERT_TRUE(numbers.ok());
        std::set<std::uint32_t> a(numbers->begin(), numbers->end()), b;
        for (const auto& im : *images)
            b.insert(im.page);
        EXPECT_EQ(a, b);
        EXPECT_EQ(numbers->front(), 30u);
    }

    // Nulls first, negatives before positives, duplicate keys by row pointer.
    std::vector<IndexEntry> mixed{{std::nullopt, {9, 1}},
                                  {std::nullopt, {9, 2}},
                                  {-5, {3, 0}},
                                  {-5, {3, 1}},
                                  {-5, {4, 0}},
                                  {0, {2, 0}},
                                  {7, {1, 9}}};
    auto pool = counting_pool({}, 30);
    auto images = jet::build_integer_index(mixed, 17, pool);
    ASSERT_TRUE(images.ok());
    EXPECT_EQ(hex(images->front().bytes.data() + 0x1E0, 5 + 5 + 9),
              "00000009010000000902"
              "7f7ffffffb00000300");
    auto back = read_back(file_with(*images), 30);
    ASSERT_TRUE(back.ok());
    EXPECT_EQ(*back, mixed);

    // Unsorted or repeated input is refused, not laid out wrong.
    std::vector<IndexEntry> unsorted{{2, {1, 0}}, {1, {1, 1}}};
    EXPECT_FALSE(jet::build_integer_index(unsorted, 17, pool).ok());
    std::vector<IndexEntry> repeated{{2, {1, 0}}, {2, {1, 0}}};
    EXPECT_FALSE(jet::build_integer_index(repeated, 17, pool).ok());
    std::vector<IndexEntry> far{{2, {0x1000000, 0}}};
    EXPECT_FALSE(jet::build_integer_index(far, 17, pool).ok());
}

TEST(IndexBuild, ReusesOldPagesAndKeepsTheRoot) {
    auto big = make_entries(10000, 1);
    auto pool = counting_pool({}, 30);
    auto first = jet::build_integer_index(big, 17, pool);
    ASSERT_TRUE(first.ok());
    auto bytes = file_with(*first);
    jet::MemoryFile file(bytes);
    auto pager = jet::Pager::open(file);
    ASSERT_TRUE(pager.ok());
    auto old = jet::index_page_numbers(**pager, 30);
    ASSERT_TRUE(old.ok());
    ASSERT_EQ(old->size(), first->size());

    // Shrinking: the root keeps its number, the rest is left over for the caller to free.
    auto shrink_pool = counting_pool(*old, 5000);
    auto small = make_entries(3, 2);
    auto shrunk = jet::build_integer_index(small, 17, shrink_pool);
    ASSERT_TRUE(shrunk.ok());
    ASSERT_EQ(shrunk->size(), 1u);
    EXPECT_EQ(shrunk->front().page, 30u);
    EXPECT_EQ(shrink_pool.leftover().size(), old->size() - 1);
    EXPECT_TRUE(shrink_pool.allocated().empty());
    EXPECT_EQ(*read_back(file_with(*shrunk), 30), small);

    // Growing: every old page is used before any new one.
    auto grow_pool = counting_pool(*old, 5000);
    auto more = make_entries(100000, 3);
    auto grown = jet::build_integer_index(more, 17, grow_pool);
    ASSERT_TRUE(grown.ok());
    EXPECT_TRUE(grow_pool.leftover().empty());
    EXPECT_EQ(grow_pool.allocated().size(), grown->size() - old->size());
    EXPECT_EQ(grown->front().page, 30u);
    std::set<std::uint32_t> used;
    for (const auto& im : *grown)
        used.insert(im.page);
    for (std::uint32_t p : *old)
        EXPECT_TRUE(used.count(p));
    auto back = read_back(file_with(*grown, 5000 + 300), 30);
    ASSERT_TRUE(back.ok()) << back.error().message;
    EXPECT_TRUE(*back == more);

    // A pool with nothing to give fails the layout instead of reusing a page twice.
    jet::IndexPagePool empty({30}, nullptr);
    EXPECT_FALSE(jet::build_integer_index(more, 17, empty).ok());
}

TEST(IndexPages, SharedPrefixIsReadAndWritten) {
    // Keys 1..4 on page 261 share 7f 80 00 00; each entry after the first keeps 5 bytes.
    std::vector<jet::IndexPageEntry> entries;
    for (std::uint8_t i = 1; i <= 4; ++i)
        entries.push_back({{i, {261, static_cast<std::uint8_t>(i + 2)}}, 0, true});
    jet::IndexPageHeader h;
    h.owner = 17;
    auto page = jet::encode_index_page(h, entries, 4);
    ASSERT_TRUE(page.ok());
    EXPECT_EQ(hex(page->data() + 0x1E0, 9 + 5), "7f80000001000105030200010504");
    EXPECT_EQ(jet::load_u16(page->data() + 0x18), 4);
    EXPECT_EQ(jet::load_u16(page->data() + 2), jet::indexpage::kEntrySpace - (9 + 3 * 5));
    // Entry ends at 9, 14, 19, 24 past the entry start, low bit first.
    EXPECT_EQ(hex(page->data() + 0x1B, 4), "00420801");
    auto decoded = jet::decode_index_page(*page);
    ASSERT_TRUE(decoded.ok());
    EXPECT_EQ(decoded->entries, entries);

    auto back = read_back(file_with({IndexPageImage{30, *page}}), 30);
    ASSERT_TRUE(back.ok());
    ASSERT_EQ(back->size(), 4u);
    EXPECT_EQ(back->at(3), (IndexEntry{4, {261, 6}}));

    // A prefix the entries do not share, or too many entries, is refused.
    EXPECT_FALSE(jet::encode_index_page(h, entries, 5).ok());
    std::vector<jet::IndexPageEntry> many;
    for (std::int32_t i = 0; i < 402; ++i)
        many.push_back({{i, {1, 0}}, 0, true});
    EXPECT_FALSE(jet::encode_index_page(h, many).ok());
    many.pop_back();
    EXPECT_TRUE(jet::encode_index_page(h, many).ok());
}

TEST(IndexPages, HostilePagesAreErrors) {
    auto entries = make_entries(10000, 9);
    auto pool = counting_pool({}, 30);
    auto images = jet::build_integer_index(entries, 17, pool);
    ASSERT_TRUE(images.ok());
    const auto good = file_with(*images);
    ASSERT_TRUE(read_back(good, 30).ok());
    auto decoded_root = jet::decode_index_page(images->front().bytes);
    ASSERT_TRUE(decoded_root.ok());
    ASSERT_FALSE(decoded_root->header.leaf);
    const std::uint32_t first_leaf = decoded_root->entries.front().child;
    const std::uint32_t last_leaf = decoded_root->header.tail;
    const std::uint32_t page_count = static_cast<std::uint32_t>(good.size() / kPageSize);

    auto at = [](std::vector<std::uint8_t>& b, std::uint32_t page, std::size_t off) {
        return b.data() + std::size_t{page} * kPageSize + off;
    };
    auto fails = [&](const char* what, const char* expect, auto mutate) {
        auto bad = good;
        mutate(bad);
        auto r = read_back(bad, 30);
        EXPECT_FALSE(r.ok()) << what;
        if (!r.ok()) {
            EXPECT_EQ(r.error().code, jet::Errc::corrupt) << what;
            EXPECT_NE(r.error().message.find(expect), std::string::npos)
                << what << ": " << r.error().message;
        }
    };

    // The first entry's end in the mask, and a bit inside that entry.
    std::size_t first_end = 0;
    while (!(good[std::size_t{first_leaf} * kPageSize + 0x1B + first_end / 8] &
             (1u << (first_end % 8))))
        ++first_end;
    ASSERT_GE(first_end, 5u);
    fails("mask bit cleared: two entries run together", "impossible length", [&](auto& b) {
        *at(b, first_leaf, 0x1B + first_end / 8) &=
            static_cast<std::uint8_t>(~(1u << (first_end % 8)));
    });
    fails("mask bit added inside an entry", "impossible length", [&](auto& b) {
        *at(b, first_leaf, 0x1B + (first_end - 2) / 8) |=
            static_cast<std::uint8_t>(1u << ((first_end - 2) % 8));
    });
    fails("mask bit past the page", "past the page",
          [&](auto& b) { *at(b, first_leaf, 0x1DF) |= 0x80; });
    fails("child page past the end", "past the end", [&](auto& b) {
        jet::store_u32(at(b, 30, 0x14), 0);  // drop the tail, then point the first child away
        std::size_t child_at = decoded_root->entries.front().entry.key ? 9 : 5;
        std::uint8_t* child = at(b, 30, 0x1E0 + child_at);
        std::uint32_t far = page_count + 5;
        child[0] = 0, child[1] = static_cast<std::uint8_t>(far >> 16),
        child[2] = static_cast<std::uint8_t>(far >> 8), child[3] = static_cast<std::uint8_t>(far);
    });
    fails("child tail past the end", "past the end",
          [&](auto& b) { jet::store_u32(at(b, 30, 0x14), page_count + 1); });
    fails("child is the root itself", "loop",
          [&](auto& b) { jet::store_u32(at(b, 30, 0x14), 30); });
    fails("next-page loop", "loop",
          [&](auto& b) { jet::store_u32(at(b, last_leaf, 0x10), first_leaf); });
    fails("leaf links to itself", "loop",
          [&](auto& b) { jet::store_u32(at(b, last_leaf, 0x10), last_leaf); });
    fails("chain runs back into the root", "loop",
          [&](auto& b) { jet::store_u32(at(b, last_leaf, 0x10), 30); });
    fails("entries out of order", "out of order", [&](auto& b) {
        std::uint8_t* e = at(b, last_leaf, 0x1E0);  // the last leaf holds no null keys
        std::swap_ranges(e, e + 9, e + 9);
    });
    fails("page of another table", "another table",
          [&](auto& b) { jet::store_u32(at(b, last_leaf, 4), 99); });
    fails("prefix longer than the first entry", "prefix longer",
          [&](auto& b) { jet::store_u16(at(b, first_leaf, 0x18), 40); });
    fails("unknown key flag", "flag", [&](auto& b) { *at(b, first_leaf, 0x1E0) = 0x42; });
    fails("leaf with a child tail", "names a child",
          [&](auto& b) { jet::store_u32(at(b, last_leaf, 0x14), 31); });
    fails("root is a data page", "not an index page", [&](auto& b) { *at(b, 30, 0) = 0x01; });

    // A loop on a page Access wrote: Table1's only leaf pointing at itself.
    auto bytes = fixture_bytes("no-password.mdb");
    jet::store_u32(bytes.data() + 32 * kPageSize + 0x10, 32);
    auto r = read_back(bytes, 32);
    ASSERT_FALSE(r.ok());
    EXPECT_EQ(r.error().code, jet::Errc::corrupt);
    EXPECT_FALSE(read_back(fixture_bytes("no-password.mdb"), 1u << 30).ok());

    // Random damage to a page never reads outside it: the result is a value either way, and a
    // page that still decodes lists entries that fit.
    std::mt19937 rng(5);
    for (int round = 0; round < 2000; ++round) {
        jet::PageBytes page = images->at(1).bytes;
        for (int k = 0; k < 4; ++k)
            page[rng() % kPageSize] = static_cast<std::uint8_t>(rng());
        auto d = jet::decode_index_page(page);
        if (d.ok()) {
            EXPECT_LE(d->entries.size(), jet::indexpage::kEntrySpace / 5);
        }
    }
}

}  // namespace
