// Little-endian fields read back out of picture and PE bytes.
#pragma once
#include <cstdint>
#include <vector>

namespace testing_support {

inline std::uint32_t le16(const std::vector<std::uint8_t>& b, std::size_t at) {
    return static_cast<std::uint32_t>(b.at(at) | b.at(at + 1) << 8);
}
inline std::uint32_t le32(const std::vector<std::uint8_t>& b, std::size_t at) {
    return le16(b, at) | le16(b, at + 2) << 16;
}
inline std::int32_t le32s(const std::vector<std::uint8_t>& b, std::size_t at) {
    return static_cast<std::int32_t>(le32(b, at));
}

}  // namespace testing_support
