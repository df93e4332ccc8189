#pragma once
// Splits an address the way WinInet's InternetCrackUrl does, without escaping anything.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace runtime::headless {

struct UrlParts {
    std::string scheme;  // lower case: "http" or "https"
    std::string host;    // without the brackets of an IPv6 literal
    std::uint16_t port = 0;
    std::string user;
    std::string password;
    std::string object;  // path and query, "/" when the address has none
};

// None for a scheme other than http or https, a missing host or a port that is not a number
// from 1 to 65535. The port defaults to 80 for http and 443 for https.
std::optional<UrlParts> crack_url(std::string_view url);

// Where a redirect's Location points, given the address that was asked for: an absolute
// address as it is, "//host/..." with the scheme of `from`, "/path" on the same host, and
// anything else relative to the directory of `from`'s path.
std::string resolve_location(const UrlParts& from, std::string_view location);

}  // namespace runtime::headless
