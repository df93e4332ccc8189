#pragma once
// Changing a usage map: marking pages in or out of it, in its own row, growing from the
// inline kind to the reference kind when a page falls outside the inline range.
#include <cstdint>
#include <functional>
#include <map>
#include <span>
#include <vector>

#include "jet/pager.h"
#include "jet/result.h"

namespace jet {

// A usage map held in memory: its row bytes, and the bitmap pages a reference map names.
struct UsageMapImage {
    std::vector<std::uint8_t> row;                 // the map row, length never changes
    std::map<std::uint32_t, PageBytes> map_pages;  // reference maps: page number -> image
};

// Supplies a fresh page number for a new bitmap page (the caller records it as in use).
using PageAllocator = std::function<Result<std::uint32_t>()>;

// Loads the map at `row` (already read from its page) and, for a reference map, its pages.
Result<UsageMapImage> load_usage_map(Pager& pager, std::vector<std::uint8_t> row);

// Sets or clears the bit of `page`. An inline map whose range cannot reach the page is
// rewritten as a reference map (its row keeps its length); a reference map gains bitmap
// pages from `allocate` as needed.
Status mark_page(UsageMapImage& map, std::uint32_t page, bool in_use,
                 const PageAllocator& allocate);

// Bits of the inline map row Access writes in a new file: a window of 512 pages from page 0.
inline constexpr std::size_t kNewInlineMapBytes = 64;
// Such a row with `pages` set; a page past the window is refused.
Result<std::vector<std::uint8_t>> new_inline_map(std::span<const std::uint32_t> pages);

// Pages set in the map, ascending.
std::vector<std::uint32_t> pages_in(const UsageMapImage& map);

}  // namespace jet
