#pragma once
#include <memory>

#include "runtime/skin_engine.h"

namespace runtime::win32 {

// The engine image is the exe's RCDATA resource IDR_SKIN_ENGINE; the library is the file
// "SkinH_EL.dll" in the program's directory, loaded only when it holds exactly that image.
class Win32SkinEngine final : public SkinEngineAdapter {
  public:
    Win32SkinEngine();
    ~Win32SkinEngine() override;
    Win32SkinEngine(const Win32SkinEngine&) = delete;
    Win32SkinEngine& operator=(const Win32SkinEngine&) = delete;

    std::span<const std::uint8_t> engine_image() override;
    SkinAttach attach(const std::uint8_t* data, std::int32_t length) override;

  private:
    struct Library;
    std::unique_ptr<Library> library_;
};

}  // namespace runtime::win32
