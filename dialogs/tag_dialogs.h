#pragma once
// The shop's tags: "标签管理" adds, renames, removes and orders them, each change stored at
// once; "设置标签" ticks those of the customer a list command picked, found by typing.
#include <memory>
#include <string>

#include "dialogs/dialog_context.h"
#include "runtime/window.h"

namespace dialogs {

inline constexpr const char* kBadTagName = "标签名不能为空，也不能有空格、逗号或 #。";
inline constexpr const char* kLongTagName = "标签名最多 50 个字。";
inline constexpr const char* kTagThere = "已经有这个标签了。";
inline constexpr const char* kPickTagFirst = "请先在列表里选中一个标签。";

runtime::Handlers tag_manager_handlers(std::shared_ptr<const DialogContext> context);
runtime::Handlers tag_picker_handlers(std::shared_ptr<const DialogContext> context);

}  // namespace dialogs
