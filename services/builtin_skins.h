#pragma once
// The 33 skins the program carries, numbered 1 to 33, as opaque bytes for the skin engine.
#include <cstdint>
#include <span>

namespace services {

inline constexpr std::int32_t kBuiltInSkinCount = 33;

// Skin `number`; empty for a number outside 1..kBuiltInSkinCount.
std::span<const std::uint8_t> builtin_skin(std::int32_t number);

}  // namespace services
