#pragma once
// The built-in offline status picture: the badge of badge.h as a 641-byte GIF89a.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "tools/make_offline_gif/badge.h"
#include "tools/make_offline_gif/lzw.h"

namespace offline_gif {

inline constexpr std::size_t kFileSize = 641;

// Header, logical screen, colour table, graphic control extension, image descriptor, the
// image data in sub-blocks of up to 255 bytes, trailer.
std::vector<std::uint8_t> gif_file(const Picture& picture, std::span<const std::uint8_t> lzw);

// The bytes the whole file leaves for the compressed image when it is kFileSize long.
std::size_t lzw_budget();

struct Built {
    std::vector<std::uint8_t> bytes;  // empty when the badge cannot be made to fit
    std::string error;
};

// Draws the badge and encodes it so that the file is exactly kFileSize bytes: the plain
// encoding is shortened matches apart until it fills the budget. Same bytes on every run.
Built build_offline_gif();

}  // namespace offline_gif
