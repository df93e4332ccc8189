#pragma once
// A Jet file's change stamp, read without opening the file: every commit rewrites pages of
// it, so its time of last change, with its size, moves with each one. Opening the file
// instead would take the lock the other copies write under.
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

namespace store {

// The steps file times move in: the system clock's tick, about 16 ms on Windows. Linux
// keeps finer times (a few milliseconds at worst); that build runs the tests.
#ifdef _WIN32
inline constexpr std::chrono::milliseconds kFileClockStep{20};
#else
inline constexpr std::chrono::milliseconds kFileClockStep{5};
#endif

struct FileStamp {
    std::optional<std::uint64_t> value;  // nullopt: the file could not be looked at
    // False for a file changed so shortly before the look that a change after it could still
    // carry the same time (file times move in steps of some milliseconds).
    bool settled = true;
};

FileStamp read_file_stamp(const std::string& path);

}  // namespace store
