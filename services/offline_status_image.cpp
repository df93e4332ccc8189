#include "services/offline_status_image.h"

#include "offline_status_gif.inc"

namespace services {

static_assert(sizeof k_offline_status_gif == kOfflineStatusImageSize);

std::span<const std::uint8_t> offline_status_image() {
    return {k_offline_status_gif, sizeof k_offline_status_gif};
}

}  // namespace services
