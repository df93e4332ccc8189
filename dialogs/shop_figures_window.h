#pragma once
// "店铺统计": the shop's numbers for the period chosen, sorted by a header click, exported as a
// workbook or as a picture of the chart.
#include <memory>

#include "dialogs/dialog_context.h"
#include "runtime/window.h"

namespace dialogs {

runtime::Handlers shop_figures_handlers(std::shared_ptr<const DialogContext> context);

}  // namespace dialogs
