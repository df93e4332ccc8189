#include <algorithm>

#include "jet/file.h"

namespace jet {

Status MemoryFile::read_at(std::uint64_t offset, std::span<std::uint8_t> out) const {
    if (offset > bytes_.size() || out.size() > bytes_.size() - offset)
        return make_error(Errc::io, "read past the end of the file");
    std::copy_n(bytes_.begin() + static_cast<std::ptrdiff_t>(offset), out.size(), out.begin());
    return {};
}

Status MemoryFile::write_at(std::uint64_t offset, std::span<const std::uint8_t> data) {
    constexpr std::uint64_t kLimit = std::uint64_t{1} << 31;  // the format's own ceiling
    if (offset > kLimit || data.size() > kLimit - offset)
        return make_error(Errc::full, "write beyond the largest database size");
    // Within the limit above, so it fits a size_t on every target.
    auto end = static_cast<std::size_t>(offset + data.size());
    if (bytes_.size() < end) bytes_.resize(end);
    std::copy(data.begin(), data.end(), bytes_.begin() + static_cast<std::ptrdiff_t>(offset));
    return {};
}

Status MemoryFile::truncate(std::uint64_t size) {
    if (size > (std::uint64_t{1} << 31)) return make_error(Errc::full, "larger than any database");
    bytes_.resize(static_cast<std::size_t>(size));
    return {};
}

}  // namespace jet
