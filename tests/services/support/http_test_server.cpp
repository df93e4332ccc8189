#include "tests/services/support/http_test_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <stdexcept>

namespace testsupport {

namespace {

std::string reason(int status) {
    switch (status) {
        case 200:
            return "OK";
        case 204:
            return "No Content";
        case 301:
            return "Moved Permanently";
        case 302:
            return "Found";
        case 404:
            return "Not Found";
        case 500:
            return "Internal Server Error";
        case 503:
            return "Service Unavailable";
        default:
            return "Status";
    }
}

int listening_socket(int backlog, std::uint16_t& port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) throw std::runtime_error("test server: no socket");
    const int yes = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), size) != 0 ||
        ::listen(fd, backlog) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
        ::close(fd);
        throw std::runtime_error("test server: cannot listen");
    }
    port = ntohs(address.sin_port);
    return fd;
}

bool send_all(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t sent = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (sent <= 0) return false;
        bytes.remove_prefix(static_cast<std::size_t>(sent));
    }
    return true;
}

// Whether the client asked to keep the connection: HTTP/1.1 unless it said "close", HTTP/1.0
// only with "Connection: keep-alive".
bool wants_keep_alive(const std::string& head) {
    std::string lower = head;
    for (char& c : lower)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const auto line_end = lower.find("\r\n");
    const bool http11 = lower.substr(0, line_end).ends_with("http/1.1");
    const auto header = lower.find("\r\nconnection:");
    if (header == std::string::npos) return http11;
    const auto value_end = lower.find("\r\n", header + 2);
    const std::string value = lower.substr(header, value_end - header);
    if (value.find("close") != std::string::npos) return false;
    return http11 || value.find("keep-alive") != std::string::npos;
}

std::string target_of(const std::string& head) {
    const auto first = head.find(' ');
    const auto second = head.find(' ', first + 1);
    if (first == std::string::npos || second == std::string::npos) return {};
    return head.substr(first + 1, second - first - 1);
}

}  // namespace

HttpTestServer::HttpTestServer(std::size_t workers) {
    listen_fd_ = listening_socket(128, port_);
    for (std::size_t i = 0; i < workers; ++i)
        workers_.emplace_back([this] { worker_loop(); });
    acceptor_ = std::thread([this] { accept_loop(); });
}

HttpTestServer::~HttpTestServer() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    acceptor_.join();
    for (auto& worker : workers_)
        worker.join();
    for (int fd : pending_)
        ::close(fd);
    ::close(listen_fd_);
}

std::string HttpTestServer::host() const {
    return "127.0.0.1:" + std::to_string(port_);
}

std::string HttpTestServer::url(std::string_view target) const {
    return "http://" + host() + std::string(target);
}

void HttpTestServer::set_reply(std::string target, CannedReply reply) {
    std::lock_guard lock(mutex_);
    replies_[std::move(target)] = std::move(reply);
}

void HttpTestServer::set_handler(Handler handler) {
    std::lock_guard lock(mutex_);
    handler_ = std::move(handler);
}

std::vector<std::string> HttpTestServer::targets() const {
    std::lock_guard lock(mutex_);
    return targets_;
}

std::vector<std::string> HttpTestServer::requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

std::size_t HttpTestServer::request_count() const {
    std::lock_guard lock(mutex_);
    return targets_.size();
}

std::size_t HttpTestServer::peak_in_flight() const {
    std::lock_guard lock(mutex_);
    return peak_in_flight_;
}

std::size_t HttpTestServer::in_flight() const {
    std::lock_guard lock(mutex_);
    return in_flight_;
}

std::size_t HttpTestServer::connection_count() const {
    std::lock_guard lock(mutex_);
    return connections_;
}

void HttpTestServer::clear_record() {
    std::lock_guard lock(mutex_);
    targets_.clear();
    requests_.clear();
    peak_in_flight_ = in_flight_;
    connections_ = 0;
}

void HttpTestServer::set_keep_alive(bool allowed) {
    std::lock_guard lock(mutex_);
    keep_alive_ = allowed;
}

void HttpTestServer::set_connection_delay(std::chrono::milliseconds delay) {
    std::lock_guard lock(mutex_);
    connection_delay_ = delay;
}

void HttpTestServer::accept_loop() {
    for (;;) {
        {
            std::lock_guard lock(mutex_);
            if (stopping_) return;
        }
        pollfd entry{listen_fd_, POLLIN, 0};
        if (::poll(&entry, 1, 50) <= 0) continue;
        const int fd = ::accept4(listen_fd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) continue;
        {
            std::lock_guard lock(mutex_);
            pending_.push_back(fd);
            ++connections_;
        }
        // Threads pausing inside a reply wait on the same condition: waking just one could
        // wake one of them and leave the new connection to nobody.
        wake_.notify_all();
    }
}

void HttpTestServer::worker_loop() {
    for (;;) {
        int fd = -1;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return stopping_ || !pending_.empty(); });
            if (stopping_) return;
            fd = pending_.front();
            pending_.pop_front();
        }
        serve(fd);
        ::close(fd);
    }
}

CannedReply HttpTestServer::reply_for(const std::string& target) {
    std::lock_guard lock(mutex_);
    if (auto found = replies_.find(target); found != replies_.end()) return found->second;
    if (handler_) return handler_(target);
    CannedReply missing;
    missing.status = 404;
    missing.content_type = "text/html";
    missing.body = "<html><body><h1>404 Not Found</h1></body></html>";
    return missing;
}

bool HttpTestServer::pause(std::chrono::milliseconds span) {
    std::unique_lock lock(mutex_);
    return !wake_.wait_for(lock, span, [this] { return stopping_; });
}

bool HttpTestServer::delay_reply(int fd, std::chrono::milliseconds span) {
    const auto deadline = std::chrono::steady_clock::now() + span;
    for (;;) {
        {
            std::lock_guard lock(mutex_);
            if (stopping_) return false;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return true;
        const auto slice = std::min(left, std::chrono::milliseconds(50));
        pollfd entry{fd, POLLIN, 0};
        if (::poll(&entry, 1, static_cast<int>(slice.count())) > 0) {
            char byte = 0;
            // The end of the connection, or an error: the client has gone.
            if (::recv(fd, &byte, 1, MSG_PEEK | MSG_DONTWAIT) <= 0) return false;
            // Bytes ahead of time (a next request): nothing to watch until the reply.
            return pause(left);
        }
    }
}

std::string HttpTestServer::read_head(int fd) {
    std::string head;
    char piece[2048];
    // A client gets a few seconds to send its request; the wait is cut short when the server
    // stops, so that an idle kept connection never holds up its end.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (head.find("\r\n\r\n") == std::string::npos && head.size() < 65536) {
        {
            std::lock_guard lock(mutex_);
            if (stopping_) return {};
        }
        if (std::chrono::steady_clock::now() > deadline) return {};
        pollfd entry{fd, POLLIN, 0};
        const int ready = ::poll(&entry, 1, 50);
        if (ready < 0) return {};
        if (ready == 0) continue;
        const ssize_t got = ::recv(fd, piece, sizeof piece, 0);
        if (got <= 0) return {};
        head.append(piece, static_cast<std::size_t>(got));
    }
    return head;
}

void HttpTestServer::serve(int fd) {
    std::chrono::milliseconds set_up{0};
    {
        std::lock_guard lock(mutex_);
        set_up = connection_delay_;
    }
    if (set_up.count() > 0 && !pause(set_up)) return;
    for (;;) {
        const std::string head = read_head(fd);
        if (head.empty() || !answer(fd, head)) return;
    }
}

bool HttpTestServer::answer(int fd, const std::string& head) {
    const std::string target = target_of(head);
    bool keep = false;
    {
        std::lock_guard lock(mutex_);
        targets_.push_back(target);
        requests_.push_back(head);
        peak_in_flight_ = std::max(peak_in_flight_, ++in_flight_);
        keep = keep_alive_ && wants_keep_alive(head);
    }
    const CannedReply reply = reply_for(target);
    // A request stops counting before its first reply byte leaves: once the client has its
    // answer it may open the next one before this thread runs again, so counting until after
    // the send would see more at once than the client ever had.
    const auto done = [this] {
        std::lock_guard lock(mutex_);
        --in_flight_;
    };
    if (reply.delay.count() > 0 && !delay_reply(fd, reply.delay)) {
        done();
        return false;
    }
    done();
    if (reply.hang_up) return false;
    // A body without a true length ends where the connection does.
    keep = keep && !reply.omit_length && !reply.content_length && !reply.send_only &&
           reply.hold_open.count() == 0;

    std::string out = std::string(keep ? "HTTP/1.1 " : "HTTP/1.0 ") + std::to_string(reply.status) +
                      " " + reason(reply.status) + "\r\nContent-Type: " + reply.content_type +
                      "\r\n";
    if (!reply.omit_length)
        out +=
            "Content-Length: " + reply.content_length.value_or(std::to_string(reply.body.size())) +
            "\r\n";
    if (keep) out += "Connection: keep-alive\r\n";
    for (const auto& [name, value] : reply.headers)
        out += name + ": " + value + "\r\n";
    out += "\r\n";
    if (reply.send_only) {
        out += reply.body.substr(0, *reply.send_only);
        if (send_all(fd, out)) pause(reply.stall);
        return false;
    }
    out += reply.body;
    if (!send_all(fd, out)) return false;
    if (reply.hold_open.count() > 0) pause(reply.hold_open);
    return keep;
}

std::uint16_t refusing_port() {
    std::uint16_t port = 0;
    const int fd = listening_socket(1, port);
    // Closed again at once: the port stays free, and nothing else of this test takes it.
    ::close(fd);
    return port;
}

FullListener::FullListener() {
    listen_fd_ = listening_socket(0, port_);
    // One waiting connection fills a queue of length 0; later attempts get no answer.
    filler_fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port_);
    if (::connect(filler_fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
        throw std::runtime_error("full listener: the filler could not connect");
}

FullListener::~FullListener() {
    ::close(filler_fd_);
    ::close(listen_fd_);
}

}  // namespace testsupport
