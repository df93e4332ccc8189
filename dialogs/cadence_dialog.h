#pragma once
// "跟进设置": after how many days without a follow-up an open customer is due.
#include <memory>

#include "dialogs/dialog_context.h"
#include "runtime/window.h"

namespace dialogs {

inline constexpr int kLongestCadence = 365;

runtime::Handlers cadence_handlers(std::shared_ptr<const DialogContext> context);

}  // namespace dialogs
