// The offline status picture the program carries: rebuilt by its tool it is the same file,
// and it is the GIF it claims to be.
#include "services/offline_status_image.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>

#include "tests/services/support/gif_reader.h"
#include "tools/make_offline_gif/badge.h"
#include "tools/make_offline_gif/lzw.h"
#include "tools/make_offline_gif/offline_gif.h"

namespace {

std::vector<std::uint8_t> carried() {
    const auto image = services::offline_status_image();
    return {image.begin(), image.end()};
}

std::vector<std::uint8_t> committed_file() {
    std::ifstream in(LQ_SOURCE_DIR "/resources/offline_status.gif", std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(OfflineStatusImage, RebuildsByteForByteAsCarriedAndCommitted) {
    const auto built = offline_gif::build_offline_gif();
    ASSERT_TRUE(built.error.empty()) << built.error;
    ASSERT_EQ(built.bytes.size(), 641u);
    EXPECT_EQ(built.bytes, carried());
    EXPECT_EQ(built.bytes, committed_file());
}

TEST(OfflineStatusImage, IsOneTransparentImageOf77By18With32Colours) {
    const auto bytes = carried();
    std::string error;
    const auto gif = testsupport::read_gif(bytes, error);
    ASSERT_TRUE(gif) << error;
    EXPECT_EQ(gif->signature, "GIF89a");
    EXPECT_EQ(gif->width, 77);
    EXPECT_EQ(gif->height, 18);
    EXPECT_EQ(gif->global_colours, 32u);
    ASSERT_EQ(gif->controls.size(), 1u);
    EXPECT_TRUE(gif->controls[0].transparent);
    EXPECT_EQ(gif->controls[0].transparent_index, 0);
    EXPECT_EQ(gif->other_extensions, 0u);
    ASSERT_EQ(gif->images.size(), 1u);
    const auto& image = gif->images[0];
    EXPECT_EQ(image.left, 0);
    EXPECT_EQ(image.top, 0);
    EXPECT_EQ(image.width, 77);
    EXPECT_EQ(image.height, 18);
    EXPECT_FALSE(image.interlaced);
    EXPECT_EQ(image.min_code_size, 5);
    EXPECT_EQ(image.sub_block_sizes, (std::vector<std::size_t>{255, 254}));
    EXPECT_TRUE(gif->trailer);
    EXPECT_EQ(gif->bytes_after_trailer, 0u);

    // The pixels are the badge as drawn: the size was reached by the encoding alone.
    const auto badge = offline_gif::draw_badge();
    EXPECT_EQ(image.pixels, badge.pixels);
    for (std::size_t i = 0; i < badge.palette.size(); ++i) {
        EXPECT_EQ(gif->palette[3 * i], badge.palette[i].r);
        EXPECT_EQ(gif->palette[3 * i + 2], badge.palette[i].b);
    }
}

TEST(OfflineStatusImage, BadgeIsGreyWithTransparentCornersAndDarkLettering) {
    const auto badge = offline_gif::draw_badge();
    ASSERT_EQ(badge.pixels.size(), 77u * 18u);
    const auto at = [&](int x, int y) {
        return badge.pixels[static_cast<std::size_t>(y * 77 + x)];
    };
    for (const auto& c : badge.palette)
        EXPECT_TRUE(c.r == c.g && c.g == c.b);
    EXPECT_EQ(at(0, 0), offline_gif::kTransparent);
    EXPECT_EQ(at(76, 17), offline_gif::kTransparent);
    EXPECT_NE(at(38, 0), offline_gif::kTransparent);  // the top border
    EXPECT_NE(at(38, 9), offline_gif::kTransparent);
    // The word is the darkest thing on the badge.
    const auto darkest =
        *std::min_element(badge.pixels.begin(), badge.pixels.end(),
                          [](auto a, auto b) { return a != 0 && (b == 0 || a < b); });
    const auto dark_pixels = std::count(badge.pixels.begin(), badge.pixels.end(), darkest);
    EXPECT_GT(dark_pixels, 60);
    EXPECT_LT(dark_pixels, 200);
}

// The encoder's every choice decodes to the same pixels, at its own size.
TEST(OfflineGifLzw, AnyMatchLimitAndCutsDecodeToThePixels) {
    const auto badge = offline_gif::draw_badge();
    std::vector<std::size_t> sizes;
    for (std::size_t limit : {std::size_t{1}, std::size_t{3}, std::size_t{0}}) {
        for (bool cuts : {false, true}) {
            offline_gif::LzwChoices choices{limit, {}};
            if (cuts) choices.cuts = {1, 2, 77, 500, 1385};
            const auto code = offline_gif::lzw_encode(badge.pixels, 5, choices);
            const auto file = offline_gif::gif_file(badge, code);
            std::string error;
            const auto gif = testsupport::read_gif(file, error);
            ASSERT_TRUE(gif) << error << " (limit " << limit << ", cuts " << cuts << ")";
            EXPECT_EQ(gif->images.at(0).pixels, badge.pixels);
            sizes.push_back(code.size());
        }
    }
    // One pixel per code costs the most; cuts never make the stream shorter.
    EXPECT_GT(sizes[0], sizes[2]);
    EXPECT_GT(sizes[2], sizes[4]);
    EXPECT_GE(sizes[3], sizes[2]);
    EXPECT_GT(sizes[5], sizes[4]);
}

TEST(OfflineGifLzw, LongRunsFillTheTableAndStartAgain) {
    // 40000 scattered pixels grow the table to 4096 codes more than once, which forces clear
    // codes in between.
    std::vector<std::uint8_t> pixels(40000);
    std::uint32_t state = 12345;
    for (auto& pixel : pixels) {
        state = state * 1103515245u + 12345u;
        pixel = static_cast<std::uint8_t>((state >> 16) % 32);
    }
    offline_gif::Picture picture;
    picture.pixels = pixels;
    const auto code = offline_gif::lzw_encode(pixels, 5);
    std::vector<std::uint8_t> file = offline_gif::gif_file(picture, code);
    // Make the header describe a 200 x 200 picture.
    file[6] = 200, file[7] = 0, file[8] = 200, file[9] = 0;
    const std::size_t descriptor = 6 + 7 + 96 + 8;
    file[descriptor + 5] = 200, file[descriptor + 6] = 0, file[descriptor + 7] = 200;
    file[descriptor + 8] = 0;
    std::string error;
    const auto gif = testsupport::read_gif(file, error);
    ASSERT_TRUE(gif) << error;
    EXPECT_EQ(gif->images.at(0).pixels, pixels);
    EXPECT_GT(gif->images.at(0).clear_codes, 1u);
}

}  // namespace
