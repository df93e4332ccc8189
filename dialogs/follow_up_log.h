#pragma once
// "跟进记录": every follow-up of the customer a list command picked, newest first.
#include <memory>

#include "dialogs/dialog_context.h"
#include "runtime/window.h"

namespace dialogs {

runtime::Handlers follow_up_log_handlers(std::shared_ptr<const DialogContext> context);

}  // namespace dialogs
