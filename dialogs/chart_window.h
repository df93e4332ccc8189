#pragma once
// The chart window: open customers against closed deals, counted once when it opens.
#include <memory>

#include "dialogs/dialog_context.h"
#include "runtime/window.h"

namespace dialogs {

runtime::Handlers chart_window_handlers(std::shared_ptr<const DialogContext> context);

}  // namespace dialogs
