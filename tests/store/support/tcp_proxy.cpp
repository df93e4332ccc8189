#include "tests/store/support/tcp_proxy.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string_view>

namespace testing_support {

namespace {

sockaddr_in local(int port) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<std::uint16_t>(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return a;
}

bool send_all(int fd, const char* data, ssize_t n) {
    while (n > 0) {
        const ssize_t sent = ::send(fd, data, static_cast<std::size_t>(n), MSG_NOSIGNAL);
        if (sent <= 0) return false;
        data += sent;
        n -= sent;
    }
    return true;
}

// An ErrorResponse and a ReadyForQuery that says a transaction is still open, as a server
// that refused the client's statement sends them.
std::string refusal() {
    std::string fields;
    for (const char* f : {"SERROR", "VERROR", "CXX000", "Mthe test relay refused this statement"})
        fields.append(f).push_back('\0');
    fields.push_back('\0');
    auto with_length = [](char kind, const std::string& body) {
        const std::uint32_t n = static_cast<std::uint32_t>(body.size() + 4);
        std::string m(1, kind);
        for (int shift = 24; shift >= 0; shift -= 8)
            m.push_back(static_cast<char>((n >> shift) & 0xff));
        return m + body;
    };
    return with_length('E', fields) + with_length('Z', "T");
}

}  // namespace

void TcpProxy::trap(std::string text, Trap how) {
    std::lock_guard lock(trap_mutex_);
    trap_text_ = std::move(text);
    trap_how_ = how;
    sprung_ = false;
}

TcpProxy::TcpProxy(int target_port) : target_port_(target_port) {
    listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
    int yes = 1;
    ::setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in a = local(0);
    if (::bind(listener_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
        ::listen(listener_, 64) != 0 || ::pipe(wake_) != 0)
        throw std::runtime_error("the test proxy cannot listen");
    socklen_t len = sizeof a;
    ::getsockname(listener_, reinterpret_cast<sockaddr*>(&a), &len);
    port_ = ntohs(a.sin_port);
    thread_ = std::thread([this] { run(); });
}

TcpProxy::~TcpProxy() {
    stopping_ = true;
    const char b = 0;
    if (::write(wake_[1], &b, 1) != 1) {
    }
    thread_.join();
    drop_all();
    ::close(listener_);
    ::close(wake_[0]);
    ::close(wake_[1]);
}

void TcpProxy::cut() {
    const int asked = ++cuts_asked_;
    const char b = 1;
    if (::write(wake_[1], &b, 1) != 1) return;
    while (cuts_done_ < asked)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

void TcpProxy::set_away(bool away) {
    away_ = away;
    if (away) cut();
}

void TcpProxy::drop_all() {
    for (auto [a, b] : pairs_) {
        ::shutdown(a, SHUT_RDWR);
        ::shutdown(b, SHUT_RDWR);
        ::close(a);
        ::close(b);
    }
    pairs_.clear();
}

void TcpProxy::run() {
    char buffer[65536];
    while (!stopping_) {
        std::vector<pollfd> fds = {{listener_, POLLIN, 0}, {wake_[0], POLLIN, 0}};
        for (auto [a, b] : pairs_) {
            fds.push_back({a, POLLIN, 0});
            fds.push_back({b, POLLIN, 0});
        }
        if (::poll(fds.data(), fds.size(), 1000) < 0) continue;
        if (fds[1].revents & POLLIN) {
            if (::read(wake_[0], buffer, sizeof buffer) > 0 && cuts_done_ < cuts_asked_) {
                drop_all();
                cuts_done_ = cuts_asked_.load();
                continue;
            }
        }
        const std::size_t polled = (fds.size() - 2) / 2;
        if (fds[0].revents & POLLIN) {
            const int client = ::accept(listener_, nullptr, nullptr);
            if (client >= 0 && away_) {
                ::close(client);
            } else if (client >= 0) {
                const int server = ::socket(AF_INET, SOCK_STREAM, 0);
                sockaddr_in to = local(target_port_);
                if (::connect(server, reinterpret_cast<sockaddr*>(&to), sizeof to) == 0) {
                    pairs_.emplace_back(client, server);
                    ++accepted_;
                } else {
                    ::close(server);
                    ::close(client);
                }
            }
        }
        // Relay what arrived; a side that closed takes its partner with it.
        std::vector<std::pair<int, int>> kept(pairs_.begin() + static_cast<long>(polled),
                                              pairs_.end());
        bool cut_now = false;
        std::vector<int> closed;
        for (std::size_t i = 0; i < polled; ++i) {
            const auto [a, b] = pairs_[i];
            bool alive = true;
            for (int side = 0; side < 2 && alive; ++side) {
                const pollfd& p = fds[2 + 2 * i + static_cast<std::size_t>(side)];
                if (!(p.revents & (POLLIN | POLLHUP | POLLERR))) continue;
                const ssize_t n = ::recv(p.fd, buffer, sizeof buffer, 0);
                std::optional<Trap> sprang;
                if (side == 0 && n > 0) {
                    std::lock_guard lock(trap_mutex_);
                    if (!trap_text_.empty() &&
                        std::string_view(buffer, static_cast<std::size_t>(n)).find(trap_text_) !=
                            std::string_view::npos) {
                        sprang = trap_how_;
                        trap_text_.clear();
                        sprung_ = true;
                    }
                }
                if (sprang == Trap::refuse) {
                    const std::string answer = refusal();
                    alive = send_all(a, answer.data(), static_cast<ssize_t>(answer.size()));
                    continue;
                }
                if (sprang == Trap::cut_before) {
                    cut_now = true;
                    break;
                }
                alive = n > 0 && send_all(side == 0 ? b : a, buffer, n);
                if (sprang == Trap::cut_after) cut_now = true;
            }
            if (cut_now) break;
            if (alive) {
                kept.emplace_back(a, b);
            } else {
                ::close(a);
                ::close(b);
                closed.push_back(a);
            }
        }
        if (cut_now) {
            // Every connection goes, but for those closed above already.
            std::erase_if(pairs_, [&](const std::pair<int, int>& pair) {
                return std::find(closed.begin(), closed.end(), pair.first) != closed.end();
            });
            drop_all();
            continue;
        }
        pairs_ = std::move(kept);
    }
}

}  // namespace testing_support
