// Writes page 0 of a new database.
#include <algorithm>
#include <array>
#include <cstring>

#include "jet/format.h"
#include "jet/header.h"
#include "jet/rc4.h"

namespace jet {

std::vector<std::uint8_t> encode_header(const Header& h) {
    std::vector<std::uint8_t> page(kPageSize, 0);
    static constexpr std::uint8_t kStart[4] = {0x00, 0x01, 0x00, 0x00};
    static constexpr char kSignature[] = "Standard Jet DB";
    std::copy(std::begin(kStart), std::end(kStart), page.begin());
    std::memcpy(page.data() + header::kSignatureOffset, kSignature, sizeof kSignature);
    page[header::kVersionOffset] = h.version;

    // The masked region, in the clear first. Its opening words are the same in every new
    // Jet 4 file.
    std::array<std::uint8_t, header::kMaskedSize> region{};
    auto at = [](std::size_t page_offset) { return page_offset - header::kMaskedOffset; };
    static constexpr std::uint8_t kOpening[] = {0x00, 0x01, 0x00, 0x00, 0x01, 0x01, 0x00, 0x00,
                                                0x02, 0x00, 0x00, 0x00, 0x03, 0x00, 0x00, 0x00,
                                                0x04, 0x00, 0x00, 0x00, 0x05, 0x00, 0x00, 0x00};
    std::copy(std::begin(kOpening), std::end(kOpening), region.begin());
    store_u16(region.data() + at(header::kCodePageOffset), h.code_page);
    store_u32(region.data() + at(header::kDatabaseKeyOffset), h.database_key);
    std::uint8_t password[header::kPasswordSize];
    encode_password(h.password, h.creation_date, password);
    std::copy(std::begin(password), std::end(password),
              region.begin() + static_cast<std::ptrdiff_t>(at(header::kPasswordOffset)));
    store_u32(region.data() + at(header::kSortOrderOffset), h.sort_order);
    std::uint64_t date_bits = 0;
    std::memcpy(&date_bits, &h.creation_date, sizeof date_bits);
    for (std::size_t i = 0; i < 8; ++i)
        region[at(header::kCreationDateOffset) + i] =
            static_cast<std::uint8_t>(date_bits >> (8 * i));
    rc4_apply(header::kMaskKey, region);
    std::copy(region.begin(), region.end(),
              page.begin() + static_cast<std::ptrdiff_t>(header::kMaskedOffset));

    // After the region: the format's version stamp and name, and the page-lock table that
    // a new file starts with.
    static constexpr std::uint8_t kStamp[8] = {0x54, 0x06, 0x00, 0x00, '4', '.', '0', 0x00};
    std::copy(
        std::begin(kStamp), std::end(kStamp),
        page.begin() + static_cast<std::ptrdiff_t>(header::kMaskedOffset + header::kMaskedSize));
    for (std::size_t o = 0xE00; o < kPageSize; o += 2) {
        page[o] = 0x00;
        page[o + 1] = 0x01;
    }
    page[0xE00] = 0x01;
    return page;
}

}  // namespace jet
