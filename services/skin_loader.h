#pragma once
// The program's look: the skin engine library written out beside the program, and the
// built-in skins attached by number.
#include <cstdint>

namespace services {

// The library file: the program's directory, then "\SkinH_EL.dll".
inline constexpr const char* kSkinEngineFileName = "SkinH_EL.dll";

// Writes the built-in engine library beside the program unless a file of that name is
// there, whatever its content, and makes it hidden. Results are not looked at: a library
// that cannot be written simply does not load.
void ensure_skin_engine();

// Attaches built-in skin `number` (1 to 33); any other number attaches no skin. The engine
// gets its own copy of the bytes, freed as soon as it returns.
void apply_skin(std::int32_t number);

}  // namespace services
