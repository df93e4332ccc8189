#pragma once
// The skin engine library the program carries and calls: its built-in image, and attaching a
// skin to the program's windows.
#include <cstdint>
#include <span>

namespace runtime {

struct SkinAttach {
    enum class Outcome {
        attached,         // the engine was called; `result` is its answer
        library_missing,  // "SkinH_EL.dll" could not be loaded
        not_ours,         // "SkinH_EL.dll" is some other file: it is never loaded
        entry_missing,    // it loaded but has no SkinH_AttachRes
    };
    Outcome outcome = Outcome::library_missing;
    int result = 0;  // the engine's own answer, 0 when it took the skin
};

class SkinEngineAdapter {
  public:
    virtual ~SkinEngineAdapter() = default;
    // The engine library as the program carries it; empty when the build carries none.
    virtual std::span<const std::uint8_t> engine_image() = 0;
    // SkinH_AttachRes(data, length, "", 0, 0, 0) of "SkinH_EL.dll", which is loaded by that
    // name on the first call and stays loaded. Null data with length 0 asks for no skin.
    virtual SkinAttach attach(const std::uint8_t* data, std::int32_t length) = 0;
};

}  // namespace runtime
