#include "runtime/headless/socket_http.h"

#include <algorithm>
#include <optional>
#include <string>

#include "runtime/headless/http_head.h"
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

std::string request_for(const UrlParts& url) {
    std::string host = url.host.find(':') != std::string::npos ? "[" + url.host + "]" : url.host;
    if (url.port != 80) host += ":" + std::to_string(url.port);
    std::string request = "GET " + url.object + " HTTP/1.0\r\nHost: " + host +
                          "\r\nUser-Agent: " + std::string(kAgent) + "\r\nAccept: */*\r\n";
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

std::optional<ReceivedHead> receive_head(TcpSocket& socket, std::chrono::milliseconds timeout) {
    std::string received;
    std::uint8_t piece[kHeadPiece];
    for (;;) {
        const auto got = socket.receive(piece, timeout);
        if (!got || *got == 0) return std::nullopt;
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
    if (!head.content_length) return std::nullopt;
    const long long announced = content_length_value(*head.content_length);
    if (announced < 0) return std::nullopt;
    return static_cast<std::size_t>(announced);
}

}  // namespace

HttpReply SocketHttp::fetch(std::string_view url) {
    if (url.empty()) return {};
    std::string address(url.substr(0, url.find('#')));
    if (!sendable(address)) return {};

    for (int hop = 0; hop <= kMaxRedirects; ++hop) {
        const auto parts = crack_url(address);
        if (!parts || parts->scheme != "http") return {};
        auto socket = TcpSocket::connect(parts->host, parts->port, timeouts_.connect);
        if (!socket) return {};
        if (!socket->send_all(request_for(*parts), timeouts_.receive)) return {};
        auto received = receive_head(*socket, timeouts_.receive);
        if (!received) return {};
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
        const auto length = fixed_length(head);
        reply.body.assign(received->after.begin(), received->after.end());
        std::vector<std::uint8_t> buffer(reply.read_buffer);
        while (!length || reply.body.size() < *length) {
            // A read that fails or times out ends the body; what came so far is kept.
            const auto got = socket->receive(buffer, timeouts_.receive);
            if (!got || *got == 0) break;
            reply.body.insert(reply.body.end(), buffer.begin(),
                              buffer.begin() + static_cast<std::ptrdiff_t>(*got));
        }
        // A server that sends more than it announced is cut at the announcement.
        if (length && reply.body.size() > *length) reply.body.resize(*length);
        return reply;
    }
    return {};
}

}  // namespace runtime::headless
