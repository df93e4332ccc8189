#pragma once
// Index pages of integer-key indexes: reading a whole index in key order, and laying out
// a whole index for sorted entries the way Access stores it.
//
// Page layout (Jet 4): 0x00 type (0x03 node, 0x04 leaf), 0x01 always 1, 0x02 u16 free
// space, 0x04 u32 owning table definition, 0x08 u32 always 0, 0x0C u32 previous page,
// 0x10 u32 next page, 0x14 u32 child tail (node pages), 0x18 u16 shared prefix length,
// 0x1A one zero byte, 0x1B..0x1E0 the entry-end bitmask, entries from 0x1E0.
// An entry is the key, the 3-byte big-endian page and 1-byte row of the data row, and on
// node pages the 4-byte big-endian child page; entries sort by their bytes.
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <vector>

#include "jet/bytes.h"
#include "jet/data_page.h"
#include "jet/pager.h"
#include "jet/result.h"

namespace jet {

namespace indexpage {
inline constexpr std::size_t kFreeSpaceOffset = 0x02;
inline constexpr std::size_t kOwnerOffset = 0x04;
inline constexpr std::size_t kPrevOffset = 0x0C;
inline constexpr std::size_t kNextOffset = 0x10;
inline constexpr std::size_t kTailOffset = 0x14;
inline constexpr std::size_t kPrefixOffset = 0x18;
inline constexpr std::size_t kMaskOffset = 0x1B;
inline constexpr std::size_t kEntriesOffset = 0x1E0;
inline constexpr std::size_t kEntrySpace = kPageSize - kEntriesOffset;  // 3616
inline constexpr std::size_t kKeySize = 5;                              // flag + 4 bytes
inline constexpr std::size_t kRowPointerSize = 4;
inline constexpr std::size_t kChildSize = 4;
}  // namespace indexpage

struct IndexEntry {
    std::optional<std::int32_t> key;  // nullopt: the column is null
    RowPointer row;
    bool operator==(const IndexEntry&) const = default;
};

// The order Access keeps: null keys first, then keys ascending, ties by page, then row.
bool index_entry_less(const IndexEntry& a, const IndexEntry& b);

// One key as it sits in an entry: a flag byte (0x7F ascending, 0x80 descending; 0x00 or
// 0xFF for null, with nothing after it) then, when not null, the value big-endian with the
// sign bit flipped, complemented for a descending column.
struct EncodedKey {
    std::array<std::uint8_t, indexpage::kKeySize> bytes{};
    std::uint8_t size = 0;
    Bytes view() const { return Bytes(bytes.data(), size); }
};
EncodedKey encode_integer_key(std::optional<std::int32_t> key, bool ascending = true);

struct DecodedKey {
    std::optional<std::int32_t> key;
    std::size_t size = 0;  // bytes the key took
    bool ascending = true;
};
// Decodes the key at the start of `bytes`; fails on an unknown flag or a short key.
Result<DecodedKey> decode_integer_key(Bytes bytes);

// One entry of one page; `child` only on node pages.
struct IndexPageEntry {
    IndexEntry entry;
    std::uint32_t child = 0;
    bool ascending = true;
    bool operator==(const IndexPageEntry&) const = default;
};

struct IndexPageHeader {
    bool leaf = true;
    std::uint32_t owner = 0;  // the table definition page
    std::uint32_t prev = 0;
    std::uint32_t next = 0;
    std::uint32_t tail = 0;  // node pages: the last child, which has no entry of its own
};

struct DecodedIndexPage {
    IndexPageHeader header;
    std::uint16_t free_space = 0;
    std::uint16_t prefix_length = 0;
    std::vector<IndexPageEntry> entries;
};

// Every field and entry of an index page, each offset and length checked.
Result<DecodedIndexPage> decode_index_page(Bytes page);

// The bytes of one page holding `entries` in the given order; the first `prefix_length`
// bytes, shared by every entry, are stored once. Fails when they do not fit or share less.
Result<PageBytes> encode_index_page(const IndexPageHeader& header,
                                    std::span<const IndexPageEntry> entries,
                                    std::size_t prefix_length = 0);

// An index page of any kind of key: its header and each entry's whole bytes (key, row
// pointer and, on node pages, child), the shared prefix put back.
struct StoredIndexPage {
    IndexPageHeader header;
    std::uint16_t free_space = 0;
    std::uint16_t prefix_length = 0;
    std::vector<std::vector<std::uint8_t>> entries;
};
Result<StoredIndexPage> read_stored_index_page(Bytes page);
// The page holding these whole entries in the given order, as encode_index_page lays it.
Result<PageBytes> lay_out_index_page(const IndexPageHeader& header, std::span<const Bytes> entries,
                                     std::size_t prefix_length = 0);

// Every entry of the index rooted at `root_page`, in index order: the tree from the root
// down to the leaves, then the leaf chain by its next-page links. Loops, pages of another
// table, pages out of order and out-of-range links are errors.
Result<std::vector<IndexEntry>> read_integer_index(Pager& pager, std::uint32_t root_page);

// The pages an index occupies, the root first, then each level left to right, then any leaf
// reached only through the leaf chain.
Result<std::vector<std::uint32_t>> index_page_numbers(Pager& pager, std::uint32_t root_page);

// Where a new index layout gets its page numbers.
class PageSource {
  public:
    virtual ~PageSource() = default;
    virtual Result<std::uint32_t> take_page() = 0;
};

// Hands out the pages an index already has, in their order (so the root stays the root),
// then pages from `allocate`; afterwards tells which old pages were not needed.
class IndexPagePool final : public PageSource {
  public:
    using Allocate = std::function<Result<std::uint32_t>()>;
    IndexPagePool(std::vector<std::uint32_t> old_pages, Allocate allocate);

    Result<std::uint32_t> take_page() override;
    std::span<const std::uint32_t> leftover() const;
    std::span<const std::uint32_t> allocated() const { return allocated_; }

  private:
    std::vector<std::uint32_t> old_;
    std::size_t used_ = 0;
    Allocate allocate_;
    std::vector<std::uint32_t> allocated_;
};

struct IndexPageImage {
    std::uint32_t page = 0;
    PageBytes bytes{};
};

// The pages of a whole index over `sorted` (strictly in index_entry_less order, else an
// error), owned by `tdef_page`. The first page taken is the root: a leaf when everything
// fits in one page, else a node page above as many levels as needed. Leaves are linked end
// to end; node pages only to siblings under the same parent. The root comes first.
Result<std::vector<IndexPageImage>> build_integer_index(std::span<const IndexEntry> sorted,
                                                        std::uint32_t tdef_page, PageSource& pages);

}  // namespace jet
