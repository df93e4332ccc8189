#pragma once
// A TCP connection with bounded waits: every call gives up after its timeout.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>

namespace runtime::headless {

class TcpSocket {
  public:
    TcpSocket() = default;
    explicit TcpSocket(int fd) : fd_(fd) {}
    ~TcpSocket();
    TcpSocket(TcpSocket&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    TcpSocket& operator=(TcpSocket&& other) noexcept;
    TcpSocket(const TcpSocket&) = delete;
    TcpSocket& operator=(const TcpSocket&) = delete;

    // Connects to the first address of `host` that answers within `timeout` each; none when
    // the name does not resolve or no address takes the connection.
    static std::optional<TcpSocket> connect(const std::string& host, std::uint16_t port,
                                            std::chrono::milliseconds timeout);

    // False when not everything could be sent within `timeout`.
    bool send_all(std::string_view bytes, std::chrono::milliseconds timeout);

    // The bytes received into `buffer`: 0 when the peer has closed, none on an error or when
    // nothing arrived within `timeout`.
    std::optional<std::size_t> receive(std::span<std::uint8_t> buffer,
                                       std::chrono::milliseconds timeout);

  private:
    int fd_ = -1;
};

}  // namespace runtime::headless
