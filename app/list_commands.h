#pragma once
// The commands of the row menu and of the "更多功能" menu, and the dialogs' operations.
#include "app/main_window.h"
#include "runtime/window.h"

namespace app {

inline constexpr const char* kNoHomePage = "这个版本没有设置官方网站的网址。";
inline constexpr const char* kNoGroup = "这个版本没有设置官方群。";
inline constexpr const char* kDeleteQuestion =
    "确定要删除该客户信息吗？\r\n删除的客户在“最近删除…”里保留 30 天，可以恢复。";

// Adds the menu commands to the main window's operations.
void add_list_command_handlers(runtime::Handlers& h, MainContext& context);

// Gives the customer editor, the our-ID manager and the deal date dialog their operations,
// each reloading `main`'s list after a change. Call once the main window exists.
void install_dialog_handlers(MainContext& context, runtime::Window& main);

// "http://" member host "/member/userProfile.jhtml?userID=" the percent-encoded GBK ID.
std::string profile_address(std::string_view member_host, std::string_view customer_id);

}  // namespace app
