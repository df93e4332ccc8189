// The 33 skins the program carries: written from the scheme table, each one its own readable
// colour scheme.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <set>

#include "services/builtin_skins.h"
#include "skin/chart_colours.h"
#include "skin/format.h"
#include "skin/schemes.h"
#include "skin/tones.h"

namespace {

using skin::Role;

std::vector<std::uint8_t> committed(std::int32_t n) {
    char name[16];
    std::snprintf(name, sizeof name, "/%02d.she", static_cast<int>(n));
    std::ifstream in(LQ_SOURCE_DIR "/skin/skins" + std::string(name), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

skin::Scheme carried_scheme(std::int32_t n) {
    auto parsed = skin::parse(services::builtin_skin(n));
    EXPECT_TRUE(parsed.ok()) << "skin " << n;
    return parsed.scheme;
}

TEST(BuiltInSkins, AreTheTableWrittenOutAsCommittedAndCarried) {
    ASSERT_EQ(services::kBuiltInSkinCount, skin::kSchemeCount);
    for (std::int32_t n = 1; n <= 33; ++n) {
        const auto composed = skin::compose(skin::builtin_scheme(n));
        const auto carried = services::builtin_skin(n);
        EXPECT_EQ(committed(n), composed)
            << "skin/skins is stale for skin " << n << ": cmake --build <dir> --target skins";
        EXPECT_EQ(std::vector<std::uint8_t>(carried.begin(), carried.end()), composed) << n;
        ASSERT_GE(carried.size(), 4u);
        EXPECT_EQ(std::string(carried.begin(), carried.begin() + 4), ".SHE");
        EXPECT_EQ(carried_scheme(n), skin::builtin_scheme(n));
    }
    EXPECT_TRUE(services::builtin_skin(0).empty());
    EXPECT_TRUE(services::builtin_skin(34).empty());
    EXPECT_TRUE(services::builtin_skin(-1).empty());
    EXPECT_THROW(skin::builtin_scheme(0), std::out_of_range);
}

TEST(BuiltInSkins, EveryOneDiffersFromEveryOtherInNameAndLook) {
    std::set<std::string> names;
    for (std::int32_t a = 1; a <= 33; ++a) {
        const skin::Scheme sa = carried_scheme(a);
        EXPECT_FALSE(sa.name.empty());
        names.insert(sa.name);
        for (std::int32_t b = a + 1; b <= 33; ++b) {
            const skin::Scheme sb = carried_scheme(b);
            // Distinct in what the eye takes in first: the window, the selection, the toolbar.
            const bool same_look = sa[Role::window] == sb[Role::window] &&
                                   sa[Role::selection] == sb[Role::selection] &&
                                   sa[Role::toolbar] == sb[Role::toolbar];
            EXPECT_FALSE(same_look) << "skins " << a << " and " << b << " look alike";
        }
    }
    EXPECT_EQ(names.size(), 33u);
}

TEST(BuiltInSkins, TextReadsOnEverySurfaceThatCarriesIt) {
    struct Pair {
        Role text, surface;
        const char* what;
    };
    const Pair body_text[] = {
        {Role::window_text, Role::window, "labels"},
        {Role::edit_text, Role::edit, "edit boxes"},
        {Role::button_text, Role::button, "button, top"},
        {Role::button_text, Role::button_bottom, "button, bottom"},
        {Role::button_text, Role::button_hot, "hot button and toolbar entry"},
        {Role::selection_text, Role::selection, "selected row"},
        {Role::header_text, Role::header, "column headers"},
        {Role::toolbar_text, Role::toolbar, "toolbar"},
        {Role::list_text, Role::list, "list rows"},
    };
    for (std::int32_t n = 1; n <= 33; ++n) {
        const skin::Scheme s = carried_scheme(n);
        for (const Pair& p : body_text)
            EXPECT_GE(skin::contrast(s[p.text], s[p.surface]), 4.5)
                << "skin " << n << " (" << s.name << "): " << p.what;
        // Check marks and focus frames are graphics: 3:1 against the box they sit in.
        EXPECT_GE(skin::contrast(s[Role::accent], s[Role::edit]), 3.0)
            << "skin " << n << ": check mark";
    }
}

TEST(BuiltInSkins, TheFirstStartSkinIsCalm) {
    // Skin 2: a light, low-saturation window, dark text, a muted blue selection.
    const skin::Scheme s = carried_scheme(2);
    EXPECT_GT(skin::luminance(s[Role::window]), 0.8);
    EXPECT_GE(skin::contrast(s[Role::window_text], s[Role::window]), 12.0);
    const skin::Rgb sel = s[Role::selection];
    EXPECT_GT(sel.b, sel.r);
    EXPECT_LT(sel.b - sel.r, 128);
}

TEST(Colour, ContrastFollowsTheWcagFormula) {
    EXPECT_NEAR(skin::contrast(skin::rgb(0x000000), skin::rgb(0xFFFFFF)), 21.0, 1e-9);
    EXPECT_NEAR(skin::contrast(skin::rgb(0x777777), skin::rgb(0xFFFFFF)), 4.48, 0.01);
    EXPECT_NEAR(skin::contrast(skin::rgb(0xFFFFFF), skin::rgb(0x767676)), 4.54, 0.01);
    EXPECT_EQ(skin::mix(skin::rgb(0x000000), skin::rgb(0xFFFFFF), 0.5), skin::rgb(0x808080));
    EXPECT_EQ(skin::mix(skin::rgb(0x102030), skin::rgb(0xFFFFFF), 0.0), skin::rgb(0x102030));
}

}  // namespace

namespace {

// Due and overdue rows on every skin: the list's text stays readable on both, and both stand
// apart from a plain row and from each other.
TEST(BuiltinSkins, DueAndOverdueRowsAreReadableAndDistinctOnEverySkin) {
    const auto distance = [](skin::Rgb a, skin::Rgb b) {
        return std::abs(a.r - b.r) + std::abs(a.g - b.g) + std::abs(a.b - b.b);
    };
    for (std::int32_t n = 1; n <= skin::kSchemeCount; ++n) {
        const skin::Scheme s = skin::builtin_scheme(n);
        const skin::Rgb plain = s[skin::Role::list];
        const skin::Rgb due = skin::tone_background(s, 1), overdue = skin::tone_background(s, 2);
        SCOPED_TRACE(s.name);
        EXPECT_GE(skin::contrast(due, s[skin::Role::list_text]), 4.5);
        EXPECT_GE(skin::contrast(overdue, s[skin::Role::list_text]), 4.5);
        EXPECT_GE(distance(due, plain), 40);
        EXPECT_GE(distance(overdue, plain), 60);
        EXPECT_GE(distance(due, overdue), 40);
        // Neither is taken for the selected row.
        EXPECT_GE(distance(due, s[skin::Role::selection]), 40);
        EXPECT_GE(distance(overdue, s[skin::Role::selection]), 40);
    }
}

}  // namespace

namespace {

// The charts on every skin's window: bars and line stand out from it as graphics must, text
// reads on it, and the two bar series and the line are told apart.
TEST(BuiltinSkins, ChartBarsLineAndTextReadOnEverySkin) {
    const auto distance = [](skin::Rgb a, skin::Rgb b) {
        return std::abs(a.r - b.r) + std::abs(a.g - b.g) + std::abs(a.b - b.b);
    };
    for (std::int32_t n = 1; n <= skin::kSchemeCount; ++n) {
        const skin::Scheme s = skin::builtin_scheme(n);
        const skin::Rgb window = s[skin::Role::window];
        const skin::ChartColours c = skin::chart_colours(window, s[skin::Role::window_text]);
        SCOPED_TRACE(s.name);
        EXPECT_EQ(c.background, window);
        EXPECT_GE(skin::contrast(c.text, window), 4.5);
        EXPECT_GE(skin::contrast(c.axis, window), 3.0);
        for (skin::Rgb bar : c.bars)
            EXPECT_GE(skin::contrast(bar, window), 3.0);
        EXPECT_GE(skin::contrast(c.line, window), 3.0);
        const skin::Rgb apart[] = {c.bars[0], c.bars[1], c.line};
        for (std::size_t i = 0; i < 3; ++i)
            for (std::size_t j = i + 1; j < 3; ++j)
                EXPECT_GE(distance(apart[i], apart[j]), 100) << i << " and " << j;
    }
}

}  // namespace
