#include "jet/data_page_edit.h"

#include <algorithm>

#include "jet/format.h"

namespace jet {

std::size_t DataPageRows::free_space() const {
    std::size_t used = datapage::kRowTableOffset + rows.size() * 2;
    for (const auto& r : rows)
        used += r.bytes.size();
    return used >= kPageSize ? 0 : kPageSize - used;
}

bool DataPageRows::fits(std::size_t size) const {
    return rows.size() < kMaxRowsPerPage && free_space() >= size + 2;
}

Result<DataPageRows> parse_data_page(Bytes page) {
    if (page.size() != kPageSize || page[0] != static_cast<std::uint8_t>(PageType::data))
        return make_error(Errc::corrupt, "not a data page");
    DataPageRows out;
    out.owner = load_u32(page.data() + datapage::kOwnerOffset);
    JET_ASSIGN(std::uint16_t count, row_count(page));
    if (count > kMaxRowsPerPage) return make_error(Errc::corrupt, "more rows than a page can name");
    out.rows.resize(count);
    for (std::uint16_t i = 0; i < count; ++i) {
        JET_ASSIGN(RowSlot slot, row_slot(page, i));
        PageRow& r = out.rows[i];
        r.deleted = slot.deleted;
        r.overflow = slot.overflow;
        // A deleted row's bytes are free space: it keeps only its slot.
        if (!(slot.deleted && slot.overflow))
            r.bytes.assign(page.begin() + slot.start, page.begin() + slot.end);
    }
    return out;
}

PageBytes lay_out_data_page(const DataPageRows& page) {
    PageBytes out{};
    out[0] = static_cast<std::uint8_t>(PageType::data);
    out[1] = 0x01;
    store_u16(out.data() + datapage::kFreeSpaceOffset,
              static_cast<std::uint16_t>(page.free_space()));
    store_u32(out.data() + datapage::kOwnerOffset, page.owner);
    store_u16(out.data() + datapage::kRowCountOffset, static_cast<std::uint16_t>(page.rows.size()));
    std::size_t end = kPageSize;
    for (std::size_t i = 0; i < page.rows.size(); ++i) {
        const PageRow& r = page.rows[i];
        std::size_t start = end - r.bytes.size();
        std::copy(r.bytes.begin(), r.bytes.end(), out.begin() + static_cast<std::ptrdiff_t>(start));
        std::uint16_t entry = static_cast<std::uint16_t>(start);
        if (r.deleted) entry |= datapage::kDeletedFlag;
        if (r.overflow) entry |= datapage::kOverflowFlag;
        store_u16(out.data() + datapage::kRowTableOffset + 2 * i, entry);
        end = start;
    }
    return out;
}

Status delete_page_row(DataPageRows& page, std::size_t index) {
    if (index >= page.rows.size()) return make_error(Errc::not_found, "no such row on the page");
    PageRow& r = page.rows[index];
    if (r.deleted && r.overflow) return make_error(Errc::not_found, "the row is already deleted");
    r.bytes.clear();
    r.bytes.shrink_to_fit();
    r.deleted = true;
    r.overflow = true;
    return {};
}

}  // namespace jet
