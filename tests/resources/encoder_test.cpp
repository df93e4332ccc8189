// The two file writers on small pictures whose every byte can be worked out by hand: header
// fields, row order and padding, channel order, the mask.
#include <gtest/gtest.h>

#include "tests/resources/le_bytes.h"
#include "tools/make_images/bmp_encoder.h"
#include "tools/make_images/canvas.h"
#include "tools/make_images/ico_encoder.h"

namespace {

using namespace imagemaker;
using testing_support::le16;
using testing_support::le32;
using testing_support::le32s;

// 3 x 2: top row red, half-transparent green, clear; bottom row blue, opaque white, 40%.
Canvas sample() {
    Canvas c(3, 2);
    c.at(0, 0) = rgb(0xFF0000);
    c.at(1, 0) = faded(rgb(0x00FF00), 0.5);
    c.at(0, 1) = rgb(0x0000FF);
    c.at(1, 1) = rgb(0xFFFFFF);
    c.at(2, 1) = faded(rgb(0x123456), 0.4);
    return c;
}

TEST(IcoEncoder, WritesOneImageWithItsMask) {
    auto ico = encode_ico_24(sample());
    // 3 pixels of 3 bytes pad to 12 a row, 3 mask bits to 4 bytes.
    ASSERT_EQ(ico.size(), 6u + 16 + 40 + 2 * 12 + 2 * 4);
    EXPECT_EQ(le16(ico, 0), 0u);
    EXPECT_EQ(le16(ico, 2), 1u);  // icon, not cursor
    EXPECT_EQ(le16(ico, 4), 1u);
    EXPECT_EQ(ico[6], 3);  // width
    EXPECT_EQ(ico[7], 2);  // height
    EXPECT_EQ(ico[8], 0);  // no palette
    EXPECT_EQ(le16(ico, 10), 1u);
    EXPECT_EQ(le16(ico, 12), 24u);
    EXPECT_EQ(le32(ico, 14), 40u + 24 + 8);  // bytes of the image
    EXPECT_EQ(le32(ico, 18), 22u);           // where it starts

    EXPECT_EQ(le32(ico, 22), 40u);
    EXPECT_EQ(le32s(ico, 26), 3);
    EXPECT_EQ(le32s(ico, 30), 4);  // colour rows and mask rows
    EXPECT_EQ(le16(ico, 34), 1u);
    EXPECT_EQ(le16(ico, 36), 24u);
    EXPECT_EQ(le32(ico, 38), 0u);
    EXPECT_EQ(le32(ico, 42), 32u);

    // Bottom row first, B G R: blue, white, then black for the clear 40% pixel.
    std::vector<std::uint8_t> bottom(ico.begin() + 62, ico.begin() + 74);
    EXPECT_EQ(bottom, (std::vector<std::uint8_t>{0xFF, 0, 0, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0}));
    // Top row: red, the half-opaque green kept opaque, the clear pixel black.
    std::vector<std::uint8_t> top(ico.begin() + 74, ico.begin() + 86);
    EXPECT_EQ(top, (std::vector<std::uint8_t>{0, 0, 0xFF, 0, 0xFF, 0, 0, 0, 0, 0, 0, 0}));
    // Mask rows, bottom first, leftmost pixel in the high bit: 1 is transparent.
    EXPECT_EQ(ico[86], 0x20);
    EXPECT_EQ(ico[90], 0x20);
    for (std::size_t i : {87u, 88u, 89u, 91u, 92u, 93u})
        EXPECT_EQ(ico[i], 0) << i;
}

TEST(BmpEncoder, WritesStraightAlphaBottomRowFirst) {
    auto bmp = encode_bmp_32(sample(), 0x00112233);
    ASSERT_EQ(bmp.size(), 14u + 40 + 3 * 2 * 4);
    EXPECT_EQ(bmp[0], 'B');
    EXPECT_EQ(bmp[1], 'M');
    EXPECT_EQ(le32(bmp, 2), bmp.size());
    EXPECT_EQ(le32(bmp, 6), 0u);
    EXPECT_EQ(le32(bmp, 10), 54u);
    EXPECT_EQ(le32(bmp, 14), 40u);
    EXPECT_EQ(le32s(bmp, 18), 3);
    EXPECT_EQ(le32s(bmp, 22), 2);  // positive: bottom-up
    EXPECT_EQ(le16(bmp, 26), 1u);
    EXPECT_EQ(le16(bmp, 28), 32u);
    EXPECT_EQ(le32(bmp, 30), 0u);  // BI_RGB
    EXPECT_EQ(le32(bmp, 34), 24u);
    EXPECT_EQ(le32(bmp, 46), 0u);  // no colour table

    std::vector<std::uint8_t> pixels(bmp.begin() + 54, bmp.end());
    EXPECT_EQ(pixels, (std::vector<std::uint8_t>{
                          0xFF, 0,    0,    0xFF,  // bottom row: blue
                          0xFF, 0xFF, 0xFF, 0xFF,  // white
                          0x56, 0x34, 0x12, 102,   // 40% keeps its own colour
                          0,    0,    0xFF, 0xFF,  // top row: red
                          0,    0xFF, 0,    128,   // half green
                          0x11, 0x22, 0x33, 0,     // clear: the COLORREF's B, G, R
                      }));
}

}  // namespace
