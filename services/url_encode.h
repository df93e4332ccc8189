#pragma once

#include <string>
#include <string_view>

namespace services {

// Percent-encodes bytes for an address. ASCII letters, digits, ".", "-" and
// "_" stay; every other byte becomes "%XX" (upper-case hex). A byte of 0x7F
// or above is taken as the first of a two-byte character and encoded
// together with the byte after it, whatever that byte is; a last byte on its
// own is encoded alone.
std::string url_encode(std::string_view bytes);

}  // namespace services
