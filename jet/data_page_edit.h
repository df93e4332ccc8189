#pragma once
// A data page taken apart into its rows, changed, and laid out again the way the real
// engine lays it: row 0 at the end of the page, each next row below the one before,
// no gaps; deleted rows keep their slot with no bytes.
#include <cstdint>
#include <vector>

#include "jet/bytes.h"
#include "jet/data_page.h"
#include "jet/pager.h"
#include "jet/result.h"

namespace jet {

// The owner word of long-value pages, "LVAL" read as a little-endian number.
inline constexpr std::uint32_t kLongValueOwner = 0x4C41564Cu;
// Row numbers are one byte in every row pointer.
inline constexpr std::size_t kMaxRowsPerPage = 256;

struct PageRow {
    std::vector<std::uint8_t> bytes;  // empty for a deleted row
    bool deleted = false;
    bool overflow = false;  // `bytes` is a 4-byte pointer to where the row lives now
};

struct DataPageRows {
    std::uint32_t owner = 0;  // the table definition page, or kLongValueOwner
    std::vector<PageRow> rows;

    // Bytes left for rows and their row-table entries.
    std::size_t free_space() const;
    // Whether a row of `size` bytes still fits (with its new row-table entry).
    bool fits(std::size_t size) const;
};

Result<DataPageRows> parse_data_page(Bytes page);
PageBytes lay_out_data_page(const DataPageRows& page);

// Marks row `index` deleted and frees its bytes, as the real engine does (both flags set).
Status delete_page_row(DataPageRows& page, std::size_t index);

}  // namespace jet
