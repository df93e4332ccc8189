#include "services/http_get.h"

#include <stdexcept>

#include "runtime/platform.h"

namespace services {

std::vector<std::uint8_t> http_get(runtime::HttpAdapter& http, std::string_view url) {
    return http.get(url);
}

std::vector<std::uint8_t> http_get(std::string_view url) {
    return http_get(runtime::platform().http(), url);
}

runtime::HttpReply http_fetch(runtime::HttpAdapter& http, std::string_view url) {
    auto* replies = dynamic_cast<runtime::HttpReplyAdapter*>(&http);
    if (replies == nullptr) throw std::logic_error("the HTTP adapter reports no status");
    return replies->fetch(url);
}

runtime::HttpReply http_fetch(std::string_view url) {
    return http_fetch(runtime::platform().http(), url);
}

}  // namespace services
