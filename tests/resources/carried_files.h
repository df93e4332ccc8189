// Where the tests find the files the program carries, and the tools they run.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "tests/resources/pe_resources.h"

namespace testing_support {

inline std::string resource_path(const std::string& name) {
    return std::string(LQ_SOURCE_DIR) + "/resources/" + name;
}

inline std::vector<std::uint8_t> carried(const std::string& name) {
    return read_whole_file(resource_path(name));
}

// True when `program` can be found on the PATH.
bool on_path(const std::string& program);

}  // namespace testing_support
