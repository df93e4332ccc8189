#pragma once
// Little-endian field access over a bounded byte range. Every read checks its
// bounds, because every offset in a Jet file comes from the disk.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <span>

namespace jet {

using Bytes = std::span<const std::uint8_t>;

inline bool in_range(Bytes b, std::size_t offset, std::size_t length) {
    return offset <= b.size() && length <= b.size() - offset;
}

inline std::optional<std::uint8_t> u8_at(Bytes b, std::size_t offset) {
    if (!in_range(b, offset, 1)) return std::nullopt;
    return b[offset];
}

inline std::optional<std::uint16_t> u16_at(Bytes b, std::size_t offset) {
    if (!in_range(b, offset, 2)) return std::nullopt;
    return static_cast<std::uint16_t>(b[offset] | (b[offset + 1] << 8));
}

inline std::optional<std::uint32_t> u32_at(Bytes b, std::size_t offset) {
    if (!in_range(b, offset, 4)) return std::nullopt;
    return static_cast<std::uint32_t>(b[offset]) |
           (static_cast<std::uint32_t>(b[offset + 1]) << 8) |
           (static_cast<std::uint32_t>(b[offset + 2]) << 16) |
           (static_cast<std::uint32_t>(b[offset + 3]) << 24);
}

inline std::optional<std::uint64_t> u64_at(Bytes b, std::size_t offset) {
    auto lo = u32_at(b, offset);
    auto hi = u32_at(b, offset + 4);
    if (!lo || !hi) return std::nullopt;
    return (static_cast<std::uint64_t>(*hi) << 32) | *lo;
}

inline std::optional<double> f64_at(Bytes b, std::size_t offset) {
    auto bits = u64_at(b, offset);
    if (!bits) return std::nullopt;
    double d;
    std::memcpy(&d, &*bits, sizeof d);
    return d;
}

inline std::optional<float> f32_at(Bytes b, std::size_t offset) {
    auto bits = u32_at(b, offset);
    if (!bits) return std::nullopt;
    float f;
    std::memcpy(&f, &*bits, sizeof f);
    return f;
}

// Unchecked access for offsets the caller has already bounded.
inline std::uint16_t load_u16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
inline std::uint32_t load_u32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
inline void store_u16(std::uint8_t* p, std::uint16_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}
inline void store_u32(std::uint8_t* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

// A 64-bit FNV-1a hash of the bytes: the same value in every build, 32-bit ones included.
inline std::uint64_t fnv1a64(Bytes b) {
    std::uint64_t h = 0xcbf29ce484222325ULL;
    for (const std::uint8_t c : b)
        h = (h ^ c) * 0x100000001b3ULL;
    return h;
}

}  // namespace jet
