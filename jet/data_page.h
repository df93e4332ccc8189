#pragma once
// The row table of data pages (also used by long-value and usage-map rows).
#include <cstdint>
#include <optional>

#include "jet/bytes.h"
#include "jet/result.h"

namespace jet {

struct RowSlot {
    std::uint16_t start = 0;  // offset of the row's first byte in the page
    std::uint16_t end = 0;    // one past its last byte
    bool deleted = false;
    bool overflow = false;  // the slot holds a 4-byte pointer to where the row now lives
};

// A page/row address as Jet packs it: page number in the upper 24 bits, row in the lower 8.
struct RowPointer {
    std::uint32_t page = 0;
    std::uint8_t row = 0;
    static RowPointer unpack(std::uint32_t packed) {
        return {packed >> 8, static_cast<std::uint8_t>(packed & 0xFF)};
    }
    std::uint32_t pack() const { return (page << 8) | row; }
    bool operator==(const RowPointer&) const = default;
};

// A data page holding rows of the table whose definition starts at `table_page`; a page a
// usage map still names may since have been freed or given to another table.
bool is_data_page_of(Bytes page, std::uint32_t table_page);

// Number of entries in the page's row table; fails when the table cannot fit.
Result<std::uint16_t> row_count(Bytes page);

// The bounds and flags of row `index`, checked against the page.
Result<RowSlot> row_slot(Bytes page, std::uint16_t index);

// The bytes of a live (or, with `allow_deleted`, any) row.
Result<Bytes> row_bytes(Bytes page, std::uint16_t index);

}  // namespace jet
