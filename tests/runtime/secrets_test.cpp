// The per-user keeping of a secret as the native backend does it: the secret comes back for
// the same user only, is never kept as its own bytes, and a changed byte is refused.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "runtime/headless/backend.h"
#include "runtime/headless/secrets.h"

namespace {

using runtime::Bytes;

Bytes bytes(const std::string& text) {
    return Bytes(text.begin(), text.end());
}

bool contains(const Bytes& haystack, const Bytes& needle) {
    return !needle.empty() && std::search(haystack.begin(), haystack.end(), needle.begin(),
                                          needle.end()) != haystack.end();
}

TEST(Secrets, ComeBackOnlyForTheSameUserAndUnchanged) {
    runtime::headless::Backend backend;
    runtime::SecretsAdapter& secrets = runtime::platform().secrets();
    runtime::headless::HeadlessSecrets stranger("someone else");
    for (const std::string& text : {std::string(), std::string("p"), std::string("s3cret;}{="),
                                    std::string("密码 ü"), std::string(1000, 'x')}) {
        SCOPED_TRACE(text.substr(0, 20));
        const Bytes secret = bytes(text);
        auto kept = secrets.protect(secret);
        ASSERT_TRUE(kept.has_value());
        // Random bytes hold a secret of a letter or two often enough by chance.
        if (secret.size() >= 4) {
            EXPECT_FALSE(contains(*kept, secret));
        }
        EXPECT_EQ(secrets.unprotect(*kept), secret);
        // The same secret is never kept as the same bytes twice.
        EXPECT_NE(secrets.protect(secret), kept);
        EXPECT_EQ(stranger.unprotect(*kept), std::nullopt);
        // Every changed byte, and every cut, is refused rather than read as another secret.
        for (std::size_t i = 0; i < kept->size(); ++i) {
            Bytes spoilt = *kept;
            spoilt[i] ^= 0x01;
            EXPECT_EQ(secrets.unprotect(spoilt), std::nullopt) << "byte " << i;
        }
        for (std::size_t n : {std::size_t{0}, std::size_t{4}, kept->size() - 1})
            EXPECT_EQ(secrets.unprotect(std::span(*kept).first(n)), std::nullopt) << n;
    }
    EXPECT_EQ(secrets.unprotect(bytes("plain text password")), std::nullopt);
    backend.secrets().set_refusing(true);
    EXPECT_EQ(secrets.protect(bytes("p")), std::nullopt);
}

}  // namespace
