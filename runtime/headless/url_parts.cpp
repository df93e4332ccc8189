#include "runtime/headless/url_parts.h"

#include <algorithm>
#include <cctype>

namespace runtime::headless {

namespace {

std::string lower(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return out;
}

std::optional<std::uint16_t> parse_port(std::string_view text) {
    if (text.empty() || text.size() > 5) return std::nullopt;
    unsigned value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + static_cast<unsigned>(c - '0');
    }
    if (value == 0 || value > 65535) return std::nullopt;
    return static_cast<std::uint16_t>(value);
}

// host[:port] of the authority, with "[v6]" literals.
bool split_host_port(std::string_view hostport, UrlParts& parts) {
    std::string_view port_text;
    if (!hostport.empty() && hostport.front() == '[') {
        const auto close = hostport.find(']');
        if (close == std::string_view::npos) return false;
        parts.host = std::string(hostport.substr(1, close - 1));
        const std::string_view rest = hostport.substr(close + 1);
        if (!rest.empty()) {
            if (rest.front() != ':') return false;
            port_text = rest.substr(1);
        }
    } else {
        const auto colon = hostport.rfind(':');
        parts.host = std::string(hostport.substr(0, colon));
        if (colon != std::string_view::npos) port_text = hostport.substr(colon + 1);
    }
    if (parts.host.empty()) return false;
    if (!port_text.empty()) {
        const auto port = parse_port(port_text);
        if (!port) return false;
        parts.port = *port;
    }
    return true;
}

}  // namespace

std::optional<UrlParts> crack_url(std::string_view url) {
    const auto colon = url.find("://");
    if (colon == std::string_view::npos) return std::nullopt;
    UrlParts parts;
    parts.scheme = lower(url.substr(0, colon));
    if (parts.scheme == "http") {
        parts.port = 80;
    } else if (parts.scheme == "https") {
        parts.port = 443;
    } else {
        return std::nullopt;
    }
    std::string_view rest = url.substr(colon + 3);
    const auto path_at = rest.find_first_of("/?");
    std::string_view authority = rest.substr(0, path_at);
    parts.object = path_at == std::string_view::npos ? "/" : std::string(rest.substr(path_at));
    if (parts.object.front() == '?') parts.object.insert(0, "/");

    if (const auto at = authority.rfind('@'); at != std::string_view::npos) {
        const std::string_view credentials = authority.substr(0, at);
        const auto split = credentials.find(':');
        parts.user = std::string(credentials.substr(0, split));
        if (split != std::string_view::npos) parts.password = credentials.substr(split + 1);
        authority = authority.substr(at + 1);
    }
    if (!split_host_port(authority, parts)) return std::nullopt;
    return parts;
}

std::string resolve_location(const UrlParts& from, std::string_view location) {
    if (location.find("://") != std::string_view::npos) return std::string(location);
    if (location.starts_with("//")) return from.scheme + ":" + std::string(location);
    std::string origin = from.scheme + "://";
    if (from.host.find(':') != std::string::npos) {
        origin += "[" + from.host + "]";
    } else {
        origin += from.host;
    }
    origin += ":" + std::to_string(from.port);
    if (location.starts_with("/")) return origin + std::string(location);
    std::string path = from.object.substr(0, from.object.find('?'));
    path.erase(path.rfind('/') + 1);
    return origin + path + std::string(location);
}

}  // namespace runtime::headless
