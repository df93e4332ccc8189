#include "jet/index_update.h"

#include <algorithm>
#include <unordered_set>

namespace jet {

namespace {

struct Leaf {
    std::uint32_t page = 0;
    DecodedIndexPage decoded;
    // Every step down went to a node's child tail (or the root is the leaf): the leaf's
    // last entry is then a separator nowhere above it.
    bool last_is_free = true;
    // The node the leaf hangs from, when there is one.
    std::uint32_t parent_page = 0;
    std::optional<DecodedIndexPage> parent;
};

// Walks from the root to the leaf whose key range holds `entry`.
Result<Leaf> find_leaf(Pager& pager, std::uint32_t root, const IndexEntry& entry) {
    Leaf leaf;
    std::unordered_set<std::uint32_t> seen;
    for (std::uint32_t page = root;;) {
        if (!seen.insert(page).second) return make_error(Errc::corrupt, "index pages loop");
        JET_ASSIGN(Bytes bytes, pager.page(page));
        JET_ASSIGN(DecodedIndexPage decoded, decode_index_page(bytes));
        if (decoded.header.leaf) {
            leaf.page = page;
            leaf.decoded = std::move(decoded);
            return leaf;
        }
        leaf.parent_page = page;
        leaf.parent = decoded;
        // Each entry carries the last entry under its child; past them all lies the tail.
        const auto& entries = decoded.entries;
        auto it = std::find_if(entries.begin(), entries.end(), [&](const IndexPageEntry& e) {
            return !index_entry_less(e.entry, entry);
        });
        if (it != entries.end()) {
            page = it->child;
            leaf.last_is_free = false;
        } else if (decoded.header.tail != 0) {
            page = decoded.header.tail;
        } else {
            // Larger than all under a node without a tail: its separator would have to grow.
            return make_error(Errc::not_found, "past the last separator");
        }
    }
}

Result<std::optional<IndexPageImage>> encode_leaf(const Leaf& leaf) {
    auto bytes = encode_index_page(leaf.decoded.header, leaf.decoded.entries);
    if (!bytes) return std::optional<IndexPageImage>{};  // no room: a rebuild splits it
    return std::optional<IndexPageImage>{IndexPageImage{leaf.page, *bytes}};
}

}  // namespace

Result<std::optional<std::vector<IndexPageImage>>> insert_in_place(Pager& pager, std::uint32_t root,
                                                                   const IndexEntry& entry,
                                                                   const AllocatePage& allocate) {
    using Pages = std::optional<std::vector<IndexPageImage>>;
    auto found = find_leaf(pager, root, entry);
    if (!found) {
        if (found.error().code == Errc::not_found) return Pages{};
        return found.error();
    }
    Leaf& leaf = *found;
    auto& entries = leaf.decoded.entries;
    auto at = std::lower_bound(
        entries.begin(), entries.end(), entry,
        [](const IndexPageEntry& e, const IndexEntry& x) { return index_entry_less(e.entry, x); });
    if (at != entries.end() && at->entry == entry)
        return make_error(Errc::corrupt, "the index holds that row already");
    bool becomes_last = at == entries.end();
    if (becomes_last && !leaf.last_is_free) return Pages{};
    bool ascending = entries.empty() ? true : entries.front().ascending;
    entries.insert(at, IndexPageEntry{entry, 0, ascending});
    if (auto bytes = encode_index_page(leaf.decoded.header, entries))
        return Pages{{IndexPageImage{leaf.page, *bytes}}};

    // The last leaf is full and the entry goes at its end, as every new AutoNumber does:
    // the leaf stays as it was and a new last leaf holds the entry.
    if (!becomes_last || !leaf.parent || entries.size() < 2) return Pages{};
    entries.pop_back();
    DecodedIndexPage& parent = *leaf.parent;
    parent.entries.push_back(IndexPageEntry{entries.back().entry, leaf.page, ascending});
    if (!encode_index_page(parent.header, parent.entries)) return Pages{};  // a rebuild splits it
    JET_ASSIGN(std::uint32_t fresh, allocate());
    parent.header.tail = fresh;
    JET_ASSIGN(PageBytes parent_bytes, encode_index_page(parent.header, parent.entries));
    leaf.decoded.header.next = fresh;
    JET_ASSIGN(PageBytes old_bytes, encode_index_page(leaf.decoded.header, entries));
    IndexPageHeader h;
    h.leaf = true;
    h.owner = leaf.decoded.header.owner;
    h.prev = leaf.page;
    std::vector<IndexPageEntry> alone{IndexPageEntry{entry, 0, ascending}};
    JET_ASSIGN(PageBytes fresh_bytes, encode_index_page(h, alone));
    return Pages{{IndexPageImage{leaf.page, old_bytes},
                  IndexPageImage{leaf.parent_page, parent_bytes},
                  IndexPageImage{fresh, fresh_bytes}}};
}

Result<std::optional<IndexPageImage>> remove_in_place(Pager& pager, std::uint32_t root,
                                                      const IndexEntry& entry) {
    auto found = find_leaf(pager, root, entry);
    if (!found) {
        if (found.error().code == Errc::not_found) return std::optional<IndexPageImage>{};
        return found.error();
    }
    Leaf& leaf = *found;
    auto& entries = leaf.decoded.entries;
    auto at = std::find_if(entries.begin(), entries.end(),
                           [&](const IndexPageEntry& e) { return e.entry == entry; });
    if (at == entries.end()) return std::optional<IndexPageImage>{};
    bool was_last = at + 1 == entries.end();
    // An emptied leaf leaves the chain, and a separator above must not name a gone entry.
    if (entries.size() == 1 || (was_last && !leaf.last_is_free))
        return std::optional<IndexPageImage>{};
    entries.erase(at);
    return encode_leaf(leaf);
}

}  // namespace jet
