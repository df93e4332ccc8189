#include "dialogs/server_settings.h"

#include <charconv>

namespace dialogs {

namespace {

constexpr char kHexDigits[] = "0123456789abcdef";

std::string hex_of(const runtime::Bytes& bytes) {
    std::string out;
    out.reserve(bytes.size() * 2);
    for (std::uint8_t b : bytes) {
        out += kHexDigits[b >> 4];
        out += kHexDigits[b & 0x0f];
    }
    return out;
}

std::optional<runtime::Bytes> bytes_of_hex(std::string_view hex) {
    if (hex.size() % 2 != 0) return std::nullopt;
    runtime::Bytes out;
    out.reserve(hex.size() / 2);
    for (std::size_t i = 0; i < hex.size(); i += 2) {
        std::uint8_t b = 0;
        auto [end, error] = std::from_chars(hex.data() + i, hex.data() + i + 2, b, 16);
        if (error != std::errc() || end != hex.data() + i + 2) return std::nullopt;
        out.push_back(b);
    }
    return out;
}

}  // namespace

std::optional<int> port_of(std::string_view text) {
    int port = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), port);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || port < 1 ||
        port > 65535)
        return std::nullopt;
    return port;
}

namespace {

bool has_control_character(std::string_view text) {
    for (char c : text)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) return true;
    return false;
}

}  // namespace

ReadChoice read_store_choice(const services::SettingsLines& settings,
                             runtime::SecretsAdapter& secrets) {
    ReadChoice read;
    ServerDetails& s = read.choice.server;
    s.host = settings.get(kServerHostKey).value_or("");
    s.port = port_of(settings.get(kServerPortKey).value_or("")).value_or(kDefaultServerPort);
    s.database = settings.get(kServerDatabaseKey).value_or("");
    s.user = settings.get(kServerUserKey).value_or("");
    if (auto hex = settings.get(kServerPasswordKey); hex && !hex->empty()) {
        auto kept = bytes_of_hex(*hex);
        auto secret = kept ? secrets.unprotect(*kept) : std::nullopt;
        if (secret)
            s.password.assign(secret->begin(), secret->end());
        else
            read.password_lost = true;
    }
    read.choice.on_server =
        settings.get(kStoreKey) == "server" && server_details_problem(s).empty();
    return read;
}

bool write_store_choice(services::SettingsLines& settings, const StoreChoice& choice,
                        runtime::SecretsAdapter& secrets) {
    std::string kept;
    if (!choice.server.password.empty()) {
        const auto& p = choice.server.password;
        auto protectd =
            secrets.protect({reinterpret_cast<const std::uint8_t*>(p.data()), p.size()});
        if (!protectd) return false;
        kept = hex_of(*protectd);
    }
    settings.set(kStoreKey, choice.on_server ? "server" : "local");
    settings.set(kServerHostKey, choice.server.host);
    settings.set(kServerPortKey, std::to_string(choice.server.port));
    settings.set(kServerDatabaseKey, choice.server.database);
    settings.set(kServerUserKey, choice.server.user);
    if (kept.empty())
        settings.erase(kServerPasswordKey);
    else
        settings.set(kServerPasswordKey, kept);
    return true;
}

std::string server_details_problem(const ServerDetails& d) {
    if (d.host.empty()) return "请填写服务器的地址。";
    if (d.port < 1 || d.port > 65535) return "端口应是 1 到 65535 之间的数字。";
    if (d.database.empty()) return "请填写数据库的名字。";
    if (d.user.empty()) return "请填写用户名。";
    for (const std::string* field : {&d.host, &d.database, &d.user, &d.password})
        if (has_control_character(*field)) return "服务器的设置里不能有换行或其他控制字符。";
    return {};
}

std::string odbc_value(std::string_view value) {
    constexpr std::string_view kSpecial = "[]{}(),;?*=!@";
    const bool plain = value.find_first_of(kSpecial) == std::string_view::npos &&
                       (value.empty() || (value.front() != ' ' && value.back() != ' '));
    if (plain) return std::string(value);
    std::string out = "{";
    for (char c : value) {
        out += c;
        if (c == '}') out += '}';
    }
    return out + "}";
}

std::string connection_string(const ServerDetails& d) {
    return "Driver={" + std::string(kServerDriver) + "};Server=" + odbc_value(d.host) +
           ";Port=" + std::to_string(d.port) + ";Database=" + odbc_value(d.database) +
           ";Uid=" + odbc_value(d.user) + ";Pwd=" + odbc_value(d.password) + ";";
}

store::StoreLocation server_location(const ServerDetails& details) {
    return {"", "", connection_string(details)};
}

}  // namespace dialogs
