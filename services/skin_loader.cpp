#include "services/skin_loader.h"

#include <algorithm>
#include <memory>
#include <string>

#include "runtime/platform.h"
#include "services/builtin_skins.h"

namespace services {

void ensure_skin_engine() {
    auto& platform = runtime::platform();
    // A drive root ("C:\") gives "C:\\SkinH_EL.dll", which Windows takes as it is.
    const std::string path = platform.shell().program_directory() + "\\" + kSkinEngineFileName;
    auto& files = platform.files();
    if (files.exists(path)) return;
    files.write(path, platform.skin_engine().engine_image());
    files.set_hidden(path);
}

void apply_skin(std::int32_t number) {
    ensure_skin_engine();
    const auto skin = builtin_skin(number);
    // A fresh buffer per call, so the engine cannot rely on the bytes outliving it.
    std::unique_ptr<std::uint8_t[]> buffer;
    if (!skin.empty()) {
        buffer = std::make_unique_for_overwrite<std::uint8_t[]>(skin.size());
        std::copy(skin.begin(), skin.end(), buffer.get());
    }
    runtime::platform().skin_engine().attach(buffer.get(), static_cast<std::int32_t>(skin.size()));
}

}  // namespace services
