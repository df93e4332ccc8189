#pragma once
// The version check at start-up: a newer version on the maker's server is pointed out once.
#include "runtime/http.h"
#include "runtime/message_box.h"
#include "runtime/shell.h"
#include "services/hosts.h"

namespace services {

inline constexpr std::string_view kUpdateAdvice = "请下载最新版本";

enum class UpdateCheck {
    kSkipped,   // no update host: nothing was asked
    kUpToDate,  // no newer version, or no usable answer
    kAdvised,   // the advice was shown, then the home page opened when there is one
};

// Asks the update server for its version text. When it is a number above 2.0 (by more than
// 0.0000001), shows kUpdateAdvice and then opens the maker's home page. A failed request, an
// error page, an empty text or one that is no such number leaves the program silent.
UpdateCheck check_for_update(runtime::HttpAdapter& http, runtime::MessageBoxAdapter& boxes,
                             runtime::ShellAdapter& shell, const ServiceHosts& hosts);
UpdateCheck check_for_update();

}  // namespace services
