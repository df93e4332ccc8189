#pragma once
// A TCP connection with bounded waits: every call gives up after its timeout.
#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>

namespace runtime::headless {

// Once fired, every wait of a socket that watches it ends at once, now and later: a program
// that is closing stops waiting for the network.
class CancelSignal {
  public:
    CancelSignal();
    ~CancelSignal();
    CancelSignal(const CancelSignal&) = delete;
    CancelSignal& operator=(const CancelSignal&) = delete;

    void fire();
    bool fired() const;
    // Readable once fired; -1 when the system gave no descriptor (then only fired() tells).
    int fd() const { return fd_; }

  private:
    int fd_ = -1;
    std::atomic<bool> fired_{false};
};

class TcpSocket {
  public:
    TcpSocket() = default;
    explicit TcpSocket(int fd) : fd_(fd) {}
    ~TcpSocket();
    TcpSocket(TcpSocket&& other) noexcept
        : fd_(std::exchange(other.fd_, -1)), cancel_(std::exchange(other.cancel_, nullptr)) {}
    TcpSocket& operator=(TcpSocket&& other) noexcept;
    TcpSocket(const TcpSocket&) = delete;
    TcpSocket& operator=(const TcpSocket&) = delete;

    // Connects to the first address of `host` that answers within `timeout` each; none when
    // the name does not resolve, no address takes the connection or `cancel` fires. The
    // socket's later waits end when `cancel` fires too; it must outlive the socket.
    static std::optional<TcpSocket> connect(const std::string& host, std::uint16_t port,
                                            std::chrono::milliseconds timeout,
                                            const CancelSignal* cancel = nullptr);

    // False when not everything could be sent within `timeout`.
    bool send_all(std::string_view bytes, std::chrono::milliseconds timeout);

    // The bytes received into `buffer`: 0 when the peer has closed, none on an error or when
    // nothing arrived within `timeout`.
    std::optional<std::size_t> receive(std::span<std::uint8_t> buffer,
                                       std::chrono::milliseconds timeout);

    // True when the peer has closed or sent something unasked: a kept connection that can
    // no longer carry a request. Does not wait.
    bool stale() const;

  private:
    int fd_ = -1;
    const CancelSignal* cancel_ = nullptr;
};

}  // namespace runtime::headless
