#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "jet/bytes.h"
#include "jet/result.h"

namespace jet {

struct Header {
    std::uint8_t version = 0;
    std::uint16_t code_page = 0;
    std::uint32_t database_key = 0;  // non-zero: every page after 0 is RC4-masked
    std::uint32_t sort_order = 0;
    double creation_date = 0;
    std::u16string password;  // empty: the database has none
};

// Reads page 0 (as stored on disk) and unmasks its protected region.
Result<Header> parse_header(Bytes page0);

// True when `password` opens a database whose header is `h`, as the real engine decides:
// the stored password must match exactly, letter case and blanks included; a database
// without a password opens with any text.
bool password_opens(const Header& h, std::string_view utf8_password);

// The password region as stored, for a given password and creation date (used by the writer).
void encode_password(std::u16string_view password, double creation_date, std::uint8_t (&out)[40]);

// Page 0 for a new database with these fields, masked as stored. What no field names is
// written as Access writes it in a new file.
std::vector<std::uint8_t> encode_header(const Header& h);

}  // namespace jet
