// The database password, decided as the real engine decides it.
#include <gtest/gtest.h>

#include "jet/database.h"
#include "jet/format.h"
#include "jet/header.h"
#include "jet/rc4.h"
#include "jet/text.h"

#include <cstring>
#include "tests/jet/fixture_files.h"

namespace {

using testing_support::fixture_bytes;

jet::Result<std::unique_ptr<jet::Database>> open_with(jet::MemoryFile& f, const std::string& pw) {
    return jet::Database::open(f, pw);
}

TEST(Password, ProtectedFileOpensWithItsPasswordOnly) {
    jet::MemoryFile f(fixture_bytes("with-password.mdb"));
    EXPECT_TRUE(open_with(f, "password").ok());
    for (std::string wrong : {"", "Password", "password ", " password", "passwor", "PASSWORD",
                              "abcdefghijklmnopqrst", "password\xE4\xB8\xAD"}) {
        auto db = open_with(f, wrong);
        ASSERT_FALSE(db.ok()) << "[" << wrong << "]";
        EXPECT_EQ(db.error().code, jet::Errc::wrong_password);
    }
    auto db = open_with(f, "password");
    ASSERT_TRUE(db.ok());
    EXPECT_EQ(jet::utf16_to_utf8((*db)->header().password), "password");
}

TEST(Password, UnprotectedFileOpensWithAnyText) {
    jet::MemoryFile f(fixture_bytes("no-password.mdb"));
    for (std::string any : {"", "password", "Kx7-pq2-Lm9w", "abcdefghijklmnopqrst", "中文"})
        EXPECT_TRUE(open_with(f, any).ok()) << any;
}

TEST(Password, EncodingRoundTripsThroughTheHeader) {
    // Writing a password into a real header and reading it back must give the same text,
    // whatever the creation date mixes into the mask.
    auto bytes = fixture_bytes("no-password.mdb");
    for (double created : {0.0, 36526.5, 45000.25, -5.0}) {
        std::vector<std::uint8_t> page(bytes.begin(), bytes.begin() + 4096);
        auto h = jet::parse_header(page);
        ASSERT_TRUE(h.ok());
        // Unmask, put the date and password in, mask again.
        std::vector<std::uint8_t> region(page.begin() + 0x18, page.begin() + 0x18 + 128);
        jet::rc4_apply(jet::header::kMaskKey, region);
        std::memcpy(region.data() + (0x72 - 0x18), &created, 8);
        std::uint8_t pw[40];
        jet::encode_password(u"Kx7-pq2-Lm9w", created, pw);
        std::memcpy(region.data() + (0x42 - 0x18), pw, 40);
        jet::rc4_apply(jet::header::kMaskKey, region);
        std::copy(region.begin(), region.end(), page.begin() + 0x18);
        auto back = jet::parse_header(page);
        ASSERT_TRUE(back.ok());
        EXPECT_EQ(back->password, u"Kx7-pq2-Lm9w") << created;
        EXPECT_TRUE(jet::password_opens(*back, "Kx7-pq2-Lm9w"));
        EXPECT_FALSE(jet::password_opens(*back, "kx7-pq2-lm9w"));
        EXPECT_FALSE(jet::password_opens(*back, ""));
    }
}

}  // namespace
