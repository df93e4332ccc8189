#pragma once
// The one way the program fetches a reply it reads itself: a one-shot GET, the body as raw
// bytes, empty when nothing was received.
#include <cstdint>
#include <string_view>
#include <vector>

#include "runtime/http.h"
#include "runtime/http_reply.h"

namespace services {

std::vector<std::uint8_t> http_get(runtime::HttpAdapter& http, std::string_view url);
std::vector<std::uint8_t> http_get(std::string_view url);

// The same request with the reply's status, for callers that must not take an error page or
// a failure for an answer. Throws std::logic_error when the adapter cannot report a status:
// a wiring fault, not a run-time condition.
runtime::HttpReply http_fetch(runtime::HttpAdapter& http, std::string_view url);
runtime::HttpReply http_fetch(std::string_view url);

}  // namespace services
