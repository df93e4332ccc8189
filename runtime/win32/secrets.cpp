#include "runtime/win32/secrets.h"

// clang-format off
#include <windows.h>
#include <wincrypt.h>
// clang-format on

#include <limits>
#include <memory>

namespace runtime::win32 {

namespace {

// What CryptProtectData and CryptUnprotectData hand back is the caller's to free.
struct LocalFreer {
    void operator()(BYTE* p) const { LocalFree(p); }
};

std::optional<Bytes> taken(const DATA_BLOB& out) {
    std::unique_ptr<BYTE, LocalFreer> owned(out.pbData);
    if (!owned) return std::nullopt;
    return Bytes(owned.get(), owned.get() + out.cbData);
}

bool fits(std::span<const std::uint8_t> bytes) {
    return bytes.size() <= std::numeric_limits<DWORD>::max();
}

DATA_BLOB blob_of(std::span<const std::uint8_t> bytes) {
    // The functions only read their input, though the structure's pointer is not const.
    return {static_cast<DWORD>(bytes.size()),
            const_cast<BYTE*>(reinterpret_cast<const BYTE*>(bytes.data()))};
}

// Shows no prompt: the program keeps the secret silently, or fails.
constexpr DWORD kFlags = CRYPTPROTECT_UI_FORBIDDEN;

}  // namespace

std::optional<Bytes> Win32Secrets::protect(std::span<const std::uint8_t> secret) {
    if (!fits(secret)) return std::nullopt;
    DATA_BLOB in = blob_of(secret), out{};
    if (!CryptProtectData(&in, L"lanqiao", nullptr, nullptr, nullptr, kFlags, &out))
        return std::nullopt;
    return taken(out);
}

std::optional<Bytes> Win32Secrets::unprotect(std::span<const std::uint8_t> kept) {
    if (!fits(kept) || kept.empty()) return std::nullopt;
    DATA_BLOB in = blob_of(kept), out{};
    if (!CryptUnprotectData(&in, nullptr, nullptr, nullptr, nullptr, kFlags, &out))
        return std::nullopt;
    return taken(out);
}

}  // namespace runtime::win32
