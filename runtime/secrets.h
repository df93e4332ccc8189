#pragma once
// Keeping a secret (the database server's password) for the user who runs the program: the
// bytes kept on disk can be turned back only by the same user, and a change to them is
// noticed rather than read as another secret.
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace runtime {

using Bytes = std::vector<std::uint8_t>;

class SecretsAdapter {
  public:
    virtual ~SecretsAdapter() = default;
    // The secret as it may be kept on disk; nullopt when the system would not protect it.
    virtual std::optional<Bytes> protect(std::span<const std::uint8_t> secret) = 0;
    // The secret again; nullopt when the bytes were changed, are not ours, or belong to
    // another user or computer.
    virtual std::optional<Bytes> unprotect(std::span<const std::uint8_t> kept) = 0;
};

}  // namespace runtime
