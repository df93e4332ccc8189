// The carried icon and toolbar strip: the tool rebuilds them byte for byte, their headers
// say exactly what Windows needs, and each picture holds what it should.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <map>
#include <stdexcept>

#include <unistd.h>

#include "resources/resource_ids.h"
#include "tests/jet/run_command.h"
#include "tests/resources/carried_files.h"
#include "tests/resources/le_bytes.h"
#include "tools/make_images/bmp_encoder.h"
#include "tools/make_images/ico_encoder.h"
#include "tools/make_images/toolbar_images.h"
#include "tools/make_images/tray_icon.h"

namespace {

using namespace imagemaker;
using testing_support::carried;
using testing_support::le16;
using testing_support::le32;
using testing_support::le32s;

constexpr int kSize = LQ_TOOLBAR_IMAGE_SIZE;
constexpr int kCount = LQ_TOOLBAR_IMAGE_COUNT;

std::vector<std::uint8_t> built_icon() {
    return encode_ico_24(draw_tray_icon());
}
std::vector<std::uint8_t> built_strip() {
    return encode_bmp_32(draw_toolbar_strip(), LQ_TOOLBAR_MASK_COLOUR);
}

std::ptrdiff_t first_difference(const std::vector<std::uint8_t>& a,
                                const std::vector<std::uint8_t>& b) {
    if (a.size() != b.size()) return -1;
    return std::mismatch(a.begin(), a.end(), b.begin()).first - a.begin();
}

TEST(CarriedImages, RebuildByteForByte) {
    auto icon = carried("tray.ico"), strip = carried("toolbar.bmp");
    ASSERT_EQ(icon.size(), 3262u);
    ASSERT_EQ(strip.size(), 14u + 40 + 312 * 24 * 4);
    EXPECT_EQ(first_difference(built_icon(), icon), static_cast<std::ptrdiff_t>(icon.size()));
    EXPECT_EQ(first_difference(built_strip(), strip), static_cast<std::ptrdiff_t>(strip.size()));
    EXPECT_EQ(built_icon(), built_icon());
}

TEST(CarriedImages, TheToolWritesThem) {
    auto dir = std::filesystem::temp_directory_path() / ("lq_images_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    std::string ico = (dir / "tray.ico").string(), bmp = (dir / "toolbar.bmp").string();
    int status = -1;
    testing_support::run_command(std::string(LQ_MAKE_IMAGES) + " '" + ico + "' '" + bmp + "'",
                                 &status);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(testing_support::read_whole_file(ico), carried("tray.ico"));
    EXPECT_EQ(testing_support::read_whole_file(bmp), carried("toolbar.bmp"));

    testing_support::run_command(std::string(LQ_MAKE_IMAGES) + " only-one 2>/dev/null", &status);
    EXPECT_NE(status, 0);
    testing_support::run_command(std::string(LQ_MAKE_IMAGES) + " '" +
                                     (dir / "no" / "such.ico").string() + "' '" + bmp +
                                     "' 2>/dev/null",
                                 &status);
    EXPECT_NE(status, 0);
    std::filesystem::remove_all(dir);
}

TEST(TrayIcon, HeaderIsOne32By32TrueColourImage) {
    auto ico = carried("tray.ico");
    ASSERT_EQ(ico.size(), 3262u);
    EXPECT_EQ(le16(ico, 0), 0u);
    EXPECT_EQ(le16(ico, 2), 1u);
    EXPECT_EQ(le16(ico, 4), 1u);
    EXPECT_EQ(ico[6], 32);
    EXPECT_EQ(ico[7], 32);
    EXPECT_EQ(ico[8], 0);
    EXPECT_EQ(ico[9], 0);
    EXPECT_EQ(le16(ico, 10), 1u);
    EXPECT_EQ(le16(ico, 12), 24u);
    EXPECT_EQ(le32(ico, 14), 3240u);
    EXPECT_EQ(le32(ico, 18), 22u);
    EXPECT_EQ(le32(ico, 22), 40u);
    EXPECT_EQ(le32s(ico, 26), 32);
    EXPECT_EQ(le32s(ico, 30), 64);
    EXPECT_EQ(le16(ico, 34), 1u);
    EXPECT_EQ(le16(ico, 36), 24u);
    EXPECT_EQ(le32(ico, 38), 0u);
}

TEST(TrayIcon, IsATileWithRoundedCorners) {
    auto ico = carried("tray.ico");
    const std::size_t colour = 62, mask = colour + 32 * 96;
    // Row r of the picture (0 = top) is stored at 31 - r.
    auto clear = [&](int x, int y) {
        return (ico[mask + static_cast<std::size_t>(31 - y) * 4 + x / 8] >> (7 - x % 8) & 1) != 0;
    };
    int opaque = 0;
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) {
            std::size_t at = colour + static_cast<std::size_t>(31 - y) * 96 + 3 * x;
            if (clear(x, y)) {
                // The screen shows through only where the colour is black.
                ASSERT_EQ(ico[at] | ico[at + 1] | ico[at + 2], 0) << x << "," << y;
            } else {
                ++opaque;
            }
        }
    }
    for (auto [x, y] : std::array<std::pair<int, int>, 4>{{{0, 0}, {31, 0}, {0, 31}, {31, 31}}})
        EXPECT_TRUE(clear(x, y)) << x << "," << y;
    EXPECT_FALSE(clear(16, 16));
    EXPECT_GT(opaque, 32 * 32 * 4 / 5);
    EXPECT_LT(opaque, 32 * 32);
}

// The colour family most of an image's opaque pixels belong to.
enum class Family { neutral, red, orange, green, blue, other };

Family family_of(const Rgba& p) {
    double hi = std::max({p.r, p.g, p.b}), lo = std::min({p.r, p.g, p.b});
    if (hi <= 0 || (hi - lo) / hi < 0.3) return Family::neutral;
    double d = hi - lo, hue;
    if (hi == p.r)
        hue = 60 * std::fmod((p.g - p.b) / d + 6, 6.0);
    else if (hi == p.g)
        hue = 60 * ((p.b - p.r) / d + 2);
    else
        hue = 60 * ((p.r - p.g) / d + 4);
    if (hue < 15 || hue >= 340) return Family::red;
    if (hue < 50) return Family::orange;
    if (hue >= 80 && hue < 170) return Family::green;
    if (hue >= 190 && hue < 260) return Family::blue;
    return Family::other;
}

std::map<Family, int> families(const Canvas& c) {
    std::map<Family, int> count;
    for (int y = 0; y < c.height(); ++y)
        for (int x = 0; x < c.width(); ++x)
            if (c.at(x, y).a >= 0.5) ++count[family_of(c.at(x, y))];
    return count;
}

Family main_family(const Canvas& c) {
    auto count = families(c);
    return std::max_element(count.begin(), count.end(),
                            [](auto& a, auto& b) { return a.second < b.second; })
        ->first;
}

TEST(ToolbarStrip, HeaderIsA32BitStripOfThirteenImages) {
    auto bmp = carried("toolbar.bmp");
    ASSERT_EQ(bmp.size(), 30006u);
    EXPECT_EQ(bmp[0], 'B');
    EXPECT_EQ(bmp[1], 'M');
    EXPECT_EQ(le32(bmp, 2), 30006u);
    EXPECT_EQ(le32(bmp, 10), 54u);
    EXPECT_EQ(le32(bmp, 14), 40u);
    EXPECT_EQ(le32s(bmp, 18), kSize * kCount);
    EXPECT_EQ(le32s(bmp, 22), kSize);
    EXPECT_EQ(le16(bmp, 26), 1u);
    EXPECT_EQ(le16(bmp, 28), 32u);
    EXPECT_EQ(le32(bmp, 30), 0u);
    EXPECT_EQ(le32(bmp, 34), 312u * 24 * 4);
}

TEST(ToolbarStrip, ClearPixelsAndOnlyThoseHoldTheMaskColour) {
    auto bmp = carried("toolbar.bmp");
    int clear = 0;
    for (std::size_t at = 54; at + 4 <= bmp.size(); at += 4) {
        bool magenta = bmp[at] == 0xFF && bmp[at + 1] == 0 && bmp[at + 2] == 0xFF;
        ASSERT_EQ(magenta, bmp[at + 3] == 0) << "pixel " << (at - 54) / 4;
        clear += bmp[at + 3] == 0;
    }
    EXPECT_GT(clear, 312 * 24 / 5);
}

TEST(ToolbarStrip, HoldsEachImageAtItsPlace) {
    Canvas strip = draw_toolbar_strip();
    std::vector<Canvas> images;
    for (int i = 0; i < kCount; ++i) {
        images.push_back(draw_toolbar_image(i));
        const Canvas& img = images.back();
        int opaque = 0;
        for (int y = 0; y < kSize; ++y) {
            for (int x = 0; x < kSize; ++x) {
                ASSERT_EQ(strip.at(i * kSize + x, y).a, img.at(x, y).a) << i;
                ASSERT_EQ(strip.at(i * kSize + x, y).r, img.at(x, y).r) << i;
                opaque += img.at(x, y).a >= 0.5;
            }
        }
        // A glyph that reads at this size, with room round it.
        EXPECT_GT(opaque, kSize * kSize / 5) << "image " << i;
        EXPECT_LT(opaque, kSize * kSize * 3 / 4) << "image " << i;
    }
    auto differ = [](const Canvas& a, const Canvas& b) {
        int n = 0;
        for (int y = 0; y < kSize; ++y)
            for (int x = 0; x < kSize; ++x)
                n += std::abs(a.at(x, y).a - b.at(x, y).a) > 0.5 ||
                     (a.at(x, y).a >= 0.5 && family_of(a.at(x, y)) != family_of(b.at(x, y)));
        return n;
    };
    for (int i = 0; i < kCount; ++i)
        for (int j = i + 1; j < kCount; ++j)
            EXPECT_GT(differ(images[i], images[j]), kSize * kSize / 10) << i << " and " << j;
    EXPECT_THROW(draw_toolbar_image(kCount), std::out_of_range);
    EXPECT_THROW(draw_toolbar_image(-1), std::out_of_range);
}

TEST(ToolbarStrip, EachImageInItsOwnColours) {
    // The main colour of each picture, so no two pictures swap places in the strip. The
    // refresh arrows are half blue, half orange: checked below.
    std::array<Family, kCount> expected{};
    expected[LQ_IMAGE_SEARCH] = Family::blue;
    expected[LQ_IMAGE_REFRESH] = Family::other;
    expected[LQ_IMAGE_WEBSITE] = Family::blue;
    expected[LQ_IMAGE_ADD_CUSTOMER] = Family::blue;
    expected[LQ_IMAGE_DELETE] = Family::red;
    expected[LQ_IMAGE_CHART] = Family::blue;
    expected[LQ_IMAGE_EDIT] = Family::orange;
    expected[LQ_IMAGE_OUR_IDS] = Family::orange;
    expected[LQ_IMAGE_CLOSED_DEALS] = Family::green;
    expected[LQ_IMAGE_MORE_OPTIONS] = Family::blue;
    expected[LQ_IMAGE_CALENDAR] = Family::neutral;
    expected[LQ_IMAGE_OPEN_FOLLOW_UPS] = Family::neutral;
    expected[LQ_IMAGE_EXPORT] = Family::neutral;
    for (int i = 0; i < kCount; ++i) {
        if (expected[static_cast<std::size_t>(i)] == Family::other) continue;
        auto count = families(draw_toolbar_image(i));
        EXPECT_EQ(main_family(draw_toolbar_image(i)), expected[static_cast<std::size_t>(i)])
            << "image " << i << ": neutral " << count[Family::neutral] << ", red "
            << count[Family::red] << ", orange " << count[Family::orange] << ", green "
            << count[Family::green] << ", blue " << count[Family::blue];
    }
    // The two-colour pictures carry their second colour too.
    auto add = families(draw_toolbar_image(LQ_IMAGE_ADD_CUSTOMER));
    EXPECT_GT(add[Family::green], 40);
    auto ids = families(draw_toolbar_image(LQ_IMAGE_OUR_IDS));
    EXPECT_GT(ids[Family::blue], 40);
    auto refresh = families(draw_toolbar_image(LQ_IMAGE_REFRESH));
    EXPECT_GT(refresh[Family::orange], 40);
    EXPECT_GT(refresh[Family::blue], 40);
    auto follow_ups = families(draw_toolbar_image(LQ_IMAGE_OPEN_FOLLOW_UPS));
    EXPECT_GT(follow_ups[Family::orange], 40);
    EXPECT_GT(follow_ups[Family::blue], 40);
    auto export_ = families(draw_toolbar_image(LQ_IMAGE_EXPORT));
    EXPECT_GT(export_[Family::green], 40);
}

}  // namespace
