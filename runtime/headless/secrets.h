#pragma once
// A stand-in for the system's per-user data protection, for tests and the native build: the
// secret is enciphered and sealed with a key made from the user's name, so it is not kept as
// plain text, another key cannot read it and a changed byte is refused. It protects nothing
// against anyone who has this code: only the Windows backend (DPAPI) protects for real.
#include <array>
#include <string_view>

#include "runtime/secrets.h"

namespace runtime::headless {

class HeadlessSecrets final : public SecretsAdapter {
  public:
    // The key of the user running the tests.
    HeadlessSecrets();
    // The key of another user (tests of a secret carried to another account).
    explicit HeadlessSecrets(std::string_view user);

    std::optional<Bytes> protect(std::span<const std::uint8_t> secret) override;
    std::optional<Bytes> unprotect(std::span<const std::uint8_t> kept) override;

    // While set, protect fails as the system's may (no user profile loaded).
    void set_refusing(bool refusing) { refusing_ = refusing; }

  private:
    std::array<std::uint64_t, 2> cipher_key_{}, seal_key_{};
    bool refusing_ = false;
};

}  // namespace runtime::headless
