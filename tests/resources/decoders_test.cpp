// ImageMagick, a decoder that shares no code with ours, reads the carried icon and strip
// back as the pictures the tool drew.
#include <gtest/gtest.h>

#include <sstream>

#include "resources/resource_ids.h"
#include "tests/jet/run_command.h"
#include "tests/resources/carried_files.h"
#include "tools/make_images/toolbar_images.h"
#include "tools/make_images/tray_icon.h"

namespace {

using namespace imagemaker;
using testing_support::resource_path;
using testing_support::run_command;

class ImageMagick : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!testing_support::on_path("identify") || !testing_support::on_path("convert"))
            GTEST_SKIP() << "ImageMagick is not installed";
    }

    struct Identified {
        std::string format, alpha;
        int width = 0, height = 0;
    };

    // Format, size and alpha channel as identify reports them.
    static Identified identify(const std::string& file) {
        int status = -1;
        auto out = run_command("identify -format '%m %w %h %A' '" + file + "'", &status);
        EXPECT_EQ(status, 0) << out;
        Identified i;
        std::istringstream(out) >> i.format >> i.width >> i.height >> i.alpha;
        return i;
    }

    // IM6 says True, IM7 Blend; without an alpha channel False or Undefined.
    static bool has_alpha(const Identified& i) { return i.alpha == "True" || i.alpha == "Blend"; }

    // The decoded pixels, R G B A from the top row down.
    static std::vector<std::uint8_t> decode(const std::string& file) {
        int status = -1;
        auto out = run_command("convert '" + file + "' -depth 8 rgba:-", &status);
        EXPECT_EQ(status, 0);
        return {out.begin(), out.end()};
    }
};

TEST_F(ImageMagick, ReadsTheIconAs32By32) {
    auto info = identify(resource_path("tray.ico"));
    EXPECT_EQ(info.format, "ICO");
    EXPECT_EQ(info.width, 32);
    EXPECT_EQ(info.height, 32);
    EXPECT_TRUE(has_alpha(info)) << info.alpha;  // from the AND mask

    auto pixels = decode(resource_path("tray.ico"));
    ASSERT_EQ(pixels.size(), 32u * 32 * 4);
    Canvas drawn = draw_tray_icon();
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) {
            const Rgba& p = drawn.at(x, y);
            const std::uint8_t* q = &pixels[static_cast<std::size_t>(y * 32 + x) * 4];
            bool opaque = p.a >= 0.5;
            ASSERT_EQ(q[3], opaque ? 255 : 0) << x << "," << y;
            if (!opaque) continue;
            ASSERT_EQ(q[0], to_byte(p.r)) << x << "," << y;
            ASSERT_EQ(q[1], to_byte(p.g)) << x << "," << y;
            ASSERT_EQ(q[2], to_byte(p.b)) << x << "," << y;
        }
    }
}

TEST_F(ImageMagick, ReadsTheStripAs312By24WithAlpha) {
    auto info = identify(resource_path("toolbar.bmp"));
    EXPECT_EQ(info.format.substr(0, 3), "BMP") << info.format;
    EXPECT_EQ(info.width, 312);
    EXPECT_EQ(info.height, 24);
    EXPECT_TRUE(has_alpha(info)) << info.alpha;

    auto pixels = decode(resource_path("toolbar.bmp"));
    ASSERT_EQ(pixels.size(), 312u * 24 * 4);
    Canvas drawn = draw_toolbar_strip();
    int partial = 0;
    for (int y = 0; y < 24; ++y) {
        for (int x = 0; x < 312; ++x) {
            const Rgba& p = drawn.at(x, y);
            const std::uint8_t* q = &pixels[static_cast<std::size_t>(y * 312 + x) * 4];
            ASSERT_EQ(q[3], to_byte(p.a)) << x << "," << y;
            partial += q[3] > 0 && q[3] < 255;
            if (q[3] == 0) continue;
            ASSERT_EQ(q[0], to_byte(p.r)) << x << "," << y;
            ASSERT_EQ(q[1], to_byte(p.g)) << x << "," << y;
            ASSERT_EQ(q[2], to_byte(p.b)) << x << "," << y;
        }
    }
    // Edges are anti-aliased, not cut out.
    EXPECT_GT(partial, 13 * 20);
}

}  // namespace
