#include "jet/data_page.h"

#include "jet/format.h"

namespace jet {

bool is_data_page_of(Bytes page, std::uint32_t table_page) {
    return page.size() >= datapage::kOwnerOffset + 4 &&
           page[0] == static_cast<std::uint8_t>(PageType::data) &&
           load_u32(page.data() + datapage::kOwnerOffset) == table_page;
}

Result<std::uint16_t> row_count(Bytes page) {
    auto n = u16_at(page, datapage::kRowCountOffset);
    if (!n || datapage::kRowTableOffset + std::size_t{*n} * 2 > page.size())
        return make_error(Errc::corrupt, "row table larger than its page");
    return *n;
}

Result<RowSlot> row_slot(Bytes page, std::uint16_t index) {
    JET_ASSIGN(std::uint16_t count, row_count(page));
    if (index >= count) return make_error(Errc::corrupt, "row number past the row table");
    std::uint16_t raw = *u16_at(page, datapage::kRowTableOffset + std::size_t{index} * 2);
    RowSlot slot;
    slot.deleted = (raw & datapage::kDeletedFlag) != 0;
    slot.overflow = (raw & datapage::kOverflowFlag) != 0;
    slot.start = raw & datapage::kOffsetMask;
    // Rows are laid from the end of the page down: each ends where the one before it starts.
    slot.end = static_cast<std::uint16_t>(page.size());
    if (index > 0) {
        std::uint16_t prev =
            *u16_at(page, datapage::kRowTableOffset + (std::size_t{index} - 1) * 2);
        slot.end = prev & datapage::kOffsetMask;
    }
    std::size_t table_end = datapage::kRowTableOffset + std::size_t{count} * 2;
    if (slot.start < table_end || slot.start > slot.end || slot.end > page.size())
        return make_error(Errc::corrupt, "row " + std::to_string(index) + " lies outside its page");
    return slot;
}

Result<Bytes> row_bytes(Bytes page, std::uint16_t index) {
    JET_ASSIGN(RowSlot slot, row_slot(page, index));
    return page.subspan(slot.start, slot.end - slot.start);
}

}  // namespace jet
