#include "formats/png_writer.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "formats/deflate.h"

namespace formats {

namespace {

constexpr std::uint32_t kLargestSide = 0x7FFFFFFF;  // PNG's own limit on a side
// A chart is far smaller; beyond this the copies made on the way would not fit in memory.
constexpr std::uint64_t kLargestImage = std::uint64_t{1} << 30;

void put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<std::uint8_t>(v >> shift));
}

// Length, type, data, and the CRC of type and data.
void put_chunk(std::vector<std::uint8_t>& out, std::string_view type,
               std::span<const std::uint8_t> data) {
    put32(out, static_cast<std::uint32_t>(data.size()));
    const std::size_t type_at = out.size();
    out.insert(out.end(), type.begin(), type.end());
    out.insert(out.end(), data.begin(), data.end());
    put32(out, crc32_of(std::span(out).subspan(type_at)));
}

std::uint32_t adler32_of(std::span<const std::uint8_t> data) {
    constexpr std::uint32_t kBase = 65521;
    constexpr std::size_t kRun = 5552;  // the longest run whose sums cannot overflow 32 bits
    std::uint32_t a = 1, b = 0;
    for (std::size_t at = 0; at < data.size();) {
        const std::size_t end = std::min(data.size(), at + kRun);
        for (; at < end; ++at) {
            a += data[at];
            b += a;
        }
        a %= kBase;
        b %= kBase;
    }
    return (b << 16) | a;
}

}  // namespace

Result<std::vector<std::uint8_t>> encode_png(std::span<const std::uint8_t> pixels,
                                             std::uint32_t width, std::uint32_t height,
                                             PixelFormat format) {
    if (width == 0 || height == 0 || width > kLargestSide || height > kLargestSide)
        return invalid_value("图片的宽和高须在 1 到 2147483647 像素之间");
    const std::uint64_t channels = format == PixelFormat::rgba ? 4 : 3;
    const std::uint64_t row = std::uint64_t{width} * channels;
    if (row * height > kLargestImage) return too_large("图片太大，无法保存");
    if (pixels.size() != row * height) return invalid_value("像素的数目与图片的大小不符");

    // Each row behind its filter byte; filter 0 keeps the bytes as they are.
    std::vector<std::uint8_t> filtered;
    filtered.reserve(static_cast<std::size_t>((row + 1) * height));
    for (std::uint64_t y = 0; y < height; ++y) {
        filtered.push_back(0);
        const auto line =
            pixels.subspan(static_cast<std::size_t>(y * row), static_cast<std::size_t>(row));
        filtered.insert(filtered.end(), line.begin(), line.end());
    }
    auto deflated = deflate_raw(filtered);
    if (!deflated) return deflated.error();

    // A zlib stream: deflate at the default level behind its header, the Adler-32 after.
    // Sized once and copied into: GCC 12 with ThreadSanitizer misreads a range insert
    // behind a two-byte vector as writing out of bounds.
    std::vector<std::uint8_t> stream(2 + deflated->size());
    stream[0] = 0x78;
    stream[1] = 0x9C;
    std::copy(deflated->begin(), deflated->end(), stream.begin() + 2);
    put32(stream, adler32_of(filtered));

    std::vector<std::uint8_t> header;
    put32(header, width);
    put32(header, height);
    const std::uint8_t colour_type = format == PixelFormat::rgba ? 6 : 2;
    // Bit depth 8, the colour type, then deflate, adaptive filtering, no interlace.
    header.insert(header.end(), {8, colour_type, 0, 0, 0});

    static constexpr std::array<std::uint8_t, 8> kSignature{0x89, 'P',  'N',  'G',
                                                            '\r', '\n', 0x1A, '\n'};
    std::vector<std::uint8_t> file(kSignature.begin(), kSignature.end());
    put_chunk(file, "IHDR", header);
    put_chunk(file, "IDAT", stream);
    put_chunk(file, "IEND", {});
    return file;
}

}  // namespace formats
