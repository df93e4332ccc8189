#include "runtime/headless/socket_http.h"

#include <algorithm>
#include <optional>
#include <string>

#include "runtime/headless/http_head.h"
#include "runtime/headless/socket_http_session.h"
#include "runtime/headless/tcp_socket.h"
#include "runtime/headless/url_parts.h"

namespace runtime::headless {

namespace {

// The agent string the Windows build's WinInet session sends, so that a service sees one
// program whichever build asks.
constexpr std::string_view kAgent = "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)";
constexpr int kMaxRedirects = 10;
constexpr std::size_t kMaxHeadSize = 64 * 1024;
constexpr std::size_t kHeadPiece = 4096;
constexpr std::size_t kMaxChunkLine = 4096;

std::string base64(std::string_view bytes) {
    constexpr char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        std::uint32_t group = 0;
        const std::size_t n = std::min<std::size_t>(3, bytes.size() - i);
        for (std::size_t k = 0; k < 3; ++k) {
            const auto byte = k < n ? static_cast<unsigned char>(bytes[i + k]) : 0u;
            group = (group << 8) | byte;
        }
        for (std::size_t k = 0; k < 4; ++k)
            out += k <= n ? kDigits[(group >> (18 - 6 * k)) & 0x3F] : '=';
    }
    return out;
}

std::string request_for(const UrlParts& url, bool keep_alive) {
    std::string host = url.host.find(':') != std::string::npos ? "[" + url.host + "]" : url.host;
    if (url.port != 80) host += ":" + std::to_string(url.port);
    std::string request = "GET " + url.object + (keep_alive ? " HTTP/1.1" : " HTTP/1.0") +
                          "\r\nHost: " + host + "\r\nUser-Agent: " + std::string(kAgent) +
                          "\r\nAccept: */*\r\n";
    if (keep_alive) request += "Connection: keep-alive\r\n";
    if (!url.user.empty())
        request += "Authorization: Basic " + base64(url.user + ":" + url.password) + "\r\n";
    return request + "\r\n";
}

bool is_redirect(int status) {
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

// Control characters would let an address rewrite the request itself.
bool sendable(std::string_view url) {
    return std::none_of(url.begin(), url.end(),
                        [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; });
}

struct ReceivedHead {
    HttpHead head;
    std::string after;  // body bytes that came with the head
};

// The head of the reply; none when it did not come whole. `silent` tells whether not a
// single byte came, which on a kept connection means the server had closed it meanwhile.
std::optional<ReceivedHead> receive_head(TcpSocket& socket, std::chrono::milliseconds timeout,
                                         bool& silent) {
    std::string received;
    std::uint8_t piece[kHeadPiece];
    silent = true;
    for (;;) {
        const auto got = socket.receive(piece, timeout);
        if (!got || *got == 0) return std::nullopt;
        silent = false;
        received.append(reinterpret_cast<const char*>(piece), *got);
        if (const auto end = head_end(received)) {
            auto head = parse_head(std::string_view(received).substr(0, *end));
            if (!head) return std::nullopt;
            return ReceivedHead{std::move(*head), received.substr(*end)};
        }
        if (received.size() > kMaxHeadSize) return std::nullopt;
    }
}

// The body's length when the reply fixes it: announced, or none by its status.
std::optional<std::size_t> fixed_length(const HttpHead& head) {
    if (head.status == 204 || head.status == 304 || (head.status >= 100 && head.status < 200))
        return 0;
    if (head.chunked || !head.content_length) return std::nullopt;
    const long long announced = content_length_value(*head.content_length);
    if (announced < 0) return std::nullopt;
    return static_cast<std::size_t>(announced);
}

// Reads the rest of a body of known length; true when it came whole. A read that fails or
// times out ends the body; what came so far is kept.
bool read_fixed(TcpSocket& socket, std::size_t length, std::vector<std::uint8_t>& body,
                std::vector<std::uint8_t>& buffer, std::chrono::milliseconds timeout) {
    while (body.size() < length) {
        const auto got = socket.receive(buffer, timeout);
        if (!got || *got == 0) break;
        body.insert(body.end(), buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(*got));
    }
    // A server that sends more than it announced is cut at the announcement, and its
    // connection is not used again.
    const bool exact = body.size() == length;
    if (body.size() > length) body.resize(length);
    return exact;
}

void read_to_close(TcpSocket& socket, std::vector<std::uint8_t>& body,
                   std::vector<std::uint8_t>& buffer, std::chrono::milliseconds timeout) {
    for (;;) {
        const auto got = socket.receive(buffer, timeout);
        if (!got || *got == 0) return;
        body.insert(body.end(), buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(*got));
    }
}

// A chunked body: hexadecimal sizes, each chunk followed by CR LF, a size of 0 and the
// trailers last. True when it came whole; what came of a broken one is kept.
class ChunkedReader {
  public:
    ChunkedReader(TcpSocket& socket, std::string start, std::vector<std::uint8_t>& buffer,
                  std::chrono::milliseconds timeout)
        : socket_(socket), raw_(std::move(start)), buffer_(buffer), timeout_(timeout) {}

    bool read(std::vector<std::uint8_t>& body) {
        for (;;) {
            const auto size_line = line();
            if (!size_line) return false;
            const auto size = chunk_size(*size_line);
            if (!size) return false;
            if (*size == 0) {
                for (;;) {  // trailers up to the blank line
                    const auto trailer = line();
                    if (!trailer) return false;
                    if (trailer->empty()) return true;
                }
            }
            while (raw_.size() - at_ < *size + 2) {
                if (!more()) {
                    const std::size_t have = std::min(*size, raw_.size() - at_);
                    body.insert(body.end(), raw_.begin() + static_cast<std::ptrdiff_t>(at_),
                                raw_.begin() + static_cast<std::ptrdiff_t>(at_ + have));
                    return false;
                }
            }
            body.insert(body.end(), raw_.begin() + static_cast<std::ptrdiff_t>(at_),
                        raw_.begin() + static_cast<std::ptrdiff_t>(at_ + *size));
            at_ += *size;
            if (raw_.compare(at_, 2, "\r\n") != 0) return false;
            at_ += 2;
            raw_.erase(0, at_);
            at_ = 0;
        }
    }

  private:
    bool more() {
        const auto got = socket_.receive(buffer_, timeout_);
        if (!got || *got == 0) return false;
        raw_.append(reinterpret_cast<const char*>(buffer_.data()), *got);
        return true;
    }

    std::optional<std::string> line() {
        for (;;) {
            const auto end = raw_.find("\r\n", at_);
            if (end != std::string::npos) {
                std::string text = raw_.substr(at_, end - at_);
                at_ = end + 2;
                return text;
            }
            if (raw_.size() - at_ > kMaxChunkLine || !more()) return std::nullopt;
        }
    }

    // The size before any ";extension"; none when it is not hexadecimal or too large.
    static std::optional<std::size_t> chunk_size(std::string_view text) {
        text = text.substr(0, text.find(';'));
        while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
            text.remove_suffix(1);
        if (text.empty() || text.size() > 12) return std::nullopt;
        std::size_t size = 0;
        for (const char c : text) {
            const int digit = c >= '0' && c <= '9'   ? c - '0'
                              : c >= 'a' && c <= 'f' ? c - 'a' + 10
                              : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                     : -1;
            if (digit < 0) return std::nullopt;
            size = size * 16 + static_cast<std::size_t>(digit);
        }
        return size;
    }

    TcpSocket& socket_;
    std::string raw_;
    std::size_t at_ = 0;
    std::vector<std::uint8_t>& buffer_;
    std::chrono::milliseconds timeout_;
};

struct Connection {
    TcpSocket socket;
    bool reused = false;
};

std::optional<Connection> connection_to(const UrlParts& parts, const SocketFetchRules& rules,
                                        bool may_reuse) {
    if (rules.pool != nullptr && may_reuse) {
        if (auto kept = rules.pool->take(parts.host, parts.port))
            return Connection{std::move(*kept), true};
    }
    auto fresh = TcpSocket::connect(parts.host, parts.port, rules.timeouts.connect, rules.cancel);
    if (!fresh) return std::nullopt;
    return Connection{std::move(*fresh), false};
}

}  // namespace

HttpReply socket_fetch(std::string_view url, const SocketFetchRules& rules) {
    if (url.empty()) return {};
    std::string address(url.substr(0, url.find('#')));
    if (!sendable(address)) return {};
    const bool keep_alive = rules.pool != nullptr;

    bool may_reuse = true;
    for (int hop = 0; hop <= kMaxRedirects; ++hop) {
        const auto parts = crack_url(address);
        if (!parts) return {};
        if (parts->scheme != "http") return {};
        auto connection = connection_to(*parts, rules, may_reuse);
        if (!connection) return {};
        TcpSocket& socket = connection->socket;
        bool silent = true;
        std::optional<ReceivedHead> received;
        if (socket.send_all(request_for(*parts, keep_alive), rules.timeouts.receive))
            received = receive_head(socket, rules.timeouts.receive, silent);
        if (!received) {
            // The server closed a kept connection before it could carry this request: the
            // same request once more, on a connection of its own.
            if (connection->reused && silent && !(rules.cancel && rules.cancel->fired())) {
                may_reuse = false;
                --hop;
                continue;
            }
            return {};
        }
        may_reuse = true;
        const HttpHead& head = received->head;
        if (is_redirect(head.status) && head.location && hop < kMaxRedirects) {
            address = resolve_location(*parts, *head.location);
            address.erase(std::min(address.find('#'), address.size()));
            if (!sendable(address)) return {};
            continue;
        }

        HttpReply reply;
        reply.status = head.status;
        reply.read_buffer = read_buffer_size(head.content_length);
        std::vector<std::uint8_t> buffer(reply.read_buffer);
        bool whole = false;
        if (head.chunked && head.status >= 200 && head.status != 204 && head.status != 304) {
            whole =
                ChunkedReader(socket, std::move(received->after), buffer, rules.timeouts.receive)
                    .read(reply.body);
        } else if (const auto length = fixed_length(head)) {
            reply.body.assign(received->after.begin(), received->after.end());
            whole = read_fixed(socket, *length, reply.body, buffer, rules.timeouts.receive);
        } else {
            reply.body.assign(received->after.begin(), received->after.end());
            read_to_close(socket, reply.body, buffer, rules.timeouts.receive);
        }
        if (keep_alive && whole && head.keeps_connection())
            rules.pool->put(parts->host, parts->port, std::move(socket));
        return reply;
    }
    return {};
}

HttpReply SocketHttp::fetch(std::string_view url) {
    return socket_fetch(url, {timeouts_, nullptr, nullptr});
}

}  // namespace runtime::headless
