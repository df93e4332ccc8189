#pragma once
// What the status service answers for an ID that is not online: a 641-byte GIF89a badge the
// program carries, compared as opaque bytes (tools/make_offline_gif draws it).
#include <cstddef>
#include <cstdint>
#include <span>

namespace services {

inline constexpr std::size_t kOfflineStatusImageSize = 641;

std::span<const std::uint8_t> offline_status_image();

}  // namespace services
