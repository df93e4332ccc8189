#include "jet/usage_map.h"

#include <bit>

namespace jet {

namespace {

enum class Wanted { all, last };

// False when a set bit names a page past the end of the file: rows would be lost unseen.
// Wanted::last keeps the highest page alone, found from the map's end.
bool collect_bits(Bytes bitmap, std::uint64_t first_page, std::uint32_t page_limit,
                  std::vector<std::uint32_t>& out, Wanted wanted) {
    if (wanted == Wanted::last) {
        for (std::size_t i = bitmap.size(); i-- > 0;) {
            if (bitmap[i] == 0) continue;
            const auto bit = static_cast<std::uint64_t>(std::bit_width(bitmap[i]) - 1);
            const std::uint64_t page = first_page + i * 8 + bit;
            if (page >= page_limit) return false;
            out.assign(1, static_cast<std::uint32_t>(page));
            return true;
        }
        return true;
    }
    for (std::size_t i = 0; i < bitmap.size(); ++i) {
        for (unsigned bits = bitmap[i]; bits != 0; bits &= bits - 1) {
            const auto bit = static_cast<std::uint64_t>(std::countr_zero(bits));
            const std::uint64_t page = first_page + i * 8 + bit;
            if (page >= page_limit) return false;
            out.push_back(static_cast<std::uint32_t>(page));
        }
    }
    return true;
}

Error past_end() {
    return make_error(Errc::corrupt, "usage map names a page past the end of the file");
}

}  // namespace

namespace {

Result<std::vector<std::uint32_t>> read_map(Pager& pager, RowPointer where, bool past_end_is_free,
                                            Wanted wanted = Wanted::all) {
    JET_ASSIGN(Bytes page, pager.page(where.page));
    JET_ASSIGN(Bytes map, row_bytes(page, where.row));
    if (map.empty()) return make_error(Errc::corrupt, "empty usage map");
    std::vector<std::uint32_t> pages;
    if (map[0] == kInlineMap) {
        auto start = u32_at(map, 1);
        if (!start) return make_error(Errc::corrupt, "usage map too short");
        if (!collect_bits(map.subspan(5), *start, pager.page_count(), pages, wanted) &&
            !past_end_is_free)
            return past_end();
    } else if (map[0] == kReferenceMap) {
        for (std::size_t i = 1; i + 4 <= map.size(); i += 4) {
            std::uint32_t map_page = *u32_at(map, i);
            if (map_page == 0) continue;
            JET_ASSIGN(Bytes bits, pager.page(map_page));
            if (bits[0] != static_cast<std::uint8_t>(PageType::usage_map))
                return make_error(Errc::corrupt, "usage map points at a page of another kind");
            std::uint64_t first = static_cast<std::uint64_t>((i - 1) / 4) * kPagesPerMapPage;
            // A later map page's pages all lie past an earlier one's: the last one set wins.
            if (!collect_bits(bits.subspan(4), first, pager.page_count(), pages, wanted) &&
                !past_end_is_free)
                return past_end();
        }
    } else {
        return make_error(Errc::corrupt, "unknown usage map kind");
    }
    return pages;
}

}  // namespace

Result<std::vector<std::uint32_t>> read_usage_map(Pager& pager, RowPointer where) {
    return read_map(pager, where, false);
}

Result<std::optional<std::uint32_t>> last_in_usage_map(Pager& pager, RowPointer where) {
    JET_ASSIGN(auto pages, read_map(pager, where, false, Wanted::last));
    if (pages.empty()) return std::optional<std::uint32_t>{};
    return std::optional<std::uint32_t>{pages.back()};
}

Result<std::vector<std::uint32_t>> read_free_page_map(Pager& pager) {
    return read_map(pager, RowPointer{1, 0}, true);
}

}  // namespace jet
