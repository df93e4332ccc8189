#pragma once
// Where files come from: the operating system in the product, memory with
// injected crashes in the tests of the journal.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "jet/file.h"
#include "jet/result.h"

namespace jet {

class FileSystem {
  public:
    virtual ~FileSystem() = default;
    // An existing file; Errc::not_found when there is none.
    virtual Result<std::unique_ptr<File>> open(const std::string& path, OpenMode mode) = 0;
    // An empty file open for reading and writing; an existing one is cut to nothing.
    virtual Result<std::unique_ptr<File>> create(const std::string& path) = 0;
    // Errc::not_found when there is nothing to remove. Close the file's handles first:
    // Windows refuses to remove an open file.
    virtual Status remove(const std::string& path) = 0;
    virtual Result<bool> exists(const std::string& path) const = 0;
    // Gives the file `from` the name `to`, which must not exist: nothing is ever replaced.
    // After a power cut before the directory is synced, either name or both may remain.
    virtual Status rename_new(const std::string& from, const std::string& to) = 0;
    // Makes the creation or removal of `path` itself survive a power cut; a file's own
    // sync() covers its bytes, not its name in the directory.
    virtual Status sync_directory_of(const std::string& path) = 0;
    // The names of the files directly in the folder `dir` (no folders, no "." entries).
    virtual Result<std::vector<std::string>> list_files(const std::string& dir) const {
        return make_error(Errc::io, "cannot list " + dir);
    }
    // Makes the folder unless it is there.
    virtual Status make_directory(const std::string& path) {
        return make_error(Errc::io, "cannot make " + path);
    }
    // A number that changes with every change of the file's bytes and is never given to other
    // bytes, where the file system can tell without reading the file; none where it cannot.
    virtual std::optional<std::uint64_t> version(const std::string&) const { return std::nullopt; }
};

// The operating system's files: POSIX natively, Win32 in the product. Paths are UTF-8.
class OsFileSystem final : public FileSystem {
  public:
    Result<std::unique_ptr<File>> open(const std::string& path, OpenMode mode) override;
    Result<std::unique_ptr<File>> create(const std::string& path) override;
    Status remove(const std::string& path) override;
    Result<bool> exists(const std::string& path) const override;
    Status rename_new(const std::string& from, const std::string& to) override;
    Status sync_directory_of(const std::string& path) override;
    Result<std::vector<std::string>> list_files(const std::string& dir) const override;
    Status make_directory(const std::string& path) override;
};

}  // namespace jet
