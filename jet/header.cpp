#include "jet/header.h"

#include <array>
#include <cmath>
#include <cstring>

#include "jet/format.h"
#include "jet/rc4.h"
#include "jet/text.h"

namespace jet {

namespace {

// The password bytes are further masked with the whole part of the creation date.
std::array<std::uint8_t, 4> date_mask(double creation_date) {
    std::int32_t whole = 0;
    if (std::isfinite(creation_date) && creation_date > -2147483648.0 &&
        creation_date < 2147483647.0)
        whole = static_cast<std::int32_t>(std::floor(creation_date));
    std::uint32_t bits = static_cast<std::uint32_t>(whole);
    return {static_cast<std::uint8_t>(bits), static_cast<std::uint8_t>(bits >> 8),
            static_cast<std::uint8_t>(bits >> 16), static_cast<std::uint8_t>(bits >> 24)};
}

}  // namespace

Result<Header> parse_header(Bytes page0) {
    static constexpr char kSignature[] = "Standard Jet DB";
    if (page0.size() < kPageSize)
        return make_error(Errc::not_a_database, "file shorter than one page");
    if (page0[0] != 0x00 || page0[1] != 0x01 || page0[2] != 0x00 || page0[3] != 0x00 ||
        std::memcmp(page0.data() + header::kSignatureOffset, kSignature, sizeof kSignature) != 0)
        return make_error(Errc::not_a_database, "no Jet database signature");
    Header h;
    h.version = page0[header::kVersionOffset];
    if (h.version != header::kVersionJet4)
        return make_error(Errc::unsupported_version,
                          "engine version " + std::to_string(h.version) + " is not Jet 4");

    std::array<std::uint8_t, header::kMaskedSize> region;
    std::memcpy(region.data(), page0.data() + header::kMaskedOffset, region.size());
    rc4_apply(header::kMaskKey, region);
    auto at = [&](std::size_t page_offset) { return page_offset - header::kMaskedOffset; };
    Bytes r(region);
    h.code_page = *u16_at(r, at(header::kCodePageOffset));
    h.database_key = *u32_at(r, at(header::kDatabaseKeyOffset));
    h.sort_order = *u32_at(r, at(header::kSortOrderOffset));
    h.creation_date = *f64_at(r, at(header::kCreationDateOffset));

    auto mask = date_mask(h.creation_date);
    std::u16string pw;
    for (std::size_t i = 0; i < header::kPasswordSize; i += 2) {
        std::size_t o = at(header::kPasswordOffset) + i;
        auto lo = static_cast<std::uint8_t>(region[o] ^ mask[i % 4]);
        auto hi = static_cast<std::uint8_t>(region[o + 1] ^ mask[(i + 1) % 4]);
        char16_t c = static_cast<char16_t>(lo | (hi << 8));
        if (c == 0) break;
        pw.push_back(c);
    }
    h.password = std::move(pw);
    return h;
}

bool password_opens(const Header& h, std::string_view utf8_password) {
    if (h.password.empty()) return true;
    return utf8_to_utf16(utf8_password) == h.password;
}

void encode_password(std::u16string_view password, double creation_date, std::uint8_t (&out)[40]) {
    auto mask = date_mask(creation_date);
    std::memset(out, 0, sizeof out);
    for (std::size_t i = 0; i < password.size() && 2 * i + 1 < sizeof out; ++i) {
        out[2 * i] = static_cast<std::uint8_t>(password[i]);
        out[2 * i + 1] = static_cast<std::uint8_t>(password[i] >> 8);
    }
    for (std::size_t i = 0; i < sizeof out; ++i)
        out[i] ^= mask[i % 4];
}

}  // namespace jet
