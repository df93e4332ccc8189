#pragma once

#include <cstdint>
#include <string_view>

#include "runtime/message_box.h"

namespace services {

inline constexpr std::string_view kDefaultMessageTitle = "信息：";

// Button codes the program passes; they are message box styles.
inline constexpr std::int32_t kButtonsOk = 0;
inline constexpr std::int32_t kButtonsYesNo = 4;

// What the user chose: the message box answer minus one.
inline constexpr std::int32_t kChoseOk = 0;
inline constexpr std::int32_t kChoseCancel = 1;
inline constexpr std::int32_t kChoseAbort = 2;
inline constexpr std::int32_t kChoseRetry = 3;
inline constexpr std::int32_t kChoseIgnore = 4;
inline constexpr std::int32_t kChoseYes = 5;
inline constexpr std::int32_t kChoseNo = 6;

// Shows a task-modal message box without an owner and waits for it to be
// closed. The buttons code is the box's style, passed as it is. A box that
// could not be shown gives -1.
std::int32_t show_message(runtime::MessageBoxAdapter& boxes, std::string_view text,
                          std::int32_t buttons = kButtonsOk,
                          std::string_view title = kDefaultMessageTitle);

// The same through the current platform.
std::int32_t show_message(std::string_view text, std::int32_t buttons = kButtonsOk,
                          std::string_view title = kDefaultMessageTitle);

}  // namespace services
