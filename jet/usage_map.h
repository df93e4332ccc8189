#pragma once
// Page usage maps: which pages belong to a table (or have free space).
#include <cstdint>
#include <optional>
#include <vector>

#include "jet/data_page.h"
#include "jet/pager.h"
#include "jet/result.h"

namespace jet {

inline constexpr std::uint8_t kInlineMap = 0x00;
inline constexpr std::uint8_t kReferenceMap = 0x01;
// Pages one usage-map page covers: its bytes after the 4-byte header, one bit a page.
inline constexpr std::uint32_t kPagesPerMapPage = (kPageSize - 4) * 8;

// Page numbers set in the map stored at `where`, ascending; pages past the file are refused.
Result<std::vector<std::uint32_t>> read_usage_map(Pager& pager, RowPointer where);
// The highest page set in that map, as read_usage_map(...).back() would give it without
// listing every page; nullopt when none is set.
Result<std::optional<std::uint32_t>> last_in_usage_map(Pager& pager, RowPointer where);
// The database's own map of free pages (page 1, row 0), which also marks the pages past
// the end of the file as free: those are left out, not refused.
Result<std::vector<std::uint32_t>> read_free_page_map(Pager& pager);

}  // namespace jet
