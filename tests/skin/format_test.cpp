// The skin file: what is written reads back, and anything damaged or foreign is refused.
#include "skin/format.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

using skin::ParseError;
using skin::Role;

skin::Scheme sample() {
    skin::Scheme s;
    s.name = "测试 scheme";
    for (std::size_t i = 0; i < skin::kRoleCount; ++i)
        s.colours[i] = {static_cast<std::uint8_t>(i * 13), static_cast<std::uint8_t>(200 - i),
                        static_cast<std::uint8_t>(i * 7 + 1)};
    return s;
}

TEST(SkinFormat, WhatIsComposedReadsBackWithItsLayout) {
    const skin::Scheme s = sample();
    const auto bytes = skin::compose(s);
    const std::size_t name_size = s.name.size();
    ASSERT_EQ(bytes.size(), 16 + 1 + name_size + 1 + 3 * skin::kRoleCount);
    EXPECT_EQ(std::memcmp(bytes.data(), ".SHE", 4), 0);
    EXPECT_EQ(bytes[4], 1);  // version, little-endian
    EXPECT_EQ(bytes[5], 0);
    EXPECT_EQ(bytes[6], 16);  // header size
    const std::uint32_t body = bytes[8] | bytes[9] << 8 | bytes[10] << 16 | bytes[11] << 24;
    EXPECT_EQ(body, bytes.size() - 16);
    const std::uint32_t crc =
        static_cast<std::uint32_t>(bytes[12] | bytes[13] << 8 | bytes[14] << 16) |
        static_cast<std::uint32_t>(bytes[15]) << 24;
    EXPECT_EQ(crc, skin::crc32(std::span(bytes).subspan(16)));
    EXPECT_EQ(bytes[16], name_size);
    EXPECT_EQ(std::string(bytes.begin() + 17, bytes.begin() + 17 + name_size), s.name);
    EXPECT_EQ(bytes[17 + name_size], skin::kRoleCount);
    // The colours in role order, red first.
    const std::size_t at = 18 + name_size + 3 * static_cast<std::size_t>(Role::selection);
    EXPECT_EQ(bytes[at], s[Role::selection].r);
    EXPECT_EQ(bytes[at + 1], s[Role::selection].g);
    EXPECT_EQ(bytes[at + 2], s[Role::selection].b);

    const auto parsed = skin::parse(bytes);
    ASSERT_TRUE(parsed.ok());
    EXPECT_EQ(parsed.scheme, s);
}

TEST(SkinFormat, TheChecksumIsTheZipOne) {
    const std::string text = "123456789";
    EXPECT_EQ(skin::crc32({reinterpret_cast<const std::uint8_t*>(text.data()), text.size()}),
              0xCBF43926u);
    EXPECT_EQ(skin::crc32({}), 0u);
}

TEST(SkinFormat, EveryFlippedByteIsRefused) {
    const auto good = skin::compose(sample());
    for (std::size_t i = 0; i < good.size(); ++i) {
        for (std::uint8_t flip : {std::uint8_t{0x01}, std::uint8_t{0x80}}) {
            auto bad = good;
            bad[i] ^= flip;
            EXPECT_FALSE(skin::parse(bad).ok()) << "byte " << i << " flipped by " << int(flip);
        }
    }
}

TEST(SkinFormat, ShortLongAndForeignDataIsRefusedWithItsReason) {
    const auto good = skin::compose(sample());
    EXPECT_EQ(skin::parse({}).error, ParseError::too_short);
    for (std::size_t n = 0; n < good.size(); ++n)
        EXPECT_FALSE(skin::parse(std::span(good).first(n)).ok()) << n << " bytes";
    EXPECT_EQ(skin::parse(std::span(good).first(15)).error, ParseError::too_short);
    EXPECT_EQ(skin::parse(std::span(good).first(good.size() - 1)).error, ParseError::wrong_size);
    auto longer = good;
    longer.push_back(0);
    EXPECT_EQ(skin::parse(longer).error, ParseError::wrong_size);

    auto foreign = good;
    foreign[0] = 'X';
    EXPECT_EQ(skin::parse(foreign).error, ParseError::not_a_skin);
    auto newer = good;
    newer[4] = 2;
    EXPECT_EQ(skin::parse(newer).error, ParseError::unknown_version);
    auto damaged = good;
    damaged.back() ^= 0x10;
    EXPECT_EQ(skin::parse(damaged).error, ParseError::bad_checksum);
    EXPECT_TRUE(skin::parse(damaged).scheme.name.empty());  // nothing of a refused skin
}

// A body with a correct checksum whose lengths lie: the reader must not run past the data.
std::vector<std::uint8_t> with_body(std::vector<std::uint8_t> body) {
    std::vector<std::uint8_t> out{'.', 'S', 'H', 'E', 1, 0, 16, 0};
    const auto size = static_cast<std::uint32_t>(body.size());
    const std::uint32_t crc = skin::crc32(body);
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<std::uint8_t>(size >> (8 * i)));
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<std::uint8_t>(crc >> (8 * i)));
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

TEST(SkinFormat, BodiesThatLieAboutTheirLengthsAreRefused) {
    EXPECT_EQ(skin::parse(with_body({})).error, ParseError::bad_body);
    EXPECT_EQ(skin::parse(with_body({200, 'a', 'b'})).error, ParseError::bad_body);
    std::vector<std::uint8_t> few{1, 'a', 17};  // one colour short
    few.resize(few.size() + 17 * 3, 0x40);
    EXPECT_EQ(skin::parse(with_body(few)).error, ParseError::bad_body);
    std::vector<std::uint8_t> ragged{1, 'a', 18};  // says 18, holds 18 and a byte
    ragged.resize(ragged.size() + 18 * 3 + 1, 0x40);
    EXPECT_EQ(skin::parse(with_body(ragged)).error, ParseError::bad_body);
    // More colours than this version paints with: a later version's skin, read as far as known.
    std::vector<std::uint8_t> more{0, 19};
    for (std::size_t i = 0; i < 19 * 3; ++i)
        more.push_back(static_cast<std::uint8_t>(i));
    const auto parsed = skin::parse(with_body(more));
    ASSERT_TRUE(parsed.ok());
    EXPECT_EQ(parsed.scheme[Role::accent], (skin::Rgb{51, 52, 53}));
}

TEST(SkinFormat, OverlongNamesAreCut) {
    skin::Scheme s = sample();
    s.name = std::string(300, 'n');
    const auto parsed = skin::parse(skin::compose(s));
    ASSERT_TRUE(parsed.ok());
    EXPECT_EQ(parsed.scheme.name, std::string(255, 'n'));
}

}  // namespace
