// Reads the resource section of a PE file (exe or dll), as the Windows loader walks it:
// type, then ID, then language, then the data. Every offset is checked against the file.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace testing_support {

struct PeResource {
    std::uint32_t type = 0;  // RT_* number
    std::uint32_t id = 0;
    std::uint32_t language = 0;
    std::vector<std::uint8_t> data;
};

struct PeResources {
    std::string error;                // empty when the file was read whole
    std::vector<PeResource> entries;  // in directory order

    // The first entry of that type and ID, or nullptr.
    const PeResource* find(std::uint32_t type, std::uint32_t id) const;
};

// Resources named by text rather than by number are reported as an error: the program
// names every resource by number.
PeResources read_pe_resources(const std::vector<std::uint8_t>& file);

std::vector<std::uint8_t> read_whole_file(const std::string& path);

}  // namespace testing_support
