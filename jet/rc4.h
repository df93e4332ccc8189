#pragma once
#include <cstdint>
#include <span>

namespace jet {

// Applies the RC4 key stream of `key` to `data` in place (the same call masks and unmasks).
void rc4_apply(std::span<const std::uint8_t> key, std::span<std::uint8_t> data);

}  // namespace jet
