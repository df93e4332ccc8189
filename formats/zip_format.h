#pragma once
// The fixed records of a zip archive (PKWARE's APPNOTE), shared by the reader and the writer.
#include <cstddef>
#include <cstdint>

namespace formats::zip {

inline constexpr std::uint32_t kLocalHeaderSignature = 0x04034b50;
inline constexpr std::uint32_t kCentralHeaderSignature = 0x02014b50;
inline constexpr std::uint32_t kEndSignature = 0x06054b50;
inline constexpr std::uint32_t kZip64EndSignature = 0x06064b50;
inline constexpr std::uint32_t kZip64LocatorSignature = 0x07064b50;

inline constexpr std::size_t kLocalHeaderSize = 30;
inline constexpr std::size_t kCentralHeaderSize = 46;
inline constexpr std::size_t kEndSize = 22;
inline constexpr std::size_t kZip64LocatorSize = 20;
inline constexpr std::size_t kMaxCommentSize = 0xFFFF;

inline constexpr std::uint16_t kStored = 0;
inline constexpr std::uint16_t kDeflated = 8;

inline constexpr std::uint16_t kFlagEncrypted = 1u << 0;
inline constexpr std::uint16_t kFlagDataDescriptor = 1u << 3;
inline constexpr std::uint16_t kFlagStrongEncryption = 1u << 6;
inline constexpr std::uint16_t kFlagUtf8Name = 1u << 11;

// Version 2.0 (deflate) made on MS-DOS, what office programs write.
inline constexpr std::uint16_t kVersion20 = 20;

// A fixed time stamp, 1980-01-01 00:00 in DOS form, so that the same content always gives the
// same archive.
inline constexpr std::uint16_t kFixedDosTime = 0;
inline constexpr std::uint16_t kFixedDosDate = (0u << 9) | (1u << 5) | 1u;

// The largest value a 16- or 32-bit field holds; zip64 archives put these in as markers.
inline constexpr std::uint16_t kMax16 = 0xFFFF;
inline constexpr std::uint32_t kMax32 = 0xFFFFFFFF;

}  // namespace formats::zip
