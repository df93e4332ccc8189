#pragma once
// The user's secrets kept with the system's per-user data protection (DPAPI): only the same
// Windows account on the same computer turns them back, and a changed byte is refused.
#include "runtime/secrets.h"

namespace runtime::win32 {

class Win32Secrets final : public SecretsAdapter {
  public:
    std::optional<Bytes> protect(std::span<const std::uint8_t> secret) override;
    std::optional<Bytes> unprotect(std::span<const std::uint8_t> kept) override;
};

}  // namespace runtime::win32
