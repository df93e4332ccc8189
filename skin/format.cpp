#include "skin/format.h"

#include <algorithm>

namespace skin {

namespace {

constexpr std::array<std::uint8_t, 4> kMagic{'.', 'S', 'H', 'E'};

std::uint32_t read_u32(std::span<const std::uint8_t> d, std::size_t at) {
    return static_cast<std::uint32_t>(d[at]) | static_cast<std::uint32_t>(d[at + 1]) << 8 |
           static_cast<std::uint32_t>(d[at + 2]) << 16 |
           static_cast<std::uint32_t>(d[at + 3]) << 24;
}

std::uint16_t read_u16(std::span<const std::uint8_t> d, std::size_t at) {
    return static_cast<std::uint16_t>(d[at] | d[at + 1] << 8);
}

void put_u32(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t v) {
    for (std::size_t i = 0; i < 4; ++i)
        out[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

constexpr std::array<std::uint32_t, 256> crc_table() {
    std::array<std::uint32_t, 256> table{};
    for (std::uint32_t n = 0; n < 256; ++n) {
        std::uint32_t c = n;
        for (int k = 0; k < 8; ++k)
            c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        table[n] = c;
    }
    return table;
}

constexpr auto kCrcTable = crc_table();

ParseError parse_body(std::span<const std::uint8_t> body, Scheme& scheme) {
    if (body.empty()) return ParseError::bad_body;
    std::size_t name_size = body[0];
    std::size_t at = 1 + name_size;
    if (at >= body.size()) return ParseError::bad_body;
    scheme.name.assign(body.begin() + 1, body.begin() + static_cast<std::ptrdiff_t>(at));
    std::size_t count = body[at++];
    // Later versions may add colours at the end; fewer than we paint with is not a skin.
    if (count < kRoleCount || body.size() - at != count * 3) return ParseError::bad_body;
    for (std::size_t i = 0; i < kRoleCount; ++i, at += 3)
        scheme.colours[i] = {body[at], body[at + 1], body[at + 2]};
    return ParseError::none;
}

}  // namespace

std::uint32_t crc32(std::span<const std::uint8_t> data) {
    std::uint32_t c = 0xFFFFFFFFu;
    for (std::uint8_t byte : data)
        c = kCrcTable[(c ^ byte) & 0xFFu] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

ParseResult parse(std::span<const std::uint8_t> data) {
    ParseResult result;
    if (data.size() < kHeaderSize) {
        result.error = ParseError::too_short;
    } else if (!std::equal(kMagic.begin(), kMagic.end(), data.begin())) {
        result.error = ParseError::not_a_skin;
    } else if (read_u16(data, 4) != kFormatVersion) {
        result.error = ParseError::unknown_version;
    } else if (read_u16(data, 6) != kHeaderSize || read_u32(data, 8) != data.size() - kHeaderSize) {
        result.error = ParseError::wrong_size;
    } else if (crc32(data.subspan(kHeaderSize)) != read_u32(data, 12)) {
        result.error = ParseError::bad_checksum;
    } else {
        result.error = parse_body(data.subspan(kHeaderSize), result.scheme);
    }
    if (!result.ok()) result.scheme = {};
    return result;
}

std::vector<std::uint8_t> compose(const Scheme& scheme) {
    std::size_t name_size = std::min(scheme.name.size(), kMaxNameSize);
    std::vector<std::uint8_t> out(kHeaderSize);
    std::copy(kMagic.begin(), kMagic.end(), out.begin());
    out[4] = kFormatVersion & 0xFF;
    out[5] = kFormatVersion >> 8;
    out[6] = kHeaderSize & 0xFF;
    out[7] = kHeaderSize >> 8;
    out.push_back(static_cast<std::uint8_t>(name_size));
    out.insert(out.end(), scheme.name.begin(),
               scheme.name.begin() + static_cast<std::ptrdiff_t>(name_size));
    out.push_back(static_cast<std::uint8_t>(kRoleCount));
    for (const Rgb& c : scheme.colours)
        out.insert(out.end(), {c.r, c.g, c.b});
    auto body = std::span<const std::uint8_t>(out).subspan(kHeaderSize);
    put_u32(out, 8, static_cast<std::uint32_t>(body.size()));
    put_u32(out, 12, crc32(body));
    return out;
}

}  // namespace skin
