#include "dialogs/chat_launcher.h"

#include "forms/forms.h"
#include "runtime/platform.h"
#include "services/url_encode.h"

namespace dialogs {

std::string chat_address(std::string_view host, std::string_view customer_id) {
    // The program's text is UTF-8 already, which is what the service wants.
    return "http://" + std::string(host) +
           "/getcid.aw?v=2&uid=" + services::url_encode(customer_id) +
           "&site=cntaobao&s=1&groupid=0&charset=utf-8";
}

runtime::Handlers chat_launcher_handlers() {
    runtime::Handlers h;
    h[forms::ops::kChatTick] = [](runtime::Window& w, const runtime::EventArgs&) {
        w.stop_timer(forms::chat::kTimer);
        w.close();
    };
    return h;
}

void contact_customer(std::string_view customer_id, std::string_view host) {
    runtime::Window& launcher =
        runtime::platform().windows().open(forms::chat_launcher(), chat_launcher_handlers());
    launcher.navigate(forms::chat::kHtmlView, chat_address(host, customer_id));
}

}  // namespace dialogs
