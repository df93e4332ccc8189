#include "runtime/headless/secrets.h"

#include <unistd.h>

#include <algorithm>
#include <random>
#include <string>

namespace runtime::headless {

namespace {

constexpr std::array<std::uint8_t, 4> kMagic = {'L', 'Q', 'S', '1'};
constexpr std::size_t kNonceSize = 8, kTagSize = 8;

std::uint64_t rotl(std::uint64_t x, int b) {
    return (x << b) | (x >> (64 - b));
}

// SipHash-2-4: a keyed hash that no one can forge without the key, small enough to carry.
std::uint64_t siphash(const std::array<std::uint64_t, 2>& key, std::span<const std::uint8_t> in) {
    std::uint64_t v0 = 0x736f6d6570736575ull ^ key[0], v1 = 0x646f72616e646f6dull ^ key[1];
    std::uint64_t v2 = 0x6c7967656e657261ull ^ key[0], v3 = 0x7465646279746573ull ^ key[1];
    const auto round = [&] {
        v0 += v1, v1 = rotl(v1, 13), v1 ^= v0, v0 = rotl(v0, 32);
        v2 += v3, v3 = rotl(v3, 16), v3 ^= v2;
        v0 += v3, v3 = rotl(v3, 21), v3 ^= v0;
        v2 += v1, v1 = rotl(v1, 17), v1 ^= v2, v2 = rotl(v2, 32);
    };
    const auto word = [&](std::uint64_t m) {
        v3 ^= m;
        round();
        round();
        v0 ^= m;
    };
    const std::size_t whole = in.size() / 8 * 8;
    for (std::size_t i = 0; i < whole; i += 8) {
        std::uint64_t m = 0;
        for (int b = 7; b >= 0; --b)
            m = m << 8 | in[i + static_cast<std::size_t>(b)];
        word(m);
    }
    std::uint64_t last = static_cast<std::uint64_t>(in.size() & 0xff) << 56;
    for (std::size_t i = whole; i < in.size(); ++i)
        last |= static_cast<std::uint64_t>(in[i]) << (8 * (i - whole));
    word(last);
    v2 ^= 0xff;
    for (int i = 0; i < 4; ++i)
        round();
    return v0 ^ v1 ^ v2 ^ v3;
}

std::uint64_t siphash(const std::array<std::uint64_t, 2>& key, std::string_view text) {
    return siphash(key, {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()});
}

void put64(Bytes& out, std::uint64_t v) {
    for (int i = 0; i < 8; ++i)
        out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

// Enciphers or deciphers in place: the same stream of key bytes for the same nonce.
void apply_stream(const std::array<std::uint64_t, 2>& key, std::span<const std::uint8_t> nonce,
                  std::span<std::uint8_t> data) {
    Bytes block(nonce.begin(), nonce.end());
    for (std::size_t i = 0; i < data.size(); i += 8) {
        block.resize(nonce.size());
        put64(block, i / 8);
        const std::uint64_t stream = siphash(key, block);
        for (std::size_t j = i; j < std::min(i + 8, data.size()); ++j)
            data[j] ^= static_cast<std::uint8_t>(stream >> (8 * (j - i)));
    }
}

}  // namespace

HeadlessSecrets::HeadlessSecrets() : HeadlessSecrets("uid " + std::to_string(::getuid())) {}

HeadlessSecrets::HeadlessSecrets(std::string_view user) {
    constexpr std::array<std::uint64_t, 2> kBase = {0x4c616e7169616f31ull, 0x5365637265747321ull};
    const std::string name(user);
    cipher_key_ = {siphash(kBase, "cipher 1 " + name), siphash(kBase, "cipher 2 " + name)};
    seal_key_ = {siphash(kBase, "seal 1 " + name), siphash(kBase, "seal 2 " + name)};
}

std::optional<Bytes> HeadlessSecrets::protect(std::span<const std::uint8_t> secret) {
    if (refusing_) return std::nullopt;
    Bytes out(kMagic.begin(), kMagic.end());
    // A fresh nonce each time: the same password is never kept as the same bytes twice.
    std::random_device random;
    for (std::size_t i = 0; i < kNonceSize; ++i)
        out.push_back(static_cast<std::uint8_t>(random()));
    const std::size_t body = out.size();
    out.insert(out.end(), secret.begin(), secret.end());
    apply_stream(cipher_key_, std::span(out).subspan(kMagic.size(), kNonceSize),
                 std::span(out).subspan(body));
    put64(out, siphash(seal_key_, out));
    return out;
}

std::optional<Bytes> HeadlessSecrets::unprotect(std::span<const std::uint8_t> kept) {
    if (kept.size() < kMagic.size() + kNonceSize + kTagSize ||
        !std::equal(kMagic.begin(), kMagic.end(), kept.begin()))
        return std::nullopt;
    const auto sealed = kept.first(kept.size() - kTagSize);
    std::uint64_t tag = 0;
    for (std::size_t i = 0; i < kTagSize; ++i)
        tag |= static_cast<std::uint64_t>(kept[sealed.size() + i]) << (8 * i);
    if (tag != siphash(seal_key_, sealed)) return std::nullopt;
    Bytes secret(sealed.begin() + kMagic.size() + kNonceSize, sealed.end());
    apply_stream(cipher_key_, sealed.subspan(kMagic.size(), kNonceSize), secret);
    return secret;
}

}  // namespace runtime::headless
