#include "jet/text_key_index.h"

#include <algorithm>

#include "jet/bytes.h"
#include "jet/row_codec.h"
#include "jet/text.h"

namespace jet {

namespace {

// Rows added between merges: each lookup scans them, each merge moves the whole array.
constexpr std::size_t kRecentLimit = 1024;

std::uint32_t key_hash(std::string_view value) {
    const std::string folded = fold_case(value);
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(folded.data());
    const std::uint64_t h = fnv1a64(Bytes(bytes, folded.size()));
    return static_cast<std::uint32_t>(h ^ (h >> 32));
}

}  // namespace

std::uint64_t TextKeyIndex::entry(std::string_view value, RowPointer at) {
    return static_cast<std::uint64_t>(key_hash(value)) << 32 | at.pack();
}

Result<TextKeyIndex> TextKeyIndex::build(Database& db, const TableDef& table,
                                         const Column& column) {
    TextKeyIndex index;
    index.sorted_.reserve(db.rows_about(table));
    const std::vector<std::size_t> at{static_cast<std::size_t>(&column - table.columns.data())};
    std::vector<Value> values(1);
    const auto each = [&](RowPointer where, Bytes bytes) -> Status {
        JET_TRY(decode_columns_into(db.pager(), table, bytes, at, values));
        // A null holds no value a comparison could find.
        if (const auto* text = std::get_if<std::string>(&values[0]))
            index.sorted_.push_back(entry(*text, where));
        return {};
    };
    JET_TRY(db.scan_rows(table, each, Database::PageUse::pass));
    std::sort(index.sorted_.begin(), index.sorted_.end());
    return index;
}

void TextKeyIndex::add(std::string_view value, RowPointer at) {
    recent_.push_back(entry(value, at));
    if (recent_.size() < kRecentLimit) return;
    std::sort(recent_.begin(), recent_.end());
    const auto middle = sorted_.insert(sorted_.end(), recent_.begin(), recent_.end());
    std::inplace_merge(sorted_.begin(), middle, sorted_.end());
    sorted_.erase(std::unique(sorted_.begin(), sorted_.end()), sorted_.end());
    recent_.clear();
}

std::vector<RowPointer> TextKeyIndex::rows(std::string_view value) const {
    const std::uint64_t high = static_cast<std::uint64_t>(key_hash(value)) << 32;
    std::vector<std::uint32_t> packed;
    for (auto it = std::lower_bound(sorted_.begin(), sorted_.end(), high);
         it != sorted_.end() && (*it & ~0xFFFFFFFFULL) == high; ++it)
        packed.push_back(static_cast<std::uint32_t>(*it));
    for (const std::uint64_t e : recent_)
        if ((e & ~0xFFFFFFFFULL) == high) packed.push_back(static_cast<std::uint32_t>(e));
    // A packed pointer orders as pages ascending, rows in page order: the order of a scan.
    std::sort(packed.begin(), packed.end());
    packed.erase(std::unique(packed.begin(), packed.end()), packed.end());
    std::vector<RowPointer> out;
    out.reserve(packed.size());
    for (const std::uint32_t p : packed)
        out.push_back(RowPointer::unpack(p));
    return out;
}

}  // namespace jet
