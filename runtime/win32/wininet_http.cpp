#include "runtime/win32/wininet_http.h"

// clang-format off
#include <windows.h>
#include <wininet.h>
// clang-format on

#include <algorithm>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace runtime::win32 {

namespace {

constexpr char kAgent[] = "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)";
constexpr char kAcceptHeader[] = "Accept: */*\r\n\r\n";
// No cookies: nothing the program asks needs them, and Wine's WinInet keeps a cookie
// container for every distinct address it looks up, searched one by one at every request:
// ten thousand probes in, each took several times as long as the first.
constexpr DWORD kRequestFlags =
    INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_NO_COOKIES;

// How one request goes: its version and flags, and who keeps its handles.
struct RequestRules {
    HttpTimeouts timeouts;
    bool keep_alive = false;
    WinInetSession* session = nullptr;  // none: the adapter's one-shot requests
};

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

// Closes what it holds when it goes: by itself for the adapter's requests, through the
// session for a session's, which may have closed it already.
class RequestHandle {
  public:
    RequestHandle(HINTERNET handle, WinInetSession* session) : handle_(handle), session_(session) {}
    ~RequestHandle() {
        if (handle_ == nullptr) return;
        if (session_ != nullptr) {
            session_->release(handle_);
        } else {
            close_internet_handle(handle_);
        }
    }
    RequestHandle(const RequestHandle&) = delete;
    RequestHandle& operator=(const RequestHandle&) = delete;
    HINTERNET get() const { return handle_; }

  private:
    HINTERNET handle_;
    WinInetSession* session_;
};

int status_code(HINTERNET request) {
    DWORD code = 0;
    DWORD size = sizeof code;
    if (!HttpQueryInfoA(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &code, &size,
                        nullptr))
        return 0;
    return static_cast<int>(code);
}

// One GET on `open_session`.
HttpReply fetch_on(HINTERNET open_session, std::string_view url, const RequestRules& rules) {
    if (url.empty() || open_session == nullptr) return {};
    const std::string address(url.substr(0, url.find('#')));
    const auto parts = crack(address);
    if (!parts) return {};
    DWORD flags = kRequestFlags;
    if (rules.keep_alive) flags |= INTERNET_FLAG_KEEP_CONNECTION;
    if (parts->scheme == INTERNET_SCHEME_HTTPS) {
        flags |= INTERNET_FLAG_SECURE;
    } else if (parts->scheme != INTERNET_SCHEME_HTTP) {
        return {};
    }
    WinInetSession* const keeper = rules.session;
    const auto adopted = [keeper](HINTERNET handle) {
        return handle != nullptr && (keeper == nullptr || keeper->adopt(handle));
    };
    const auto stopped = [keeper] { return keeper != nullptr && keeper->cancelled(); };

    HINTERNET connection_handle = nullptr;
    {
        const std::lock_guard turn(internet_handle_turns());
        connection_handle =
            InternetConnectA(open_session, parts->host.c_str(), parts->port,
                             parts->user.empty() ? nullptr : parts->user.c_str(),
                             parts->password.empty() ? nullptr : parts->password.c_str(),
                             INTERNET_SERVICE_HTTP, 0, 0);
        if (connection_handle != nullptr) set_timeouts(connection_handle, rules.timeouts);
    }
    if (!adopted(connection_handle)) return {};
    RequestHandle connection(connection_handle, keeper);

    const char* accept_types[] = {"Accept: */* \r\n", nullptr};
    HINTERNET request_handle = nullptr;
    {
        const std::lock_guard turn(internet_handle_turns());
        request_handle = HttpOpenRequestA(connection.get(), "GET", parts->object.c_str(),
                                          rules.keep_alive ? "HTTP/1.1" : "HTTP/1.0", nullptr,
                                          accept_types, flags, 0);
        if (request_handle != nullptr) set_timeouts(request_handle, rules.timeouts);
    }
    if (!adopted(request_handle)) return {};
    RequestHandle request(request_handle, keeper);
    if (!HttpSendRequestA(request.get(), kAcceptHeader, sizeof kAcceptHeader - 1, nullptr, 0) ||
        stopped())
        return {};

    HttpReply reply;
    reply.status = status_code(request.get());
    reply.read_buffer = read_buffer_size(content_length(request.get()));
    std::vector<std::uint8_t> buffer(reply.read_buffer);
    while (!stopped()) {
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

HINTERNET open_internet(const HttpTimeouts& timeouts) {
    const std::lock_guard turn(internet_handle_turns());
    HINTERNET opened = InternetOpenA(kAgent, INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
    if (opened == nullptr) return nullptr;
    set_timeouts(opened, timeouts);
    // The system's proxy settings apply, without proxy credentials of our own. Set once,
    // before any request: Wine keeps these texts in the session and frees the old one at
    // every set while the session's other requests read it, which broke the heap when
    // every request set them.
    INTERNET_PROXY_INFO proxy{INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr};
    InternetSetOptionA(opened, INTERNET_OPTION_PROXY, &proxy, sizeof proxy);
    char empty[] = "";
    InternetSetOptionA(opened, INTERNET_OPTION_PROXY_USERNAME, empty, 0);
    InternetSetOptionA(opened, INTERNET_OPTION_PROXY_PASSWORD, empty, 0);
    return opened;
}

}  // namespace

void* WinInetHttp::session() {
    std::lock_guard lock(session_mutex_);
    if (!session_) session_ = InternetHandle(open_internet(timeouts_));
    return session_.get();
}

HttpReply WinInetHttp::fetch(std::string_view url) {
    if (url.empty()) return {};
    return fetch_on(static_cast<HINTERNET>(session()), url, {timeouts_, false, nullptr});
}

std::shared_ptr<HttpSession> WinInetHttp::open_session(const HttpSessionOptions& options) {
    return std::make_shared<WinInetSession>(options);
}

WinInetSession::~WinInetSession() {
    cancel_all();
}

void* WinInetSession::session() {
    std::lock_guard lock(mutex_);
    if (cancelled_) return nullptr;
    if (session_ == nullptr) session_ = open_internet(options_.timeouts);
    return session_;
}

HttpReply WinInetSession::fetch(std::string_view url) {
    if (url.empty()) return {};
    return fetch_on(static_cast<HINTERNET>(session()), url,
                    {options_.timeouts, options_.reuse_connections, this});
}

void WinInetSession::cancel_all() {
    std::vector<void*> handles;
    void* open_session = nullptr;
    {
        std::lock_guard lock(mutex_);
        cancelled_ = true;
        handles.swap(open_);
        open_session = std::exchange(session_, nullptr);
    }
    // Requests before their connections, the session last.
    for (auto it = handles.rbegin(); it != handles.rend(); ++it)
        close_internet_handle(*it);
    if (open_session != nullptr) close_internet_handle(open_session);
}

bool WinInetSession::adopt(void* handle) {
    std::unique_lock lock(mutex_);
    if (cancelled_) {
        lock.unlock();
        close_internet_handle(handle);
        return false;
    }
    open_.push_back(handle);
    return true;
}

void WinInetSession::release(void* handle) {
    {
        std::lock_guard lock(mutex_);
        const auto found = std::find(open_.begin(), open_.end(), handle);
        if (found == open_.end()) return;
        open_.erase(found);
    }
    close_internet_handle(handle);
}

bool WinInetSession::cancelled() const {
    std::lock_guard lock(mutex_);
    return cancelled_;
}

}  // namespace runtime::win32
