#pragma once
// One-shot HTTP GETs whose replies the program reads itself.
#include <cstdint>
#include <string_view>
#include <vector>

namespace runtime {

class HttpAdapter {
  public:
    virtual ~HttpAdapter() = default;
    // The body of `url` as raw bytes; empty when nothing was received. May be called from
    // several threads at once.
    virtual std::vector<std::uint8_t> get(std::string_view url) = 0;
};

}  // namespace runtime
