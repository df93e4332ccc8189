#include "services/message.h"

#include "runtime/platform.h"

namespace services {

std::int32_t show_message(runtime::MessageBoxAdapter& boxes, std::string_view text,
                          std::int32_t buttons, std::string_view title) {
    // The style is the buttons code's bit pattern.
    const int answer = boxes.show(text, title, static_cast<std::uint32_t>(buttons));
    return answer - 1;
}

std::int32_t show_message(std::string_view text, std::int32_t buttons, std::string_view title) {
    return show_message(runtime::platform().message_boxes(), text, buttons, title);
}

}  // namespace services
