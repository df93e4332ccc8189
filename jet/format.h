#pragma once
// Fixed facts of the Jet 4 file layout.
#include <cstddef>
#include <cstdint>

namespace jet {

inline constexpr std::size_t kPageSize = 4096;

enum class PageType : std::uint8_t {
    database = 0x00,
    data = 0x01,
    table_definition = 0x02,
    index_node = 0x03,
    index_leaf = 0x04,
    usage_map = 0x05,
};

namespace header {
inline constexpr std::size_t kSignatureOffset = 4;
inline constexpr std::size_t kVersionOffset = 0x14;
inline constexpr std::size_t kMaskedOffset = 0x18;
inline constexpr std::size_t kMaskedSize = 128;
inline constexpr std::size_t kCodePageOffset = 0x3C;
inline constexpr std::size_t kDatabaseKeyOffset = 0x3E;
inline constexpr std::size_t kPasswordOffset = 0x42;
inline constexpr std::size_t kPasswordSize = 40;
inline constexpr std::size_t kSortOrderOffset = 0x6E;
inline constexpr std::size_t kCreationDateOffset = 0x72;
inline constexpr std::uint8_t kMaskKey[4] = {0xC7, 0xDA, 0x39, 0x6B};
inline constexpr std::uint8_t kVersionJet4 = 1;
}  // namespace header

namespace datapage {
inline constexpr std::size_t kFreeSpaceOffset = 2;
inline constexpr std::size_t kOwnerOffset = 4;
inline constexpr std::size_t kRowCountOffset = 12;
inline constexpr std::size_t kRowTableOffset = 14;
inline constexpr std::uint16_t kDeletedFlag = 0x8000;
inline constexpr std::uint16_t kOverflowFlag = 0x4000;
inline constexpr std::uint16_t kOffsetMask = 0x1FFF;
}  // namespace datapage

// The 12-byte reference a memo or OLE field holds: a length with two flags, a row pointer.
namespace longvalue {
inline constexpr std::uint32_t kInlineFlag = 0x80000000u;     // the bytes follow the reference
inline constexpr std::uint32_t kSingleRowFlag = 0x40000000u;  // the bytes are one whole row
inline constexpr std::uint32_t kLengthMask = 0x3FFFFFFFu;
inline constexpr std::size_t kReferenceSize = 12;
}  // namespace longvalue

// The catalog's table definition always sits on page 2.
inline constexpr std::uint32_t kCatalogPage = 2;

}  // namespace jet
