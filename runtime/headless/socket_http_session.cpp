#include "runtime/headless/socket_http_session.h"

#include <algorithm>

namespace runtime::headless {

namespace {

// As many idle connections as requests the program keeps in flight.
constexpr std::size_t kKeptConnections = 8;

}  // namespace

std::optional<TcpSocket> ConnectionPool::take(const std::string& host, std::uint16_t port) {
    std::lock_guard lock(mutex_);
    for (std::size_t i = idle_.size(); i-- > 0;) {
        if (idle_[i].host != host || idle_[i].port != port) continue;
        TcpSocket socket = std::move(idle_[i].socket);
        idle_.erase(idle_.begin() + static_cast<std::ptrdiff_t>(i));
        // A connection the server has closed meanwhile is dropped; an older one may do.
        if (!socket.stale()) return socket;
    }
    return std::nullopt;
}

void ConnectionPool::put(const std::string& host, std::uint16_t port, TcpSocket socket) {
    std::lock_guard lock(mutex_);
    if (closed_ || capacity_ == 0) return;
    if (idle_.size() >= capacity_) idle_.erase(idle_.begin());
    idle_.push_back({host, port, std::move(socket)});
}

void ConnectionPool::close() {
    std::lock_guard lock(mutex_);
    closed_ = true;
    idle_.clear();
}

SocketHttpSession::SocketHttpSession(HttpSessionOptions options)
    : options_(options), pool_(options.reuse_connections ? kKeptConnections : 0) {}

HttpReply SocketHttpSession::fetch(std::string_view url) {
    if (cancel_.fired()) return {};
    return socket_fetch(
        url, {options_.timeouts, options_.reuse_connections ? &pool_ : nullptr, &cancel_});
}

void SocketHttpSession::cancel_all() {
    cancel_.fire();
    pool_.close();
}

std::shared_ptr<HttpSession> SocketHttp::open_session(const HttpSessionOptions& options) {
    return std::make_shared<SocketHttpSession>(options);
}

}  // namespace runtime::headless
