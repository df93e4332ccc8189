#pragma once
// The built-in database holding `count` generated customers, every fifth one closed, filled
// in one go with the indexes built once at the end.
#include <cstdint>
#include <vector>

namespace bench {

std::vector<std::uint8_t> customer_database(int count);

}  // namespace bench
