#pragma once
// "把本机数据搬到服务器…": the questions, the move and its report.
#include <functional>
#include <optional>
#include <string>

#include "dialogs/server_settings.h"
#include "jet/civil_date.h"
#include "jet/file_system.h"
#include "store/move_shop.h"

namespace dialogs {

struct MoveShopContext {
    std::string database_path;
    jet::FileSystem* files = nullptr;
    std::function<jet::CivilDate()> today;
    // The server the settings name, whether or not it is in use yet.
    ServerDetails server;
    // Settings row 2 of the server after the move (store::MoveRequest::shop_settings).
    std::function<std::string(const std::string&, const std::string&, bool)> shop_settings;
    // After the move: the program keeps its customers on the server from now on. What the
    // user is told when that choice could not be stored, empty when it was.
    std::function<std::string(const ServerDetails&)> switch_to;
};

// Runs the whole flow with message boxes; true when the shop moved.
bool move_shop_to_server(const MoveShopContext& context);

// What the user is told of a move that did not happen (empty for a move that did).
std::string move_failure_text(const store::MoveReport& report);

}  // namespace dialogs
