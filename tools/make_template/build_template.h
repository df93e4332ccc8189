#pragma once
// Builds the empty customer database the program writes out on its first start.
#include <cstdint>
#include <vector>

#include "jet/result.h"

namespace templatedb {

inline constexpr std::size_t kTemplatePages = 39;

// The whole file: the same bytes on every build.
jet::Result<std::vector<std::uint8_t>> build_template();

}  // namespace templatedb
