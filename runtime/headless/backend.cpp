#include "runtime/headless/backend.h"

#include <memory>
#include <utility>

namespace runtime::headless {

namespace {

// Hands the adapter to the platform and returns where it now lives.
template <typename Adapter, typename Setter>
Adapter* give(Platform& platform, Setter setter) {
    auto adapter = std::make_unique<Adapter>();
    Adapter* kept = adapter.get();
    (platform.*setter)(std::move(adapter));
    return kept;
}

}  // namespace

Backend::Backend()
    : message_boxes_(give<HeadlessMessageBoxes>(platform_, &Platform::set_message_boxes)),
      code_pages_(give<IconvCodePages>(platform_, &Platform::set_code_pages)),
      shell_(give<HeadlessShell>(platform_, &Platform::set_shell)),
      windows_(give<HeadlessWindows>(platform_, &Platform::set_windows)),
      http_(give<SocketHttp>(platform_, &Platform::set_http)),
      files_(give<HeadlessFiles>(platform_, &Platform::set_files)),
      skin_engine_(give<HeadlessSkinEngine>(platform_, &Platform::set_skin_engine)),
      secrets_(give<HeadlessSecrets>(platform_, &Platform::set_secrets)),
      install_(platform_) {}

}  // namespace runtime::headless
