#pragma once
// The engine's only door to storage: whole-range reads and writes at offsets.
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "jet/result.h"

namespace jet {

class File {
  public:
    virtual ~File() = default;
    virtual Result<std::uint64_t> size() const = 0;
    // Fills all of `out` or fails; a short read is an error.
    virtual Status read_at(std::uint64_t offset, std::span<std::uint8_t> out) const = 0;
    virtual Status write_at(std::uint64_t offset, std::span<const std::uint8_t> data) = 0;
    virtual Status truncate(std::uint64_t size) = 0;
    virtual Status sync() = 0;
};

enum class OpenMode { read_only, read_write };

// Opens a file of the operating system; a directory is refused.
Result<std::unique_ptr<File>> open_os_file(const std::string& utf8_path, OpenMode mode);

// A file held in memory: for tests, fuzzing and the built-in template.
class MemoryFile final : public File {
  public:
    explicit MemoryFile(std::vector<std::uint8_t> bytes = {}) : bytes_(std::move(bytes)) {}
    Result<std::uint64_t> size() const override {
        return static_cast<std::uint64_t>(bytes_.size());
    }
    Status read_at(std::uint64_t offset, std::span<std::uint8_t> out) const override;
    Status write_at(std::uint64_t offset, std::span<const std::uint8_t> data) override;
    Status truncate(std::uint64_t size) override;
    Status sync() override { return {}; }
    const std::vector<std::uint8_t>& bytes() const { return bytes_; }

  private:
    std::vector<std::uint8_t> bytes_;
};

}  // namespace jet
