#include "jet/index_lookup.h"

#include <algorithm>
#include <limits>

#include "jet/index_page.h"
#include "jet/text_lookup.h"

namespace jet {

namespace {

// More levels than a table of any size has, and more leaves of one key than a key ever has
// in the program's tables: past either, the pages are not a sound index.
constexpr int kDeepest = 16;
constexpr int kMostLeaves = 64;

const RealIndex* index_on(const TableDef& table, const Column& column) {
    for (const RealIndex& index : table.real_indexes)
        if (index.columns.size() == 1 && index.columns[0].column_number == column.number &&
            index.columns[0].ascending && index.root_page != 0)
            return &index;
    return nullptr;
}

std::optional<DecodedIndexPage> index_page(Database& db, const TableDef& table,
                                           std::uint32_t number) {
    auto bytes = db.pager().page(number);
    if (!bytes) return std::nullopt;
    auto page = decode_index_page(*bytes);
    if (!page || page->header.owner != table.page) return std::nullopt;
    return std::move(*page);
}

}  // namespace

std::optional<std::vector<RowPointer>> rows_with_key(Database& db, const TableDef& table,
                                                     const Column& column, std::int32_t key) {
    const RealIndex* index = index_on(table, column);
    if (!index || column.type != ColumnType::long_integer) return std::nullopt;
    // Down the nodes: each entry holds the last key of its child, the tail child the rest.
    std::uint32_t number = index->root_page;
    std::optional<DecodedIndexPage> page;
    for (int depth = 0;; ++depth) {
        if (depth == kDeepest) return std::nullopt;
        page = index_page(db, table, number);
        if (!page) return std::nullopt;
        if (page->header.leaf) break;
        number = page->header.tail;
        for (const IndexPageEntry& e : page->entries)
            if (e.entry.key && *e.entry.key >= key) {
                number = e.child;
                break;
            }
        // Past the last key of a node without a tail child: no row holds the key.
        if (number == 0) return std::vector<RowPointer>{};
    }
    // Along the leaves while the key lasts.
    std::vector<RowPointer> found;
    for (int leaves = 0;; ++leaves) {
        if (leaves == kMostLeaves) return std::nullopt;
        bool past = false;
        for (const IndexPageEntry& e : page->entries) {
            if (!e.entry.key || *e.entry.key < key) continue;
            if (*e.entry.key > key) {
                past = true;
                break;
            }
            found.push_back(e.entry.row);
        }
        if (past || page->header.next == 0) break;
        page = index_page(db, table, page->header.next);
        if (!page || !page->header.leaf) return std::nullopt;
    }
    std::sort(found.begin(), found.end(), [](RowPointer a, RowPointer b) {
        return a.page != b.page ? a.page < b.page : a.row < b.row;
    });
    return found;
}

namespace {

// The column and literal of "column = literal" (either way round); nulls for anything else.
std::pair<const ColumnRef*, const Literal*> equality(const Expr& e) {
    const auto* compare = std::get_if<Compare>(&e.node);
    if (!compare || compare->op != CompareOp::eq) return {nullptr, nullptr};
    const auto* column = std::get_if<ColumnRef>(&compare->left);
    const auto* literal = std::get_if<Literal>(&compare->right);
    if (!column || !literal) {
        column = std::get_if<ColumnRef>(&compare->right);
        literal = std::get_if<Literal>(&compare->left);
    }
    if (!column || !literal) return {nullptr, nullptr};
    return {column, literal};
}

// The comparisons every matching row satisfies: the condition, or each side of its "and"s.
void conjuncts(const Expr& e, std::vector<const Expr*>& out) {
    if (const auto* l = std::get_if<Logic>(&e.node); l && l->op == LogicOp::and_) {
        conjuncts(*l->left, out);
        conjuncts(*l->right, out);
        return;
    }
    out.push_back(&e);
}

}  // namespace

std::optional<Candidates> rows_for(Database& db, const TableDef& table, const Expr& where) {
    if (auto [column, literal] = equality(where); column) {
        const auto* number = std::get_if<std::int64_t>(&literal->value);
        const Column* c = table.find_column(column->name);
        // A number no Long column can hold matches no row; the comparison itself says so.
        if (number && c && *number >= std::numeric_limits<std::int32_t>::min() &&
            *number <= std::numeric_limits<std::int32_t>::max()) {
            auto found = rows_with_key(db, table, *c, static_cast<std::int32_t>(*number));
            if (found) return Candidates{std::move(*found), true};
        }
    }
    TextLookup* lookup = db.text_lookup();
    if (!lookup) return std::nullopt;
    std::vector<const Expr*> all;
    conjuncts(where, all);
    for (const Expr* e : all) {
        auto [column, literal] = equality(*e);
        if (!column) continue;
        const auto* text = std::get_if<std::string>(&literal->value);
        const Column* c = table.find_column(column->name);
        if (!text || !c || (c->type != ColumnType::text && c->type != ColumnType::memo)) continue;
        if (auto found = lookup->rows(db, table, *c, *text))
            return Candidates{std::move(*found), false};
    }
    return std::nullopt;
}

}  // namespace jet
