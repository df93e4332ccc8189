#pragma once
// Raw deflate streams, as zip entries hold them (no zlib or gzip wrapper), and their CRC-32.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "formats/format_error.h"

namespace formats {

std::uint32_t crc32_of(std::span<const std::uint8_t> data);

// Compresses at zlib's default level: the same input gives the same bytes every time.
Result<std::vector<std::uint8_t>> deflate_raw(std::span<const std::uint8_t> data);

// Inflates a stream that must give exactly `size` bytes and end within `compressed`. A stream
// that would give more is stopped at once, so a declared size bounds the memory used.
Result<std::vector<std::uint8_t>> inflate_raw(std::span<const std::uint8_t> compressed,
                                              std::size_t size);
// The same into room the caller made: the stream must fill `out` exactly.
Status inflate_raw_into(std::span<const std::uint8_t> compressed, std::span<std::uint8_t> out);

}  // namespace formats
