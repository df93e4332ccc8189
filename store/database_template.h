#pragma once
// The empty customer database, as the program carries it: written out byte for byte when
// no file stands where the database belongs. tools/make_template builds it.
#include <cstdint>
#include <span>

namespace store {

inline constexpr std::size_t kDatabaseTemplateSize = 159744;

std::span<const std::uint8_t> database_template();

}  // namespace store
