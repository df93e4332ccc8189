#pragma once
// Reads zip archives held in memory: the central directory, each entry's local header, stored
// and deflated entries. Every offset and size comes from the file and is checked before use.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "formats/format_error.h"

namespace formats {

struct ZipEntry {
    std::string name;  // as stored: UTF-8 for every name a workbook holds
    std::uint16_t method = 0;
    std::uint16_t flags = 0;
    std::uint32_t crc = 0;
    std::uint32_t compressed_size = 0;
    std::uint32_t size = 0;
    std::size_t header_offset = 0;  // where its local header starts
    std::size_t data_offset = 0;    // where its (compressed) bytes start
};

struct ZipLimits {
    // An entry declaring more than this is refused before anything is inflated.
    std::size_t max_entry_size = std::size_t{256} << 20;
    std::size_t max_entries = 65535;
    // All entries read from one archive together, counted as declared before inflating.
    std::size_t max_total_size = std::size_t{256} << 20;
    // Declared size over stored size, for entries larger than `ratio_floor`: the text of a
    // table compresses a few dozen times, a bomb of repeated bytes a thousand.
    std::size_t max_ratio = 200;
    std::size_t ratio_floor = std::size_t{1} << 20;
};

class ZipArchive {
  public:
    // Checks the whole directory and every local header. The archive keeps its own copy of
    // the bytes.
    static Result<ZipArchive> open(std::span<const std::uint8_t> bytes, ZipLimits limits = {});

    const std::vector<ZipEntry>& entries() const { return entries_; }
    // The entry of that exact name; nullptr when there is none.
    const ZipEntry* find(std::string_view name) const;

    // The entry's content, inflated and checked against its size and CRC-32. Refused before
    // inflating when it would pass the entry, total or ratio limit.
    Result<std::vector<std::uint8_t>> read(const ZipEntry& entry) const;
    Result<std::vector<std::uint8_t>> read(std::string_view name) const;
    // The same as text, inflated straight into the string: a large part is held once.
    Result<std::string> read_text(const ZipEntry& entry) const;

  private:
    // The limits checked and the entry's bytes put into `out`, which has its size.
    Status check_limits(const ZipEntry& entry) const;
    Status unpack(const ZipEntry& entry, std::span<std::uint8_t> out) const;

    ZipArchive(std::span<const std::uint8_t> bytes, ZipLimits limits)
        : bytes_(bytes.begin(), bytes.end()), limits_(limits) {}

    std::vector<std::uint8_t> bytes_;
    ZipLimits limits_;
    mutable std::size_t unpacked_ = 0;  // declared bytes of the entries read so far
    std::vector<ZipEntry> entries_;
};

}  // namespace formats
