#pragma once
// Writes zip archives in memory. Every entry carries the same fixed time stamp, so the same
// entries in the same order always give the same bytes.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "formats/format_error.h"

namespace formats {

class ZipWriter {
  public:
    // Adds an entry, deflated unless `compress` is false or deflating would not make it
    // smaller. Refuses a repeated name and sizes beyond what a zip without zip64 can hold.
    Status add(std::string_view name, std::span<const std::uint8_t> data, bool compress = true);
    Status add(std::string_view name, std::string_view text, bool compress = true);

    // The whole archive: local headers and data, central directory, end record.
    Result<std::vector<std::uint8_t>> finish() const;

  private:
    struct Written {
        std::string name;
        std::uint16_t method;
        std::uint16_t flags;
        std::uint32_t crc;
        std::uint32_t compressed_size;
        std::uint32_t size;
        std::uint32_t offset;
    };
    std::vector<std::uint8_t> body_;
    std::vector<Written> written_;
};

}  // namespace formats
