#include "runtime/headless/tcp_socket.h"

#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <utility>

namespace runtime::headless {

namespace {

struct AddrInfoFree {
    void operator()(addrinfo* list) const { freeaddrinfo(list); }
};
using AddrInfoList = std::unique_ptr<addrinfo, AddrInfoFree>;

using Clock = std::chrono::steady_clock;

// Waits for `events` on the socket until `deadline`; false on timeout, error or when `cancel`
// fires. Restarts after signals with what is left of the wait.
bool wait_until(int fd, short events, Clock::time_point deadline, const CancelSignal* cancel) {
    for (;;) {
        if (cancel != nullptr && cancel->fired()) return false;
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        pollfd entries[2] = {{fd, events, 0}, {cancel != nullptr ? cancel->fd() : -1, POLLIN, 0}};
        const int ready =
            ::poll(entries, 2, static_cast<int>(std::max<long long>(left.count(), 0)));
        if (entries[1].revents != 0) return false;
        if (ready > 0) return true;
        if (ready == 0 || errno != EINTR) return false;
    }
}

}  // namespace

CancelSignal::CancelSignal() : fd_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

CancelSignal::~CancelSignal() {
    if (fd_ >= 0) ::close(fd_);
}

void CancelSignal::fire() {
    fired_ = true;
    if (fd_ >= 0) {
        const std::uint64_t one = 1;
        // The counter only grows; readable from now on, which is all a wait looks at.
        [[maybe_unused]] const auto written = ::write(fd_, &one, sizeof one);
    }
}

bool CancelSignal::fired() const {
    return fired_;
}

TcpSocket::~TcpSocket() {
    if (fd_ >= 0) ::close(fd_);
}

TcpSocket& TcpSocket::operator=(TcpSocket&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0) ::close(fd_);
        fd_ = std::exchange(other.fd_, -1);
        cancel_ = std::exchange(other.cancel_, nullptr);
    }
    return *this;
}

std::optional<TcpSocket> TcpSocket::connect(const std::string& host, std::uint16_t port,
                                            std::chrono::milliseconds timeout,
                                            const CancelSignal* cancel) {
    if (cancel != nullptr && cancel->fired()) return std::nullopt;
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (::getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found) != 0)
        return std::nullopt;
    const AddrInfoList addresses(found);
    for (const addrinfo* a = addresses.get(); a != nullptr; a = a->ai_next) {
        TcpSocket socket(
            ::socket(a->ai_family, a->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, a->ai_protocol));
        if (socket.fd_ < 0) continue;
        if (::connect(socket.fd_, a->ai_addr, a->ai_addrlen) != 0) {
            if (errno != EINPROGRESS) continue;
            if (!wait_until(socket.fd_, POLLOUT, Clock::now() + timeout, cancel)) {
                if (cancel != nullptr && cancel->fired()) return std::nullopt;
                continue;
            }
            int error = 0;
            socklen_t size = sizeof error;
            if (::getsockopt(socket.fd_, SOL_SOCKET, SO_ERROR, &error, &size) != 0 || error != 0)
                continue;
        }
        socket.cancel_ = cancel;
        return socket;
    }
    return std::nullopt;
}

bool TcpSocket::send_all(std::string_view bytes, std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    while (!bytes.empty()) {
        if (cancel_ != nullptr && cancel_->fired()) return false;
        // A peer that has gone must not raise SIGPIPE in the program.
        const ssize_t sent = ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (sent > 0) {
            bytes.remove_prefix(static_cast<std::size_t>(sent));
        } else if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) {
            if (!wait_until(fd_, POLLOUT, deadline, cancel_)) return false;
        } else {
            return false;
        }
    }
    return true;
}

std::optional<std::size_t> TcpSocket::receive(std::span<std::uint8_t> buffer,
                                              std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    for (;;) {
        if (cancel_ != nullptr && cancel_->fired()) return std::nullopt;
        const ssize_t got = ::recv(fd_, buffer.data(), buffer.size(), 0);
        if (got >= 0) return static_cast<std::size_t>(got);
        if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) return std::nullopt;
        if (!wait_until(fd_, POLLIN, deadline, cancel_)) return std::nullopt;
    }
}

bool TcpSocket::stale() const {
    pollfd entry{fd_, POLLIN, 0};
    // Anything readable on an idle connection is its end or bytes nobody asked for.
    return fd_ < 0 || ::poll(&entry, 1, 0) != 0;
}

}  // namespace runtime::headless
