#include "jet_engine/file_stamp.h"

#include <chrono>
#include <filesystem>
#include <system_error>

namespace store {

FileStamp read_file_stamp(const std::string& path) {
    FileStamp stamp;
    std::error_code ec;
    const auto p = std::filesystem::path(
        std::u8string(reinterpret_cast<const char8_t*>(path.data()), path.size()));
    const auto when = std::filesystem::last_write_time(p, ec);
    if (ec) return stamp;
    const auto size = std::filesystem::file_size(p, ec);
    if (ec) return stamp;
    const auto ticks = static_cast<std::uint64_t>(when.time_since_epoch().count());
    stamp.value = ticks * 1000003u ^ static_cast<std::uint64_t>(size);
    stamp.settled = std::filesystem::file_time_type::clock::now() - when >= kFileClockStep;
    return stamp;
}

}  // namespace store
