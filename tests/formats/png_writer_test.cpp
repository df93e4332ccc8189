// PNG pictures as real readers take them: Pillow for the size and the pixels, pngcheck for the
// chunks, CRCs and zlib stream.
#include <gtest/gtest.h>

#include <array>

#include "formats/png_writer.h"
#include "tests/formats/png_readers.h"
#include "tests/formats/tools.h"

namespace {

using formats::PixelFormat;

// A picture whose every pixel differs from its neighbours: channel values from x, y and the
// channel, so a row out of place or a channel swapped shows.
std::vector<std::uint8_t> pattern(std::uint32_t width, std::uint32_t height, int channels) {
    std::vector<std::uint8_t> pixels;
    for (std::uint32_t y = 0; y < height; ++y)
        for (std::uint32_t x = 0; x < width; ++x)
            for (int c = 0; c < channels; ++c)
                pixels.push_back(static_cast<std::uint8_t>(x * 7 + y * 13 + c * 60));
    return pixels;
}

std::array<int, 4> expected_at(int x, int y, int channels) {
    std::array<int, 4> p{0, 0, 0, 255};
    for (int c = 0; c < channels; ++c)
        p[c] = (x * 7 + y * 13 + c * 60) % 256;
    return p;
}

TEST(PngWriter, RealReadersSeeTheSizeAndThePixels) {
    if (!format_tests::have_pillow()) GTEST_SKIP() << "no python3-pil";
    struct Case {
        std::uint32_t width, height;
        PixelFormat format;
        const char* mode;
    };
    const Case cases[] = {
        {1, 1, PixelFormat::rgb, "RGB"},
        {3, 2, PixelFormat::rgba, "RGBA"},
        {640, 480, PixelFormat::rgba, "RGBA"},  // more than one deflate block
        {1, 300, PixelFormat::rgb, "RGB"},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height) + " " + c.mode);
        const int channels = c.format == PixelFormat::rgba ? 4 : 3;
        const auto pixels = pattern(c.width, c.height, channels);
        auto png = formats::encode_png(pixels, c.width, c.height, c.format);
        ASSERT_TRUE(png.ok()) << png.error().message;
        EXPECT_EQ(formats::encode_png(pixels, c.width, c.height, c.format).value(), *png);

        const std::string path = format_tests::scratch() + "/p" + std::to_string(++n) + ".png";
        format_tests::write_bytes(path, *png);
        if (format_tests::have_pngcheck()) {
            auto [ok, said] = format_tests::pngcheck(path);
            EXPECT_TRUE(ok) << said;
        }
        const int w = static_cast<int>(c.width), h = static_cast<int>(c.height);
        const std::vector<std::pair<int, int>> points{
            {0, 0}, {w - 1, 0}, {w / 2, h / 2}, {0, h - 1}, {w - 1, h - 1}};
        auto seen = format_tests::read_with_pillow(path, points);
        ASSERT_TRUE(seen.has_value());
        EXPECT_EQ(seen->width, w);
        EXPECT_EQ(seen->height, h);
        EXPECT_EQ(seen->mode, c.mode);
        for (std::size_t i = 0; i < points.size(); ++i)
            EXPECT_EQ(seen->pixels[i], expected_at(points[i].first, points[i].second, channels))
                << "at " << points[i].first << "," << points[i].second;
    }
}

TEST(PngWriter, RefusesPicturesItCannotWrite) {
    const std::vector<std::uint8_t> four(4 * 4, 0);
    EXPECT_FALSE(formats::encode_png({}, 0, 0, PixelFormat::rgba).ok());
    EXPECT_FALSE(formats::encode_png(four, 0, 4, PixelFormat::rgba).ok());
    EXPECT_FALSE(formats::encode_png(four, 2, 3, PixelFormat::rgba).ok());  // too few pixels
    EXPECT_FALSE(formats::encode_png(four, 1, 1, PixelFormat::rgba).ok());  // too many
    EXPECT_FALSE(formats::encode_png(four, 0x80000000u, 1, PixelFormat::rgb).ok());
    // Sizes whose product wraps around 32 bits are not taken for small ones.
    EXPECT_FALSE(formats::encode_png(four, 0x40000000u, 4, PixelFormat::rgba).ok());
    EXPECT_TRUE(formats::encode_png(four, 2, 2, PixelFormat::rgba).ok());
}

}  // namespace
