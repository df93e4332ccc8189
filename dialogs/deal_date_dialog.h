#pragma once
// The deal date dialog: closes the deal of the customer the list command picked.
#include <memory>

#include "dialogs/dialog_context.h"
#include "runtime/window.h"

namespace dialogs {

runtime::Handlers deal_date_handlers(std::shared_ptr<const DialogContext> context);

}  // namespace dialogs
