#pragma once
// The manager of the shop's own IDs, one a line in settings row 1.
#include <functional>
#include <memory>

#include "dialogs/dialog_context.h"
#include "runtime/window.h"

namespace dialogs {

// The manager's operations. `refill_editor` puts the saved IDs into the customer editor that
// opened the manager; empty when it was opened from elsewhere.
runtime::Handlers our_id_manager_handlers(std::shared_ptr<const DialogContext> context,
                                          std::function<void()> refill_editor = {});

}  // namespace dialogs
