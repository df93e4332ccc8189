#include "runtime/win32/wininet_http.h"

// clang-format off
#include <windows.h>
#include <wininet.h>
// clang-format on

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

namespace runtime::win32 {

namespace {

constexpr char kAgent[] = "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)";
constexpr char kAcceptHeader[] = "Accept: */*\r\n\r\n";
constexpr DWORD kRequestFlags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE;

struct CrackedUrl {
    INTERNET_SCHEME scheme = INTERNET_SCHEME_UNKNOWN;
    std::string host;
    INTERNET_PORT port = 0;
    std::string user;
    std::string password;
    std::string object;  // path and query
};

// WinInet's own split of the address, with nothing escaped or unescaped.
std::optional<CrackedUrl> crack(const std::string& url) {
    const DWORD room = static_cast<DWORD>(url.size() + 1);
    std::string scheme(room, '\0'), host(room, '\0'), user(room, '\0'), password(room, '\0'),
        path(room, '\0'), extra(room, '\0');
    URL_COMPONENTSA parts{};
    parts.dwStructSize = sizeof parts;
    parts.lpszScheme = scheme.data();
    parts.dwSchemeLength = room;
    parts.lpszHostName = host.data();
    parts.dwHostNameLength = room;
    parts.lpszUserName = user.data();
    parts.dwUserNameLength = room;
    parts.lpszPassword = password.data();
    parts.dwPasswordLength = room;
    parts.lpszUrlPath = path.data();
    parts.dwUrlPathLength = room;
    parts.lpszExtraInfo = extra.data();
    parts.dwExtraInfoLength = room;
    if (!InternetCrackUrlA(url.c_str(), static_cast<DWORD>(url.size()), ICU_NO_ENCODE, &parts))
        return std::nullopt;
    CrackedUrl cracked;
    cracked.scheme = parts.nScheme;
    cracked.port = parts.nPort;
    cracked.host.assign(host.data(), parts.dwHostNameLength);
    cracked.user.assign(user.data(), parts.dwUserNameLength);
    cracked.password.assign(password.data(), parts.dwPasswordLength);
    cracked.object.assign(path.data(), parts.dwUrlPathLength);
    cracked.object.append(extra.data(), parts.dwExtraInfoLength);
    if (cracked.object.empty() || cracked.object.front() != '/') cracked.object.insert(0, "/");
    return cracked;
}

void set_timeout(HINTERNET handle, DWORD option, std::chrono::milliseconds wait) {
    DWORD ms = static_cast<DWORD>(std::max<long long>(wait.count(), 1));
    InternetSetOptionA(handle, option, &ms, sizeof ms);
}

// On every handle of the chain: Windows hands a session's waits down to its connections and
// requests, Wine only keeps what is set on the handle that does the waiting.
void set_timeouts(HINTERNET handle, const HttpTimeouts& timeouts) {
    set_timeout(handle, INTERNET_OPTION_CONNECT_TIMEOUT, timeouts.connect);
    set_timeout(handle, INTERNET_OPTION_RECEIVE_TIMEOUT, timeouts.receive);
    set_timeout(handle, INTERNET_OPTION_SEND_TIMEOUT, timeouts.receive);
}

std::optional<std::string> content_length(HINTERNET request) {
    char text[32] = {};
    DWORD size = sizeof text;
    if (!HttpQueryInfoA(request, HTTP_QUERY_CONTENT_LENGTH, text, &size, nullptr))
        return std::nullopt;
    return std::string(text, std::min<DWORD>(size, sizeof text));
}

int status_code(HINTERNET request) {
    DWORD code = 0;
    DWORD size = sizeof code;
    if (!HttpQueryInfoA(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &code, &size,
                        nullptr))
        return 0;
    return static_cast<int>(code);
}

}  // namespace

void* WinInetHttp::session() {
    std::lock_guard lock(session_mutex_);
    if (!session_) {
        session_ =
            InternetHandle(InternetOpenA(kAgent, INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0));
        if (!session_) return nullptr;
        set_timeouts(session_.get(), timeouts_);
    }
    return session_.get();
}

HttpReply WinInetHttp::fetch(std::string_view url) {
    if (url.empty()) return {};
    const std::string address(url.substr(0, url.find('#')));
    const auto parts = crack(address);
    if (!parts) return {};
    DWORD flags = kRequestFlags;
    if (parts->scheme == INTERNET_SCHEME_HTTPS) {
        flags |= INTERNET_FLAG_SECURE;
    } else if (parts->scheme != INTERNET_SCHEME_HTTP) {
        return {};
    }
    HINTERNET open_session = session();
    if (open_session == nullptr) return {};

    InternetHandle connection(InternetConnectA(
        open_session, parts->host.c_str(), parts->port,
        parts->user.empty() ? nullptr : parts->user.c_str(),
        parts->password.empty() ? nullptr : parts->password.c_str(), INTERNET_SERVICE_HTTP, 0, 0));
    if (!connection) return {};
    set_timeouts(connection.get(), timeouts_);
    {
        // The system's proxy settings apply, without proxy credentials of our own.
        std::lock_guard lock(session_mutex_);
        INTERNET_PROXY_INFO proxy{INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr};
        InternetSetOptionA(open_session, INTERNET_OPTION_PROXY, &proxy, sizeof proxy);
    }
    char empty[] = "";
    InternetSetOptionA(connection.get(), INTERNET_OPTION_PROXY_USERNAME, empty, 0);
    InternetSetOptionA(connection.get(), INTERNET_OPTION_PROXY_PASSWORD, empty, 0);

    const char* accept_types[] = {"Accept: */* \r\n", nullptr};
    InternetHandle request(HttpOpenRequestA(connection.get(), "GET", parts->object.c_str(),
                                            "HTTP/1.0", nullptr, accept_types, flags, 0));
    if (!request) return {};
    set_timeouts(request.get(), timeouts_);
    if (!HttpSendRequestA(request.get(), kAcceptHeader, sizeof kAcceptHeader - 1, nullptr, 0))
        return {};

    HttpReply reply;
    reply.status = status_code(request.get());
    reply.read_buffer = read_buffer_size(content_length(request.get()));
    std::vector<std::uint8_t> buffer(reply.read_buffer);
    for (;;) {
        // A read waits to fill what it was asked for and gives nothing when it times out, so
        // it asks for no more than has arrived: a reply that stops midway keeps its bytes.
        DWORD available = 0;
        if (!InternetQueryDataAvailable(request.get(), &available, 0, 0) || available == 0) break;
        const DWORD want = std::min(available, static_cast<DWORD>(buffer.size()));
        DWORD got = 0;
        // A failing read ends the body as well; what came so far is kept.
        if (!InternetReadFile(request.get(), buffer.data(), want, &got) || got == 0) break;
        reply.body.insert(reply.body.end(), buffer.begin(), buffer.begin() + got);
    }
    return reply;
}

}  // namespace runtime::win32
