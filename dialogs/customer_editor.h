#pragma once
// The customer editor: adds a customer or changes the one the edit command picked.
#include <memory>

#include "dialogs/dialog_context.h"
#include "runtime/window.h"

namespace dialogs {

runtime::Handlers customer_editor_handlers(std::shared_ptr<const DialogContext> context);

}  // namespace dialogs
