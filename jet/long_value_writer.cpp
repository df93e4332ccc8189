#include "jet/long_value_writer.h"

#include <algorithm>
#include <optional>
#include <string>
#include <unordered_set>

#include "jet/data_page.h"
#include "jet/format.h"

namespace jet {

namespace {

using longvalue::kInlineFlag;
using longvalue::kLengthMask;
using longvalue::kReferenceSize;
using longvalue::kSingleRowFlag;
// Row pointers keep 24 bits for the page number.
constexpr std::uint32_t kMaxPointedPage = 0xFFFFFFu;

// A deleted row keeps its slot with no bytes; a new row can take the slot over.
std::optional<std::size_t> free_slot(const DataPageRows& page) {
    for (std::size_t i = 0; i < page.rows.size(); ++i)
        if (page.rows[i].deleted && page.rows[i].bytes.empty()) return i;
    return std::nullopt;
}

std::vector<std::uint8_t> reference(std::uint32_t head, std::uint32_t first_row) {
    std::vector<std::uint8_t> out(kReferenceSize, 0);
    store_u32(out.data(), head);
    store_u32(out.data() + 4, first_row);
    return out;
}

}  // namespace

bool long_value_row_fits(const DataPageRows& page, std::size_t size) {
    if (free_slot(page) && page.free_space() >= size) return true;
    return page.fits(size);
}

Result<std::uint32_t> LongValueWriter::add_row(LongValuePage page,
                                               std::vector<std::uint8_t> bytes) {
    if (page.rows == nullptr || page.rows->owner != kLongValueOwner)
        return make_error(Errc::corrupt, "page " + std::to_string(page.number) +
                                             " handed out for long values is no LVAL page");
    if (page.number == 0 || page.number > kMaxPointedPage)
        return make_error(Errc::full, "long value page number out of a row pointer's reach");
    DataPageRows& rows = *page.rows;
    std::size_t index = 0;
    if (auto slot = free_slot(rows); slot && rows.free_space() >= bytes.size()) {
        index = *slot;
    } else if (rows.fits(bytes.size())) {
        index = rows.rows.size();
        rows.rows.emplace_back();
    } else {
        return make_error(Errc::full,
                          "no room for the long value row on page " + std::to_string(page.number));
    }
    PageRow& row = rows.rows[index];
    row.bytes = std::move(bytes);
    row.deleted = false;
    row.overflow = false;
    return RowPointer{page.number, static_cast<std::uint8_t>(index)}.pack();
}

Result<std::vector<std::uint8_t>> LongValueWriter::store_long_value(
    std::span<const std::uint8_t> stored) {
    std::size_t size = stored.size();
    if (size > kMaxLongValueLength)
        return make_error(Errc::full, "long value longer than a reference can name");
    auto length = static_cast<std::uint32_t>(size);
    if (size <= kMaxRowSize) {
        JET_ASSIGN(LongValuePage page, pages_.page_with_room(size));
        JET_ASSIGN(std::uint32_t where, add_row(page, {stored.begin(), stored.end()}));
        return reference(length | kSingleRowFlag, where);
    }

    // Rows go in value order, each linked from the one before once its place is known.
    std::vector<RowPointer> placed;
    auto undo = [&](Error error) {
        delete_rows(placed);
        return error;
    };
    for (std::size_t offset = 0; offset < size;) {
        std::size_t take = std::min(kLongValueChunk, size - offset);
        auto page = pages_.page_with_room(take + 4);
        if (!page) return undo(page.error());
        std::vector<std::uint8_t> row(4 + take, 0);
        auto chunk = stored.subspan(offset, take);
        std::copy(chunk.begin(), chunk.end(), row.begin() + 4);
        auto where = add_row(*page, std::move(row));
        if (!where) return undo(where.error());
        RowPointer here = RowPointer::unpack(*where);
        if (!placed.empty()) {
            RowPointer before = placed.back();
            auto prev = pages_.page(before.page);
            if (!prev) {
                placed.push_back(here);
                return undo(prev.error());
            }
            auto& prev_rows = (*prev)->rows;
            if (before.row >= prev_rows.size() || prev_rows[before.row].bytes.size() < 4) {
                placed.push_back(here);
                return undo(make_error(Errc::corrupt, "long value row vanished while written"));
            }
            store_u32(prev_rows[before.row].bytes.data(), *where);
        }
        placed.push_back(here);
        offset += take;
    }
    return reference(length, placed.front().pack());
}

Result<std::vector<RowPointer>> LongValueWriter::rows_of(Bytes ref) {
    if (ref.size() < kReferenceSize)
        return make_error(Errc::corrupt, "long value reference too short");
    std::uint32_t head = load_u32(ref.data());
    std::uint32_t pointer = load_u32(ref.data() + 4);
    std::vector<RowPointer> out;
    if (head & kInlineFlag) return out;
    std::size_t length = head & kLengthMask;

    // The live LVAL row at `where`, checked before anything is taken from it.
    auto live_row = [&](RowPointer where) -> Result<const PageRow*> {
        JET_ASSIGN(DataPageRows * page, pages_.page(where.page));
        if (page == nullptr || page->owner != kLongValueOwner)
            return make_error(Errc::corrupt, "long value points at page " +
                                                 std::to_string(where.page) + ", which holds none");
        if (where.row >= page->rows.size())
            return make_error(Errc::corrupt, "long value points past the row table");
        const PageRow& row = page->rows[where.row];
        if (row.deleted || row.overflow)
            return make_error(Errc::corrupt, "long value points at a deleted row");
        return &row;
    };

    if (head & kSingleRowFlag) {
        RowPointer where = RowPointer::unpack(pointer);
        JET_ASSIGN(const PageRow* row, live_row(where));
        if (row->bytes.size() < length)
            return make_error(Errc::corrupt, "long value row too short");
        out.push_back(where);
        return out;
    }
    // Walked as the reader walks it: rows until the length is covered.
    std::unordered_set<std::uint32_t> seen;
    std::size_t covered = 0;
    while (covered < length) {
        if (pointer == 0) return make_error(Errc::corrupt, "long value chain ends early");
        if (!seen.insert(pointer).second)
            return make_error(Errc::corrupt, "long value chain loops");
        RowPointer where = RowPointer::unpack(pointer);
        JET_ASSIGN(const PageRow* row, live_row(where));
        if (row->bytes.size() < 4) return make_error(Errc::corrupt, "long value link too short");
        pointer = load_u32(row->bytes.data());
        covered += row->bytes.size() - 4;
        out.push_back(where);
    }
    return out;
}

Status LongValueWriter::free_long_value(Bytes ref) {
    JET_ASSIGN(std::vector<RowPointer> rows, rows_of(ref));
    for (RowPointer where : rows)
        JET_TRY(remove_row(where));
    return {};
}

Status LongValueWriter::remove_row(RowPointer where) {
    JET_ASSIGN(DataPageRows * page, pages_.page(where.page));
    if (page == nullptr) return make_error(Errc::corrupt, "long value page vanished");
    JET_TRY(delete_page_row(*page, where.row));
    // Nothing points at a freed long-value row, so trailing ones give up their slots too:
    // an emptied page then has the room of a fresh one.
    auto& rows = page->rows;
    while (!rows.empty() && rows.back().deleted && rows.back().bytes.empty())
        rows.pop_back();
    return {};
}

void LongValueWriter::delete_rows(const std::vector<RowPointer>& rows) {
    // Best effort: this runs only on the way out of a failed store.
    for (RowPointer where : rows)
        static_cast<void>(remove_row(where));
}

LongValueStore LongValueWriter::as_store() {
    return [this](std::span<const std::uint8_t> stored) { return store_long_value(stored); };
}

}  // namespace jet
