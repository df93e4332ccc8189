#pragma once
// The skin file: what a skin says and how it is laid out in bytes. Plain C++: the engine, the
// tool that writes the built-in skins and the tests share it.
//
// Layout, integers little-endian:
//   0   4  ".SHE"
//   4   2  format version, 1
//   6   2  size of this header, 16
//   8   4  body size in bytes
//   12  4  CRC-32 (as zip computes it) of the body
//   16     body: name size (1 byte), the name in UTF-8, colour count (1 byte), then that many
//          colours of 3 bytes (red, green, blue) in the order of Role
// A skin is exactly header plus body; anything else is refused.
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "skin/colour.h"

namespace skin {

// What each colour of a skin paints.
enum class Role : std::uint8_t {
    window,       // window and dialog backgrounds
    window_text,  // labels and other text on the window background
    edit,         // edit boxes and drop-down lists
    edit_text,
    button,         // push button face, top of its gradient
    button_bottom,  // push button face, bottom of its gradient
    button_text,
    button_hot,  // face of a button or toolbar entry under the mouse or pressed
    border,      // frames of buttons, boxes and header dividers
    selection,   // the selected list row
    selection_text,
    header,  // list column headers
    header_text,
    toolbar,
    toolbar_text,
    list,  // list view background
    list_text,
    accent,  // check marks, focus rectangles, the hot entry's frame
};
inline constexpr std::size_t kRoleCount = 18;

struct Scheme {
    std::string name;
    std::array<Rgb, kRoleCount> colours{};

    Rgb operator[](Role role) const { return colours[static_cast<std::size_t>(role)]; }
    Rgb& operator[](Role role) { return colours[static_cast<std::size_t>(role)]; }
    friend bool operator==(const Scheme&, const Scheme&) = default;
};

inline constexpr std::uint16_t kFormatVersion = 1;
inline constexpr std::size_t kHeaderSize = 16;
inline constexpr std::size_t kMaxNameSize = 255;

enum class ParseError {
    none,
    too_short,   // fewer bytes than a header
    not_a_skin,  // does not start with ".SHE"
    unknown_version,
    wrong_size,    // the header's sizes do not match the data
    bad_checksum,  // the body is not what was written
    bad_body,      // the body does not hold a name and enough colours
};

struct ParseResult {
    ParseError error = ParseError::none;
    Scheme scheme;
    bool ok() const { return error == ParseError::none; }
};

// Reads a skin; every length is checked against `data` before it is used.
ParseResult parse(std::span<const std::uint8_t> data);

// The bytes of a skin. Names longer than kMaxNameSize bytes are cut.
std::vector<std::uint8_t> compose(const Scheme& scheme);

// CRC-32 with the polynomial of zip and PNG (reflected 0xEDB88320).
std::uint32_t crc32(std::span<const std::uint8_t> data);

}  // namespace skin
