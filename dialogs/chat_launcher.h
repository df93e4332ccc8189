#pragma once
// The chat hand-off: a hidden window loads the messenger service's address for a customer ID
// and closes itself a few seconds later.
#include <string>
#include <string_view>

#include "runtime/window.h"

namespace dialogs {

// "http://" host "/getcid.aw?v=2&uid=" the percent-encoded UTF-8 ID "&site=cntaobao&s=1
// &groupid=0&charset=utf-8".
std::string chat_address(std::string_view host, std::string_view customer_id);

// The launcher's own operations: its first tick ends it.
runtime::Handlers chat_launcher_handlers();

// Opens a launcher (not modal, never shown) and sends it to the hand-off address.
void contact_customer(std::string_view customer_id, std::string_view host);

}  // namespace dialogs
