#include "runtime/headless/iconv_code_pages.h"

namespace runtime::headless {

IconvCodePages::IconvCodePages()
    : to_gbk_("GB18030", "UTF-8"),
      to_utf8_("UTF-8", "GB18030"),
      from_utf32_("GB18030", "UTF-32LE"),
      keys_([this](std::u32string_view points) {
          std::string le;
          le.reserve(4 * points.size());
          for (const char32_t cp : points)
              for (int k = 0; k < 4; ++k)
                  le += static_cast<char>((cp >> (8 * k)) & 0xFF);
          return from_utf32_.convert(le);
      }) {}

std::string IconvCodePages::utf8_to_gbk(std::string_view utf8) {
    const std::lock_guard lock(mutex_);
    return to_gbk_.convert(utf8);
}

namespace {

constexpr unsigned kFirstLead = 0x81, kLastLead = 0xFE, kFirstTrail = 0x40, kLastTrail = 0xFE;
constexpr unsigned kTrails = kLastTrail - kFirstTrail + 1;

}  // namespace

void IconvCodePages::make_two_byte_table() {
    two_byte_.assign((kLastLead - kFirstLead + 1) * kTrails, 0);
    for (unsigned lead = kFirstLead; lead <= kLastLead; ++lead)
        for (unsigned trail = kFirstTrail; trail <= kLastTrail; ++trail) {
            const char pair[2] = {static_cast<char>(lead), static_cast<char>(trail)};
            const std::string utf8 = to_utf8_.convert(std::string_view(pair, 2));
            // One character outside ASCII, or nothing: a pair iconv reads otherwise (a lead
            // skipped, an ASCII byte kept) is left to iconv.
            if (utf8.empty() || utf8.size() > 3 || static_cast<unsigned char>(utf8[0]) < 0xC0)
                continue;
            std::uint32_t entry = static_cast<std::uint32_t>(utf8.size()) << 24;
            for (std::size_t k = 0; k < utf8.size(); ++k)
                entry |= static_cast<std::uint32_t>(static_cast<unsigned char>(utf8[k])) << (8 * k);
            two_byte_[(lead - kFirstLead) * kTrails + (trail - kFirstTrail)] = entry;
        }
}

std::string IconvCodePages::gbk_to_utf8(std::string_view gbk) {
    const std::lock_guard lock(mutex_);
    if (two_byte_.empty()) make_two_byte_table();
    // A two-byte character becomes at most three bytes, anything else as many as it has.
    std::string out(gbk.size() + gbk.size() / 2, '\0');
    char* to = out.data();
    for (std::size_t i = 0; i < gbk.size();) {
        const auto b = static_cast<unsigned char>(gbk[i]);
        if (b < 0x80) {
            *to++ = static_cast<char>(b);
            ++i;
            continue;
        }
        if (i + 1 < gbk.size()) {
            const auto t = static_cast<unsigned char>(gbk[i + 1]);
            if (b >= kFirstLead && b <= kLastLead && t >= kFirstTrail && t <= kLastTrail) {
                if (const std::uint32_t e =
                        two_byte_[(b - kFirstLead) * kTrails + (t - kFirstTrail)]) {
                    for (std::uint32_t k = 0; k < (e >> 24); ++k)
                        *to++ = static_cast<char>((e >> (8 * k)) & 0xFF);
                    i += 2;
                    continue;
                }
            }
        }
        // Four-byte GB18030 and bytes that start no character: the whole text through iconv,
        // which reads them as it always has.
        return to_utf8_.convert(gbk);
    }
    out.resize(static_cast<std::size_t>(to - out.data()));
    return out;
}

SortKeys IconvCodePages::sort_keys(std::span<const std::string_view> texts) {
    const std::lock_guard lock(mutex_);
    return keys_.keys(texts);
}

}  // namespace runtime::headless
