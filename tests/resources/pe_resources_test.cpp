// lanqiao.rc compiled by windres and linked into an exe: the resource section holds the
// carried icon, strip and manifest unchanged, and the version names the program.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

#include "resources/resource_ids.h"
#include "tests/jet/run_command.h"
#include "tests/resources/carried_files.h"
#include "tests/resources/le_bytes.h"
#include "tests/resources/pe_resources.h"

namespace {

using testing_support::carried;
using testing_support::le16;
using testing_support::le32;
using testing_support::PeResource;
using testing_support::PeResources;

// Resource types (winuser.h).
constexpr std::uint32_t kBitmap = 2, kIcon = 3, kGroupIcon = 14, kVersion = 16, kManifest = 24;
constexpr std::uint32_t kNeutral = 0, kChineseSimplified = 0x0804;

class ProgramResources : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        exe_ = testing_support::read_whole_file(LQ_RESOURCE_PROBE);
        resources_ = testing_support::read_pe_resources(exe_);
    }

    void SetUp() override {
        ASSERT_NE(std::string(LQ_RESOURCE_PROBE), "")
            << "x86_64-w64-mingw32 windres, g++ and objdump were not found when configuring";
        ASSERT_FALSE(exe_.empty()) << "cannot read " << LQ_RESOURCE_PROBE;
        ASSERT_EQ(resources_.error, "");
    }

    static const PeResource& get(std::uint32_t type, std::uint32_t id) {
        static const PeResource none;
        const PeResource* r = resources_.find(type, id);
        EXPECT_NE(r, nullptr) << "no resource of type " << type << " with ID " << id;
        return r ? *r : none;
    }

    static std::vector<std::uint8_t> tail(const std::vector<std::uint8_t>& b, std::size_t from) {
        return {b.begin() + static_cast<std::ptrdiff_t>(std::min(from, b.size())), b.end()};
    }

    static inline std::vector<std::uint8_t> exe_;
    static inline PeResources resources_;
};

TEST_F(ProgramResources, HoldExactlyTheProgramsResources) {
    std::vector<std::pair<std::uint32_t, std::uint32_t>> found;
    for (const PeResource& r : resources_.entries)
        found.emplace_back(r.type, r.id);
    ASSERT_EQ(found.size(), 5u);
    EXPECT_EQ(found[0], (std::pair<std::uint32_t, std::uint32_t>{kBitmap, IDB_TOOLBAR}));
    EXPECT_EQ(found[1].first, kIcon);
    EXPECT_EQ(found[2], (std::pair<std::uint32_t, std::uint32_t>{kGroupIcon, IDI_TRAY}));
    EXPECT_EQ(found[3], (std::pair<std::uint32_t, std::uint32_t>{kVersion, LQ_VERSION_ID}));
    EXPECT_EQ(found[4], (std::pair<std::uint32_t, std::uint32_t>{kManifest, LQ_MANIFEST_ID}));
    // Pictures and manifest serve every locale; the version speaks Chinese.
    for (const PeResource& r : resources_.entries)
        EXPECT_EQ(r.language, r.type == kVersion ? kChineseSimplified : kNeutral) << r.type;
}

TEST_F(ProgramResources, IconIsTheCarriedTrayIcon) {
    // The group is what LoadImage and Explorer ask for: one 32 x 32, 24-bit image.
    const PeResource& group = get(kGroupIcon, IDI_TRAY);
    ASSERT_EQ(group.data.size(), 6u + 14);
    EXPECT_EQ(le16(group.data, 0), 0u);
    EXPECT_EQ(le16(group.data, 2), 1u);
    EXPECT_EQ(le16(group.data, 4), 1u);
    EXPECT_EQ(group.data[6], 32);
    EXPECT_EQ(group.data[7], 32);
    EXPECT_EQ(group.data[8], 0);
    EXPECT_EQ(le16(group.data, 10), 1u);
    EXPECT_EQ(le16(group.data, 12), 24u);
    EXPECT_EQ(le32(group.data, 14), 3240u);
    std::uint32_t image_id = le16(group.data, 18);
    // The image itself is the .ico file less its 22 bytes of directory.
    EXPECT_EQ(get(kIcon, image_id).data, tail(carried("tray.ico"), 22));
}

TEST_F(ProgramResources, BitmapIsTheCarriedStrip) {
    // A bitmap resource is the .bmp file less its 14-byte file header.
    const PeResource& bitmap = get(kBitmap, IDB_TOOLBAR);
    EXPECT_EQ(bitmap.data.size(), 29992u);
    EXPECT_EQ(bitmap.data, tail(carried("toolbar.bmp"), 14));
}

TEST_F(ProgramResources, ManifestIsTheCarriedFile) {
    const PeResource& manifest = get(kManifest, LQ_MANIFEST_ID);
    EXPECT_EQ(manifest.data, carried("lanqiao.manifest"));
    std::string text(manifest.data.begin(), manifest.data.end());
    EXPECT_NE(text.find("Microsoft.Windows.Common-Controls"), std::string::npos);
}

// The value stored under `key` in a version block: the key in UTF-16 with its zero, padding
// to four bytes, then the value. Empty when the key is missing.
std::vector<std::uint8_t> version_value(const std::vector<std::uint8_t>& block,
                                        const std::u16string& key, std::size_t bytes = 0) {
    std::vector<std::uint8_t> pattern;
    for (char16_t c : key + u'\0') {
        pattern.push_back(static_cast<std::uint8_t>(c));
        pattern.push_back(static_cast<std::uint8_t>(c >> 8));
    }
    auto at = std::search(block.begin(), block.end(), pattern.begin(), pattern.end());
    if (at == block.end()) return {};
    std::size_t p = (static_cast<std::size_t>(at - block.begin()) + pattern.size() + 3) & ~3u;
    std::vector<std::uint8_t> value;
    // Text runs to its zero; binary values have the length the caller knows.
    for (; p + 1 < block.size() && (bytes ? value.size() < bytes : le16(block, p) != 0); p += 2) {
        value.push_back(block[p]);
        value.push_back(block[p + 1]);
    }
    return value;
}

std::vector<std::uint8_t> utf16(const std::u16string& text) {
    std::vector<std::uint8_t> out;
    for (char16_t c : text) {
        out.push_back(static_cast<std::uint8_t>(c));
        out.push_back(static_cast<std::uint8_t>(c >> 8));
    }
    return out;
}

TEST_F(ProgramResources, VersionNamesTheProgram) {
    const auto& block = get(kVersion, LQ_VERSION_ID).data;
    ASSERT_GT(block.size(), 92u);
    EXPECT_EQ(le16(block, 0), block.size());

    auto fixed = version_value(block, u"VS_VERSION_INFO", 52);
    ASSERT_EQ(fixed.size(), 52u);
    EXPECT_EQ(le16(block, 2), 52u);
    EXPECT_EQ(le32(fixed, 0), 0xFEEF04BDu);
    EXPECT_EQ(le32(fixed, 8), 0x00020000u);   // file version 2.0
    EXPECT_EQ(le32(fixed, 12), 0u);           // .0.0
    EXPECT_EQ(le32(fixed, 16), 0x00020000u);  // product version
    EXPECT_EQ(le32(fixed, 20), 0u);
    EXPECT_EQ(le32(fixed, 32), 0x00040004u);  // VOS_NT_WINDOWS32
    EXPECT_EQ(le32(fixed, 36), 1u);           // VFT_APP

    // Simplified Chinese strings in UTF-16, and the translation that points at them.
    EXPECT_FALSE(version_value(block, u"080404b0", 2).empty());
    EXPECT_EQ(version_value(block, u"Translation", 4),
              (std::vector<std::uint8_t>{0x04, 0x08, 0xB0, 0x04}));
    for (auto [key, value] : std::vector<std::pair<std::u16string, std::u16string>>{
             {u"ProductName", u"岚桥管家"},
             {u"FileDescription", u"岚桥管家 未成交客户跟踪管理"},
             {u"CompanyName", u"岚桥"},
             {u"FileVersion", u"2.0.0.0"},
             {u"ProductVersion", u"2.0.0.0"},
             {u"OriginalFilename", u"lanqiao.exe"},
             {u"InternalName", u"lanqiao"},
             {u"LegalCopyright", u"© 岚桥。保留所有权利。"}})
        EXPECT_EQ(version_value(block, key), utf16(value)) << std::string(key.begin(), key.end());

    // The product name as Explorer reads it out of the file.
    auto name = utf16(u"岚桥管家");
    EXPECT_NE(std::search(exe_.begin(), exe_.end(), name.begin(), name.end()), exe_.end());
}

TEST_F(ProgramResources, ObjdumpReadsTheSameDirectory) {
    int status = -1;
    auto out = testing_support::run_command(
        std::string(LQ_OBJDUMP) + " -p '" + LQ_RESOURCE_PROBE + "'", &status);
    ASSERT_EQ(status, 0);
    auto section = out.substr(std::min(out.find("The .rsrc Resource Directory"), out.size()));
    ASSERT_FALSE(section.empty()) << out;
    // objdump prints IDs as "ID: 0x%06x," and leaf sizes as "Size: 0x%06x,".
    auto field = [](const char* name, std::size_t value) {
        char text[40];
        std::snprintf(text, sizeof text, "%s: 0x%06zx,", name, value);
        return std::string(text);
    };
    std::vector<std::string> expected{
        field("ID", kBitmap),      field("ID", kIcon),
        field("ID", kGroupIcon),   field("ID", kVersion),
        field("ID", kManifest),    field("ID", IDB_TOOLBAR),
        field("ID", IDI_TRAY),     field("ID", kChineseSimplified),
        field("Size", 30006 - 14), field("Size", 3262 - 22),
        field("Size", 6 + 14),     field("Size", carried("lanqiao.manifest").size())};
    for (const std::string& line : expected)
        EXPECT_NE(section.find(line), std::string::npos) << line << "\n" << section;
}

}  // namespace
