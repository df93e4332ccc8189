#include "jet/catalog_name_index.h"

#include <algorithm>
#include <string>
#include <unordered_set>

#include "jet/format.h"
#include "jet/text.h"

namespace jet {

namespace {

constexpr std::uint8_t kAscendingText = 0x7F;
// After a text key's characters: the end of the text, then the end of the (empty) extra
// weights that accents and the like would add.
constexpr std::uint8_t kTextEnd[2] = {0x01, 0x00};

// General sort order weights of the letters a to z, either case.
constexpr std::uint8_t kLetterWeights[26] = {0x4A, 0x4C, 0x4D, 0x4F, 0x51, 0x53, 0x55, 0x57, 0x59,
                                             0x5B, 0x5C, 0x5E, 0x60, 0x62, 0x64, 0x66, 0x68, 0x69,
                                             0x6B, 0x6D, 0x6F, 0x71, 0x73, 0x75, 0x76, 0x78};
// The digits' weights are every other value from this one.
constexpr std::uint8_t kZeroWeight = 0x36;
constexpr std::uint8_t kUnderscoreWeights[2] = {0x2B, 0x03};

bool append_weights(char16_t ch, std::vector<std::uint8_t>& out) {
    if (ch >= u'a' && ch <= u'z') ch = static_cast<char16_t>(ch - u'a' + u'A');
    if (ch >= u'A' && ch <= u'Z') {
        out.push_back(kLetterWeights[ch - u'A']);
    } else if (ch >= u'0' && ch <= u'9') {
        out.push_back(static_cast<std::uint8_t>(kZeroWeight + 2 * (ch - u'0')));
    } else if (ch == u'_') {
        out.insert(out.end(), std::begin(kUnderscoreWeights), std::end(kUnderscoreWeights));
    } else {
        return false;
    }
    return true;
}

bool bytes_less(Bytes a, Bytes b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end());
}

// A node entry's child page, stored big-endian at its end.
std::uint32_t child_of(const std::vector<std::uint8_t>& node_entry) {
    const std::uint8_t* p = node_entry.data() + node_entry.size() - indexpage::kChildSize;
    return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) |
           p[3];
}

Error refused(Errc code, const std::string& why) {
    return make_error(code, "the catalog's index of names " + why);
}

}  // namespace

std::optional<std::size_t> catalog_name_index(const TableDef& catalog) {
    const Column* parent = catalog.find_column("ParentId");
    const Column* name = catalog.find_column("Name");
    if (!parent || !name) return std::nullopt;
    for (std::size_t i = 0; i < catalog.real_indexes.size(); ++i) {
        const auto& cols = catalog.real_indexes[i].columns;
        if (cols.size() == 2 && cols[0].column_number == parent->number &&
            cols[1].column_number == name->number)
            return i;
    }
    return std::nullopt;
}

Result<std::vector<std::uint8_t>> catalog_name_key(const TableDef& catalog, std::int32_t parent,
                                                   std::string_view name) {
    const Column* column = catalog.find_column("Name");
    if (!column || column->type != ColumnType::text || column->sort_order != kGeneralSortOrder)
        return refused(Errc::read_only, "sorts in an order this engine cannot key");
    EncodedKey parent_key = encode_integer_key(parent);
    std::vector<std::uint8_t> key(parent_key.bytes.begin(),
                                  parent_key.bytes.begin() + parent_key.size);
    key.push_back(kAscendingText);
    for (char16_t ch : utf8_to_utf16(name))
        if (!append_weights(ch, key))
            return refused(Errc::read_only,
                           "cannot take \"" + std::string(name) +
                               "\": this engine keys only letters, digits and _ there");
    key.insert(key.end(), std::begin(kTextEnd), std::end(kTextEnd));
    return key;
}

Status add_catalog_name_entry(Pager& pager, const TableDef& catalog, std::size_t index,
                              std::span<const std::uint8_t> key, RowPointer row) {
    const RealIndex& ri = catalog.real_indexes.at(index);
    std::vector<std::uint8_t> entry(key.begin(), key.end());
    entry.push_back(static_cast<std::uint8_t>(row.page >> 16));
    entry.push_back(static_cast<std::uint8_t>(row.page >> 8));
    entry.push_back(static_cast<std::uint8_t>(row.page));
    entry.push_back(row.row);

    // Down from the root to the leaf whose range holds the entry; each node entry carries
    // the last entry under its child, and the child tail takes what lies past them all.
    std::unordered_set<std::uint32_t> seen;
    bool under_tails_only = true;
    std::uint32_t number = ri.root_page;
    StoredIndexPage leaf;
    for (;;) {
        if (!seen.insert(number).second) return refused(Errc::corrupt, "loops");
        JET_ASSIGN(Bytes bytes, pager.page(number));
        JET_ASSIGN(StoredIndexPage page, read_stored_index_page(bytes));
        if (page.header.owner != catalog.page)
            return refused(Errc::corrupt, "reaches a page of another table");
        if (page.header.leaf) {
            leaf = std::move(page);
            break;
        }
        auto below = std::find_if(page.entries.begin(), page.entries.end(), [&](const auto& e) {
            return !bytes_less(Bytes(e).first(e.size() - indexpage::kChildSize), entry);
        });
        if (below != page.entries.end()) {
            number = child_of(*below);
            under_tails_only = false;
        } else if (page.header.tail != 0) {
            number = page.header.tail;
        } else {
            return refused(Errc::full, "would need a separator moved");
        }
    }

    auto at = std::lower_bound(leaf.entries.begin(), leaf.entries.end(), entry,
                               [](const auto& e, const auto& x) { return bytes_less(e, x); });
    auto same_key = [&](const std::vector<std::uint8_t>& e) {
        return e.size() == entry.size() && std::equal(key.begin(), key.end(), e.begin());
    };
    if ((at != leaf.entries.end() && same_key(*at)) ||
        (at != leaf.entries.begin() && same_key(*(at - 1))))
        return refused(Errc::exists, "holds that name already");
    if (at == leaf.entries.end() && !under_tails_only)
        return refused(Errc::full, "would need a separator moved");
    leaf.entries.insert(at, std::move(entry));

    std::vector<Bytes> views(leaf.entries.begin(), leaf.entries.end());
    std::size_t prefix = leaf.prefix_length;
    for (Bytes e : views)
        if (e.size() <= prefix || !std::equal(e.begin(), e.begin() + prefix, views.front().begin()))
            prefix = 0;
    auto laid = lay_out_index_page(leaf.header, views, prefix);
    if (!laid) return refused(Errc::full, "has no room left on its page");

    JET_TRY(pager.stage(number, *laid));

    // The catalog's definition counts the index's entries.
    JET_ASSIGN(Bytes def, pager.page(catalog.page));
    PageBytes counted;
    std::copy(def.begin(), def.end(), counted.begin());
    std::uint8_t* count = counted.data() + 0x3F + index * 12 + 4;
    store_u32(count, load_u32(count) + 1);
    return pager.stage(catalog.page, counted);
}

}  // namespace jet
