#include "runtime/headless/iconv_handle.h"

#include <array>
#include <cerrno>
#include <stdexcept>
#include <utility>

namespace runtime::headless {

namespace {

const iconv_t kNoDescriptor = reinterpret_cast<iconv_t>(-1);
constexpr std::size_t kFailed = static_cast<std::size_t>(-1);

}  // namespace

IconvHandle::IconvHandle(const char* to_code, const char* from_code)
    : descriptor_(iconv_open(to_code, from_code)) {
    if (descriptor_ == kNoDescriptor) {
        throw std::runtime_error(std::string("iconv cannot convert ") + from_code + " to " +
                                 to_code);
    }
}

IconvHandle::~IconvHandle() {
    if (descriptor_ != kNoDescriptor) iconv_close(descriptor_);
}

IconvHandle::IconvHandle(IconvHandle&& other) noexcept
    : descriptor_(std::exchange(other.descriptor_, kNoDescriptor)) {}

IconvHandle& IconvHandle::operator=(IconvHandle&& other) noexcept {
    if (this != &other) {
        if (descriptor_ != kNoDescriptor) iconv_close(descriptor_);
        descriptor_ = std::exchange(other.descriptor_, kNoDescriptor);
    }
    return *this;
}

std::string IconvHandle::convert(std::string_view input) const {
    // Start from the initial shift state whatever an earlier call left.
    iconv(descriptor_, nullptr, nullptr, nullptr, nullptr);

    std::string output;
    output.reserve(input.size() * 2);
    std::array<char, 1024> buffer{};
    // iconv's signature wants a mutable pointer; it never writes the input.
    char* in = const_cast<char*>(input.data());
    std::size_t in_left = input.size();

    while (in_left > 0) {
        char* out = buffer.data();
        std::size_t out_left = buffer.size();
        const std::size_t result = iconv(descriptor_, &in, &in_left, &out, &out_left);
        const auto produced = static_cast<std::size_t>(out - buffer.data());
        output.append(buffer.data(), produced);
        if (result != kFailed) continue;
        if (errno == E2BIG) {
            // One character always fits an empty buffer; without output there is no way on.
            if (produced == 0) break;
        } else if (errno == EILSEQ) {
            ++in;
            --in_left;
        } else {
            // EINVAL: the input ends inside a character, which cannot convert.
            break;
        }
    }

    char* out = buffer.data();
    std::size_t out_left = buffer.size();
    iconv(descriptor_, nullptr, nullptr, &out, &out_left);
    output.append(buffer.data(), static_cast<std::size_t>(out - buffer.data()));
    return output;
}

}  // namespace runtime::headless
