#include "services/url_encode.h"

namespace services {

namespace {

bool stays(unsigned char byte) {
    return (byte >= '0' && byte <= '9') || (byte >= 'a' && byte <= 'z') ||
           (byte >= 'A' && byte <= 'Z') || byte == '.' || byte == '-' || byte == '_';
}

void append_escaped(std::string& out, unsigned char byte) {
    constexpr char kHex[] = "0123456789ABCDEF";
    out += '%';
    out += kHex[byte >> 4];
    out += kHex[byte & 0xF];
}

}  // namespace

std::string url_encode(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() * 3);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        if (stays(byte)) {
            out += static_cast<char>(byte);
        } else {
            append_escaped(out, byte);
            if (byte > 126 && i + 1 < bytes.size()) {
                ++i;
                append_escaped(out, static_cast<unsigned char>(bytes[i]));
            }
        }
    }
    return out;
}

}  // namespace services
