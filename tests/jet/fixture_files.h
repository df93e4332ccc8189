#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace testing_support {

std::string fixture_path(const std::string& name);
std::vector<std::uint8_t> fixture_bytes(const std::string& name);
// Every fixture file name.
std::vector<std::string> fixture_names();

}  // namespace testing_support
