#pragma once
// A strict reader of GIF files for the tests: the block structure and the decoded pixels,
// written apart from the encoder it checks.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace testsupport {

struct GifImage {
    int left = 0, top = 0, width = 0, height = 0;
    bool local_colour_table = false;
    bool interlaced = false;
    int min_code_size = 0;
    std::vector<std::size_t> sub_block_sizes;
    std::size_t clear_codes = 0;       // counting the one that starts the stream
    std::vector<std::uint8_t> pixels;  // decoded indices
};

struct GraphicControl {
    int disposal = 0;
    bool transparent = false;
    int transparent_index = 0;
    int delay = 0;
};

struct GifFile {
    std::string signature;  // "GIF87a" or "GIF89a"
    int width = 0, height = 0;
    std::size_t global_colours = 0;     // 0 without a global colour table
    std::vector<std::uint8_t> palette;  // r, g, b of each global colour
    int background = 0;
    std::vector<GraphicControl> controls;
    std::size_t other_extensions = 0;
    std::vector<GifImage> images;
    bool trailer = false;
    std::size_t bytes_after_trailer = 0;
};

// None, with the reason in `error`, when the file is not a well-formed GIF.
std::optional<GifFile> read_gif(std::span<const std::uint8_t> bytes, std::string& error);

}  // namespace testsupport
