#pragma once
// The 33 built-in colour schemes, numbered 1 to 33, from which the built-in skin files are
// written (tools/make_skins).
#include <cstddef>
#include <cstdint>

#include "skin/format.h"

namespace skin {

inline constexpr std::int32_t kSchemeCount = 33;

// Scheme `number`, 1 to kSchemeCount.
Scheme builtin_scheme(std::int32_t number);

}  // namespace skin
