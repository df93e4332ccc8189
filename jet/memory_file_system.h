#pragma once
// Files in memory that can lose power: the journal's tests crash it at every step and
// look at what a disk would still hold.
//
// Every write, truncate, sync, create, remove and directory sync is one step. Until a
// file is synced its changes since the last sync are pending; until its directory is
// synced, creations and removals of names are pending. After a crash no step takes
// effect; reboot() then decides which pending changes reached the disk.
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "jet/file_system.h"

namespace jet {

enum class Unsynced { lost, kept };

class MemoryFileSystem final : public FileSystem {
  public:
    MemoryFileSystem();
    // A snapshot: the copy shares nothing with the original, not even open files.
    MemoryFileSystem(const MemoryFileSystem& other);
    MemoryFileSystem& operator=(const MemoryFileSystem& other);

    Result<std::unique_ptr<File>> open(const std::string& path, OpenMode mode) override;
    Result<std::unique_ptr<File>> create(const std::string& path) override;
    Status remove(const std::string& path) override;
    Result<bool> exists(const std::string& path) const override;
    Status rename_new(const std::string& from, const std::string& to) override;
    Status sync_directory_of(const std::string& path) override;
    std::optional<std::uint64_t> version(const std::string& path) const override;

    // Places a file as though it had long been on the disk.
    void put(const std::string& path, std::vector<std::uint8_t> bytes);
    // The bytes the running program sees; nullopt when there is no such file.
    std::optional<std::vector<std::uint8_t>> contents(const std::string& path) const;

    // Steps taken since construction.
    std::uint64_t steps() const;
    // After `steps` more steps, the next one fails with Errc::io and changes nothing;
    // the ones after it work again.
    void fail_after(std::uint64_t steps);
    // After `steps` more steps the power goes: every later step fails and changes nothing.
    void crash_after(std::uint64_t steps);
    bool crashed() const;

    // Power returns. Every pending change is lost or kept, as told; files opened
    // before fail from now on.
    void reboot(Unsynced unsynced);
    // As above, keeping the pending changes for which keep(n) holds, n counting them
    // in the order they were made.
    void reboot(const std::function<bool(std::uint64_t)>& keep);

    struct State;

  private:
    std::shared_ptr<State> state_;
};

}  // namespace jet
