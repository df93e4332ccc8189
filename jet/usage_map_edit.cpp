#include "jet/usage_map_edit.h"

#include <string>

#include "jet/bytes.h"
#include "jet/usage_map.h"

namespace jet {

namespace {

constexpr std::size_t kInlineHeader = 5;  // kind byte and first page

bool bit(const std::uint8_t* bitmap, std::size_t i) {
    return (bitmap[i / 8] >> (i % 8)) & 1u;
}
void set_bit(std::uint8_t* bitmap, std::size_t i, bool on) {
    auto mask = static_cast<std::uint8_t>(1u << (i % 8));
    bitmap[i / 8] = static_cast<std::uint8_t>(on ? bitmap[i / 8] | mask : bitmap[i / 8] & ~mask);
}

PageBytes empty_map_page() {
    PageBytes p{};
    p[0] = static_cast<std::uint8_t>(PageType::usage_map);
    p[1] = 0x01;
    return p;
}

}  // namespace

Result<std::vector<std::uint8_t>> new_inline_map(std::span<const std::uint32_t> pages) {
    std::vector<std::uint8_t> row(kInlineHeader + kNewInlineMapBytes, 0);
    row[0] = kInlineMap;
    for (std::uint32_t p : pages) {
        if (p >= kNewInlineMapBytes * 8)
            return make_error(Errc::full, "page " + std::to_string(p) + " lies past a new map");
        set_bit(row.data() + kInlineHeader, p, true);
    }
    return row;
}

Result<UsageMapImage> load_usage_map(Pager& pager, std::vector<std::uint8_t> row) {
    UsageMapImage map;
    map.row = std::move(row);
    if (map.row.size() < kInlineHeader) return make_error(Errc::corrupt, "usage map too short");
    if (map.row[0] == kReferenceMap) {
        for (std::size_t i = 1; i + 4 <= map.row.size(); i += 4) {
            std::uint32_t p = load_u32(map.row.data() + i);
            if (p == 0) continue;
            JET_ASSIGN(Bytes bytes, pager.page(p));
            if (bytes[0] != static_cast<std::uint8_t>(PageType::usage_map))
                return make_error(Errc::corrupt, "usage map points at a page of another kind");
            PageBytes image;
            std::copy(bytes.begin(), bytes.end(), image.begin());
            map.map_pages[p] = image;
        }
    } else if (map.row[0] != kInlineMap) {
        return make_error(Errc::corrupt, "unknown usage map kind");
    }
    return map;
}

std::vector<std::uint32_t> pages_in(const UsageMapImage& map) {
    std::vector<std::uint32_t> out;
    if (map.row[0] == kInlineMap) {
        std::uint32_t first = load_u32(map.row.data() + 1);
        std::size_t bits = (map.row.size() - kInlineHeader) * 8;
        for (std::size_t i = 0; i < bits; ++i)
            if (bit(map.row.data() + kInlineHeader, i))
                out.push_back(first + static_cast<std::uint32_t>(i));
        return out;
    }
    for (std::size_t slot = 0; 1 + slot * 4 + 4 <= map.row.size(); ++slot) {
        std::uint32_t p = load_u32(map.row.data() + 1 + slot * 4);
        auto it = map.map_pages.find(p);
        if (p == 0 || it == map.map_pages.end()) continue;
        for (std::size_t i = 0; i < kPagesPerMapPage; ++i)
            if (bit(it->second.data() + 4, i))
                out.push_back(static_cast<std::uint32_t>(slot * kPagesPerMapPage + i));
    }
    return out;
}

Status mark_page(UsageMapImage& map, std::uint32_t page, bool in_use,
                 const PageAllocator& allocate) {
    if (map.row[0] == kInlineMap) {
        std::uint32_t first = load_u32(map.row.data() + 1);
        std::size_t bits = (map.row.size() - kInlineHeader) * 8;
        std::vector<std::uint32_t> current = pages_in(map);
        if (page >= first && page - first < bits) {
            set_bit(map.row.data() + kInlineHeader, page - first, in_use);
            return {};
        }
        if (!in_use) return {};  // not in the map's range, so not in the map
        // An empty map may move its window to the page; otherwise it becomes a reference map.
        if (current.empty()) {
            std::uint32_t start = page - page % 8;
            store_u32(map.row.data() + 1, start);
            set_bit(map.row.data() + kInlineHeader, page - start, true);
            return {};
        }
        std::vector<std::uint8_t> row(map.row.size(), 0);
        row[0] = kReferenceMap;
        map.row = std::move(row);
        map.map_pages.clear();
        for (std::uint32_t p : current)
            JET_TRY(mark_page(map, p, true, allocate));
        return mark_page(map, page, true, allocate);
    }
    std::size_t slot = page / kPagesPerMapPage;
    if (1 + slot * 4 + 4 > map.row.size())
        return make_error(Errc::full, "page number beyond what a usage map can name");
    std::uint32_t p = load_u32(map.row.data() + 1 + slot * 4);
    if (p == 0) {
        if (!in_use) return {};
        JET_ASSIGN(p, allocate());
        store_u32(map.row.data() + 1 + slot * 4, p);
        map.map_pages[p] = empty_map_page();
    }
    auto it = map.map_pages.find(p);
    if (it == map.map_pages.end()) return make_error(Errc::corrupt, "usage map page not loaded");
    set_bit(it->second.data() + 4, page % kPagesPerMapPage, in_use);
    return {};
}

}  // namespace jet
