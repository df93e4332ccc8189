// Under Wine, the exe that carries lanqiao.rc gets Common Controls 6 from the manifest, and
// the strip and the icon draw as the files say: the strip through a 32-bit masked image list
// with its alpha, the icon with its mask.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <map>
#include <sstream>

#include "tests/jet/run_command.h"
#include "tests/resources/carried_files.h"
#include "tests/resources/le_bytes.h"

namespace {

using testing_support::carried;
using testing_support::le32;

constexpr int kGrey = 0x80;

class UnderWine : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        if (std::string(LQ_RESOURCE_PROBE).empty() || !testing_support::on_path("wine")) return;
        std::string out = testing_support::run_command("bash '" LQ_SOURCE_DIR
                                                       "/tests/resources/probe_under_wine.sh' '" +
                                                           std::string(LQ_RESOURCE_PROBE) + "'",
                                                       &status_);
        std::istringstream lines(out);
        for (std::string line; std::getline(lines, line);) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            auto space = line.find(' ');
            report_[line.substr(0, space)] =
                space == std::string::npos ? "" : line.substr(space + 1);
        }
    }

    void SetUp() override {
        ASSERT_NE(std::string(LQ_RESOURCE_PROBE), "") << "the probe exe was not built";
        if (!testing_support::on_path("wine")) GTEST_SKIP() << "Wine is not installed";
        ASSERT_EQ(status_, 0);
    }

    static std::vector<int> pixels(const std::string& name) {
        std::vector<int> out;
        std::istringstream in(report_[name]);
        for (std::string hex; in >> hex;)
            out.push_back(static_cast<int>(std::stol(hex, nullptr, 16)));
        return out;
    }

    static int channel(int rgb, int shift) { return rgb >> shift & 0xFF; }

    static inline int status_ = -1;
    static inline std::map<std::string, std::string> report_;
};

TEST_F(UnderWine, ManifestBringsCommonControls6) {
    std::string path = report_["comctl32"];
    for (char& c : path)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    EXPECT_NE(path.find("\\winsxs\\"), std::string::npos) << path;
    EXPECT_NE(path.find("common-controls_6595b64144ccf1df_6."), std::string::npos) << path;
}

TEST_F(UnderWine, ImageListBlendsTheStripByItsAlpha) {
    EXPECT_EQ(report_["strip"], "1 first 0 images 13");
    auto drawn = pixels("toolbar");
    ASSERT_EQ(drawn.size(), 312u * 24);
    auto bmp = carried("toolbar.bmp");
    int blended = 0;
    for (int y = 0; y < 24; ++y) {
        for (int x = 0; x < 312; ++x) {
            // The file stores the bottom row first, B G R A.
            std::size_t at = 54 + (static_cast<std::size_t>(23 - y) * 312 + x) * 4;
            int alpha = bmp[at + 3];
            blended += alpha > 0 && alpha < 255;
            int got = drawn[static_cast<std::size_t>(y * 312 + x)];
            for (int c = 0; c < 3; ++c) {
                int want = (bmp[at + 2 - c] * alpha + kGrey * (255 - alpha) + 127) / 255;
                int diff = std::abs(channel(got, 16 - 8 * c) - want);
                ASSERT_LE(diff, 2) << "pixel " << x << "," << y << " channel " << c;
            }
        }
    }
    // Soft edges, which a mask alone would have cut hard.
    EXPECT_GT(blended, 200);
}

TEST_F(UnderWine, IconDrawsWithItsMask) {
    EXPECT_EQ(report_["icon"], "1 32 32");
    auto drawn = pixels("tray");
    ASSERT_EQ(drawn.size(), 32u * 32);
    auto ico = carried("tray.ico");
    ASSERT_EQ(le32(ico, 18), 22u);
    const std::size_t colour = 62, mask = colour + 32 * 96;
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) {
            std::size_t row = static_cast<std::size_t>(31 - y);
            bool clear = (ico[mask + row * 4 + x / 8] >> (7 - x % 8) & 1) != 0;
            std::size_t at = colour + row * 96 + 3 * x;
            int want = clear ? kGrey << 16 | kGrey << 8 | kGrey
                             : ico[at + 2] << 16 | ico[at + 1] << 8 | ico[at];
            ASSERT_EQ(drawn[static_cast<std::size_t>(y * 32 + x)], want) << x << "," << y;
        }
    }
}

}  // namespace
