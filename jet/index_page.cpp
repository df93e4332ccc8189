#include "jet/index_page.h"

#include <algorithm>
#include <functional>
#include <string>
#include <unordered_set>

#include "jet/format.h"

namespace jet {

namespace {

using namespace indexpage;

constexpr std::size_t kMaskSize = kEntriesOffset - kMaskOffset;
constexpr std::size_t kLeafEntrySize = kKeySize + kRowPointerSize;
constexpr std::size_t kNodeEntrySize = kLeafEntrySize + kChildSize;
// Sized for the longest entry, so that an even split of any run of entries fits.
constexpr std::size_t kLeafCapacity = kEntrySpace / kLeafEntrySize;
// A node page holds that many entries plus the child tail, which takes no entry.
constexpr std::size_t kNodeChildren = kEntrySpace / kNodeEntrySize + 1;
constexpr std::uint8_t kAscending = 0x7F;
constexpr std::uint8_t kDescending = 0x80;
constexpr std::uint8_t kNullAscending = 0x00;
constexpr std::uint8_t kNullDescending = 0xFF;

Error corrupt(std::uint32_t page, const std::string& what) {
    return make_error(Errc::corrupt, "index page " + std::to_string(page) + ": " + what);
}

// The bytes by which entries sort: key then row pointer.
struct SortBytes {
    std::array<std::uint8_t, kLeafEntrySize> bytes{};
    std::size_t size = 0;
    bool operator<(const SortBytes& o) const {
        return std::lexicographical_compare(bytes.begin(), bytes.begin() + size, o.bytes.begin(),
                                            o.bytes.begin() + o.size);
    }
};

void put_row(std::uint8_t* p, RowPointer row) {
    p[0] = static_cast<std::uint8_t>(row.page >> 16);
    p[1] = static_cast<std::uint8_t>(row.page >> 8);
    p[2] = static_cast<std::uint8_t>(row.page);
    p[3] = row.row;
}

void put_be32(std::uint8_t* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<std::uint8_t>(v >> (8 * (3 - i)));
}

std::uint32_t get_be32(const std::uint8_t* p) {
    return (static_cast<std::uint32_t>(p[0]) << 24) | (static_cast<std::uint32_t>(p[1]) << 16) |
           (static_cast<std::uint32_t>(p[2]) << 8) | p[3];
}

SortBytes sort_bytes(const IndexEntry& e, bool ascending) {
    SortBytes s;
    EncodedKey k = encode_integer_key(e.key, ascending);
    std::copy(k.bytes.begin(), k.bytes.begin() + k.size, s.bytes.begin());
    put_row(s.bytes.data() + k.size, e.row);
    s.size = k.size + kRowPointerSize;
    return s;
}

// The full bytes of one entry as it sorts and is stored, child page included.
struct EntryBytes {
    std::array<std::uint8_t, kNodeEntrySize> bytes{};
    std::size_t size = 0;
};

Result<EntryBytes> entry_bytes(const IndexPageEntry& e, bool leaf) {
    if (e.entry.row.page > 0xFFFFFFu)
        return make_error(Errc::full, "row page number does not fit an index entry");
    EntryBytes out;
    SortBytes s = sort_bytes(e.entry, e.ascending);
    std::copy(s.bytes.begin(), s.bytes.begin() + s.size, out.bytes.begin());
    out.size = s.size;
    if (!leaf) {
        put_be32(out.bytes.data() + out.size, e.child);
        out.size += kChildSize;
    }
    return out;
}

// Reads the pages of one index level and the next one down, bounded by `seen`.
struct Walk {
    std::vector<std::uint32_t> pages;  // root first, level by level, then chain-only leaves
    std::vector<IndexEntry> entries;
};

Result<DecodedIndexPage> load(Pager& pager, std::uint32_t number,
                              std::unordered_set<std::uint32_t>& seen, std::uint32_t owner) {
    if (!seen.insert(number).second) return corrupt(number, "index pages link in a loop");
    auto bytes = pager.page(number);
    if (!bytes) return corrupt(number, bytes.error().message);
    auto page = decode_index_page(*bytes);
    if (!page) return corrupt(number, page.error().message);
    if (page->header.owner != owner) return corrupt(number, "belongs to another table");
    return page;
}

Status take_leaf(const DecodedIndexPage& page, std::uint32_t number, Walk& walk,
                 std::optional<SortBytes>& last) {
    for (const auto& e : page.entries) {
        SortBytes s = sort_bytes(e.entry, e.ascending);
        if (last && !(*last < s)) return corrupt(number, "entries out of order");
        last = s;
        walk.entries.push_back(e.entry);
    }
    return {};
}

Result<Walk> walk_index(Pager& pager, std::uint32_t root, bool want_entries) {
    Walk walk;
    std::unordered_set<std::uint32_t> seen;
    JET_ASSIGN(Bytes root_bytes, pager.page(root));
    auto owner = u32_at(root_bytes, kOwnerOffset);
    std::vector<std::uint32_t> level{root};
    std::vector<DecodedIndexPage> pages;
    std::vector<DecodedIndexPage> leaves;
    std::vector<std::uint32_t> leaf_numbers;
    // Level by level: every page of a level is of one kind, so the leaves come in order.
    while (!level.empty()) {
        pages.clear();
        for (std::uint32_t n : level) {
            JET_ASSIGN(DecodedIndexPage p, load(pager, n, seen, *owner));
            walk.pages.push_back(n);
            pages.push_back(std::move(p));
        }
        bool leaf = pages.front().header.leaf;
        for (std::size_t i = 0; i < pages.size(); ++i)
            if (pages[i].header.leaf != leaf)
                return corrupt(level[i], "leaf and node pages mixed on one level");
        if (leaf) {
            leaves = std::move(pages);
            leaf_numbers = std::move(level);
            break;
        }
        std::vector<std::uint32_t> below;
        for (std::size_t i = 0; i < pages.size(); ++i) {
            const auto& p = pages[i];
            for (const auto& e : p.entries)
                below.push_back(e.child);
            if (p.header.tail != 0) below.push_back(p.header.tail);
            if (p.entries.empty() && p.header.tail == 0)
                return corrupt(level[i], "node page without children");
        }
        level = std::move(below);
    }

    std::optional<SortBytes> last;
    for (std::size_t i = 0; i < leaves.size(); ++i) {
        if (i + 1 < leaves.size() && leaves[i].header.next != leaf_numbers[i + 1])
            return corrupt(leaf_numbers[i], "leaf chain disagrees with the tree");
        if (want_entries) JET_TRY(take_leaf(leaves[i], leaf_numbers[i], walk, last));
    }
    // Leaves appended at the end may hang off the chain only, not yet in the tree.
    for (std::uint32_t n = leaves.back().header.next; n != 0;) {
        JET_ASSIGN(DecodedIndexPage p, load(pager, n, seen, *owner));
        if (!p.header.leaf) return corrupt(n, "leaf chain reaches a node page");
        walk.pages.push_back(n);
        if (want_entries) JET_TRY(take_leaf(p, n, walk, last));
        n = p.header.next;
    }
    return walk;
}

// Splits `count` items into the fewest runs of at most `capacity`, as even as can be.
std::vector<std::size_t> even_runs(std::size_t count, std::size_t capacity) {
    std::size_t runs = std::max<std::size_t>(1, (count + capacity - 1) / capacity);
    std::vector<std::size_t> sizes(runs, count / runs);
    for (std::size_t i = 0; i < count % runs; ++i)
        ++sizes[i];
    return sizes;
}

}  // namespace

bool index_entry_less(const IndexEntry& a, const IndexEntry& b) {
    if (a.key != b.key) return a.key < b.key;  // nullopt sorts first
    if (a.row.page != b.row.page) return a.row.page < b.row.page;
    return a.row.row < b.row.row;
}

EncodedKey encode_integer_key(std::optional<std::int32_t> key, bool ascending) {
    EncodedKey k;
    if (!key) {
        k.bytes[0] = ascending ? kNullAscending : kNullDescending;
        k.size = 1;
        return k;
    }
    k.bytes[0] = ascending ? kAscending : kDescending;
    std::uint32_t v = static_cast<std::uint32_t>(*key) ^ 0x80000000u;
    if (!ascending) v = ~v;
    put_be32(k.bytes.data() + 1, v);
    k.size = kKeySize;
    return k;
}

Result<DecodedKey> decode_integer_key(Bytes bytes) {
    auto flag = u8_at(bytes, 0);
    if (!flag) return make_error(Errc::corrupt, "index key missing");
    DecodedKey d;
    switch (*flag) {
        case kNullAscending:
        case kNullDescending:
            d.ascending = *flag == kNullAscending;
            d.size = 1;
            return d;
        case kAscending:
        case kDescending:
            break;
        default:
            return make_error(Errc::corrupt, "index key flag is no integer key's");
    }
    if (!in_range(bytes, 1, 4)) return make_error(Errc::corrupt, "index key cut short");
    d.ascending = *flag == kAscending;
    std::uint32_t v = get_be32(bytes.data() + 1);
    if (!d.ascending) v = ~v;
    d.key = static_cast<std::int32_t>(v ^ 0x80000000u);
    d.size = kKeySize;
    return d;
}

namespace {

// The fields every index page starts with, whatever its keys.
Status read_index_header(Bytes page, IndexPageHeader& header, std::uint16_t& free_space,
                         std::uint16_t& prefix_length) {
    if (page.size() != kPageSize) return make_error(Errc::corrupt, "index page of wrong size");
    auto type = static_cast<PageType>(page[0]);
    if (type != PageType::index_leaf && type != PageType::index_node)
        return make_error(Errc::corrupt, "not an index page");
    header.leaf = type == PageType::index_leaf;
    free_space = load_u16(page.data() + kFreeSpaceOffset);
    header.owner = load_u32(page.data() + kOwnerOffset);
    header.prev = load_u32(page.data() + kPrevOffset);
    header.next = load_u32(page.data() + kNextOffset);
    header.tail = load_u32(page.data() + kTailOffset);
    prefix_length = load_u16(page.data() + kPrefixOffset);
    if (header.leaf && header.tail != 0)
        return make_error(Errc::corrupt, "leaf page names a child");
    return {};
}

// Hands each entry's whole bytes, in order, to `visit`: the entry-end mask cuts the entry
// area, and every entry after the first gets the first one's shared prefix back.
Status for_each_stored_entry(Bytes page, std::size_t prefix_length,
                             const std::function<Status(Bytes)>& visit) {
    std::array<std::uint8_t, kEntrySpace> full{};
    Bytes prefix;
    std::size_t start = 0;
    bool first = true;
    for (std::size_t bit = 0; bit < kMaskSize * 8; ++bit) {
        if (!(page[kMaskOffset + bit / 8] & (1u << (bit % 8)))) continue;
        if (bit > kEntrySpace) return make_error(Errc::corrupt, "entry mask runs past the page");
        std::size_t stored = bit - start;
        Bytes raw = page.subspan(kEntriesOffset + start, stored);
        std::size_t length = first ? stored : prefix.size() + stored;
        if (length > full.size() || length == 0)
            return make_error(Errc::corrupt, "index entry of impossible length");
        if (first) {
            if (prefix_length > stored)
                return make_error(Errc::corrupt, "shared prefix longer than the first entry");
            std::copy(raw.begin(), raw.end(), full.begin());
            prefix = raw.first(prefix_length);
            first = false;
        } else {
            std::copy(prefix.begin(), prefix.end(), full.begin());
            std::copy(raw.begin(), raw.end(),
                      full.begin() + static_cast<std::ptrdiff_t>(prefix.size()));
        }
        JET_TRY(visit(Bytes(full.data(), length)));
        start = bit;
    }
    return {};
}

}  // namespace

Result<DecodedIndexPage> decode_index_page(Bytes page) {
    DecodedIndexPage out;
    JET_TRY(read_index_header(page, out.header, out.free_space, out.prefix_length));
    const std::size_t child = out.header.leaf ? 0 : kChildSize;
    JET_TRY(for_each_stored_entry(page, out.prefix_length, [&](Bytes entry) -> Status {
        if (entry.size() > kNodeEntrySize || entry.size() < 1 + kRowPointerSize + child)
            return make_error(Errc::corrupt, "index entry of impossible length");
        JET_ASSIGN(DecodedKey key, decode_integer_key(entry));
        if (key.size + kRowPointerSize + child != entry.size())
            return make_error(Errc::corrupt, "index entry of impossible length");
        const std::uint8_t* r = entry.data() + key.size;
        IndexPageEntry e;
        e.entry.key = key.key;
        e.ascending = key.ascending;
        e.entry.row.page = (std::uint32_t{r[0]} << 16) | (std::uint32_t{r[1]} << 8) | r[2];
        e.entry.row.row = r[3];
        if (child) e.child = get_be32(r + kRowPointerSize);
        out.entries.push_back(e);
        return {};
    }));
    return out;
}

Result<StoredIndexPage> read_stored_index_page(Bytes page) {
    StoredIndexPage out;
    JET_TRY(read_index_header(page, out.header, out.free_space, out.prefix_length));
    const std::size_t least = kRowPointerSize + (out.header.leaf ? 0 : kChildSize) + 1;
    JET_TRY(for_each_stored_entry(page, out.prefix_length, [&](Bytes entry) -> Status {
        if (entry.size() < least)
            return make_error(Errc::corrupt, "index entry of impossible length");
        out.entries.emplace_back(entry.begin(), entry.end());
        return {};
    }));
    return out;
}

Result<PageBytes> lay_out_index_page(const IndexPageHeader& header, std::span<const Bytes> entries,
                                     std::size_t prefix_length) {
    PageBytes page{};
    page[0] = static_cast<std::uint8_t>(header.leaf ? PageType::index_leaf : PageType::index_node);
    page[1] = 0x01;
    store_u32(page.data() + kOwnerOffset, header.owner);
    store_u32(page.data() + kPrevOffset, header.prev);
    store_u32(page.data() + kNextOffset, header.next);
    store_u32(page.data() + kTailOffset, header.tail);

    if (entries.empty() && prefix_length != 0)
        return make_error(Errc::corrupt, "a shared prefix needs an entry");
    for (Bytes b : entries)
        if (prefix_length + 1 > b.size() ||
            !std::equal(b.begin(), b.begin() + static_cast<std::ptrdiff_t>(prefix_length),
                        entries.front().begin()))
            return make_error(Errc::corrupt, "entries do not share the prefix");
    store_u16(page.data() + kPrefixOffset, static_cast<std::uint16_t>(prefix_length));

    std::size_t at = 0;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        Bytes stored = entries[i].subspan(i == 0 ? 0 : prefix_length);
        if (at + stored.size() > kEntrySpace)
            return make_error(Errc::full, "index entries overflow the page");
        std::copy(stored.begin(), stored.end(),
                  page.begin() + static_cast<std::ptrdiff_t>(kEntriesOffset + at));
        at += stored.size();
        page[kMaskOffset + at / 8] |= static_cast<std::uint8_t>(1u << (at % 8));
    }
    store_u16(page.data() + kFreeSpaceOffset, static_cast<std::uint16_t>(kEntrySpace - at));
    return page;
}

Result<PageBytes> encode_index_page(const IndexPageHeader& header,
                                    std::span<const IndexPageEntry> entries,
                                    std::size_t prefix_length) {
    std::vector<EntryBytes> all;
    all.reserve(entries.size());
    for (const auto& e : entries) {
        JET_ASSIGN(EntryBytes b, entry_bytes(e, header.leaf));
        all.push_back(b);
    }
    std::vector<Bytes> views;
    views.reserve(all.size());
    for (const auto& b : all)
        views.emplace_back(b.bytes.data(), b.size);
    return lay_out_index_page(header, views, prefix_length);
}

Result<std::vector<IndexEntry>> read_integer_index(Pager& pager, std::uint32_t root_page) {
    JET_ASSIGN(Walk walk, walk_index(pager, root_page, true));
    return std::move(walk.entries);
}

Result<std::vector<std::uint32_t>> index_page_numbers(Pager& pager, std::uint32_t root_page) {
    JET_ASSIGN(Walk walk, walk_index(pager, root_page, false));
    return std::move(walk.pages);
}

IndexPagePool::IndexPagePool(std::vector<std::uint32_t> old_pages, Allocate allocate)
    : old_(std::move(old_pages)), allocate_(std::move(allocate)) {}

Result<std::uint32_t> IndexPagePool::take_page() {
    if (used_ < old_.size()) return old_[used_++];
    if (!allocate_) return make_error(Errc::full, "no page left for the index");
    JET_ASSIGN(std::uint32_t page, allocate_());
    allocated_.push_back(page);
    return page;
}

std::span<const std::uint32_t> IndexPagePool::leftover() const {
    return std::span<const std::uint32_t>(old_).subspan(used_);
}

Result<std::vector<IndexPageImage>> build_integer_index(std::span<const IndexEntry> sorted,
                                                        std::uint32_t tdef_page,
                                                        PageSource& pages) {
    for (std::size_t i = 1; i < sorted.size(); ++i)
        if (!index_entry_less(sorted[i - 1], sorted[i]))
            return make_error(Errc::corrupt, "index entries not sorted or repeated");

    // Shape first, bottom up: how many entries each page of each level holds.
    std::vector<std::vector<std::size_t>> shape{even_runs(sorted.size(), kLeafCapacity)};
    while (shape.back().size() > 1)
        shape.push_back(even_runs(shape.back().size(), kNodeChildren));

    // Numbers: the root first, so that it keeps the number the table definition holds.
    std::vector<std::vector<std::uint32_t>> numbers(shape.size());
    JET_ASSIGN(std::uint32_t root, pages.take_page());
    numbers.back().push_back(root);
    for (std::size_t level = 0; level + 1 < shape.size(); ++level)
        for (std::size_t i = 0; i < shape[level].size(); ++i) {
            JET_ASSIGN(std::uint32_t n, pages.take_page());
            numbers[level].push_back(n);
        }

    std::vector<IndexPageImage> images;
    // Per page of the level below: its number and the last entry under it.
    std::vector<IndexPageEntry> below;
    std::size_t from = 0;
    std::vector<IndexPageEntry> run;
    for (std::size_t level = 0; level < shape.size(); ++level) {
        const bool leaf = level == 0;
        // A node page's parent run, to keep sibling links inside one parent.
        std::vector<std::size_t> parent(shape[level].size(), 0);
        if (level + 1 < shape.size()) {
            std::size_t p = 0, left = shape[level + 1][0];
            for (std::size_t i = 0; i < parent.size(); ++i) {
                if (left == 0) left = shape[level + 1][++p];
                parent[i] = p;
                --left;
            }
        }
        std::vector<IndexPageEntry> here;
        from = 0;
        for (std::size_t i = 0; i < shape[level].size(); ++i) {
            std::size_t count = shape[level][i];
            IndexPageHeader h;
            h.leaf = leaf;
            h.owner = tdef_page;
            bool linked_prev = i > 0 && (leaf || parent[i - 1] == parent[i]);
            bool linked_next = i + 1 < shape[level].size() && (leaf || parent[i + 1] == parent[i]);
            if (linked_prev) h.prev = numbers[level][i - 1];
            if (linked_next) h.next = numbers[level][i + 1];
            run.clear();
            IndexEntry last{};
            if (leaf) {
                for (std::size_t k = 0; k < count; ++k)
                    run.push_back(IndexPageEntry{sorted[from + k], 0, true});
                if (count) last = sorted[from + count - 1];
            } else {
                // The last child is the child tail when there are several; it has no entry.
                std::size_t entries = count > 1 ? count - 1 : count;
                for (std::size_t k = 0; k < entries; ++k)
                    run.push_back(below[from + k]);
                if (count > 1) h.tail = below[from + count - 1].child;
                last = below[from + count - 1].entry;
            }
            JET_ASSIGN(PageBytes bytes, encode_index_page(h, run));
            images.push_back(IndexPageImage{numbers[level][i], bytes});
            here.push_back(IndexPageEntry{last, numbers[level][i], true});
            from += count;
        }
        below = std::move(here);
    }
    // The root was laid out last; hand it back first.
    std::rotate(images.begin(), images.end() - 1, images.end());
    return images;
}

}  // namespace jet
