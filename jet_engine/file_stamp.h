#pragma once
// A Jet file's change stamp, read without opening the file: every commit rewrites pages of
// it, so its time of last change, with its size, moves with each one. Opening the file
// instead would take the lock the other copies write under.
#include <cstdint>
#include <optional>
#include <string>

namespace store {

struct FileStamp {
    std::optional<std::uint64_t> value;  // nullopt: the file could not be looked at
    // False for a file changed so shortly before the look that a change after it could still
    // carry the same time (file times move in steps of some milliseconds).
    bool settled = true;
};

FileStamp read_file_stamp(const std::string& path);

}  // namespace store
