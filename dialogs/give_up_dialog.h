#pragma once
// "放弃跟进": the shop gives the customer a list command picked up, for a reason from its list
// or typed.
#include <cstddef>
#include <memory>

#include "dialogs/dialog_context.h"
#include "runtime/window.h"

namespace dialogs {

inline constexpr const char* kNoReason = "请选择或填写放弃的原因。";
inline constexpr const char* kLongReason = "放弃的原因最多 50 个字。";
inline constexpr std::size_t kMaxReasonLength = 50;

runtime::Handlers give_up_handlers(std::shared_ptr<const DialogContext> context);

}  // namespace dialogs
