#pragma once
// Whole files the program writes beside itself or where the user chose, and their
// attributes. Paths are UTF-8.
#include <cstdint>
#include <span>
#include <string_view>

namespace runtime {

class FilesAdapter {
  public:
    virtual ~FilesAdapter() = default;
    // Whether any directory entry, a file or a folder, has this name.
    virtual bool exists(std::string_view path) = 0;
    // Creates the file or cuts it to nothing, then writes `bytes`; true when all were written.
    virtual bool write(std::string_view path, std::span<const std::uint8_t> bytes) = 0;
    // Writes `bytes` to a file beside `path`, makes them durable, then puts that file in
    // place of `path` in one step: whatever fails, `path` holds either its old bytes or all
    // of the new ones, never a part. True when the new bytes stand at `path`.
    virtual bool replace(std::string_view path, std::span<const std::uint8_t> bytes) = 0;
    // Makes "hidden" the file's only attribute.
    virtual bool set_hidden(std::string_view path) = 0;
    virtual bool hidden(std::string_view path) = 0;
};

}  // namespace runtime
