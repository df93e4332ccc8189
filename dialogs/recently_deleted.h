#pragma once
// "最近删除": the customers deleted in the last days, with when and on which PC, put back one
// at a time or all at once. Opening it first lets go of those deleted too long ago.
#include <memory>
#include <string>

#include "dialogs/dialog_context.h"
#include "runtime/window.h"
#include "store/recycle_bin.h"

namespace dialogs {

inline constexpr const char* kNothingPicked = "请先选中要恢复的客户。";

// "已恢复 N 位客户。", and why any stayed in the bin.
std::string put_back_text(const store::PutBackReport& report);

runtime::Handlers recently_deleted_handlers(std::shared_ptr<const DialogContext> context);

}  // namespace dialogs
