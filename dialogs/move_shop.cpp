#include "dialogs/move_shop.h"

#include "dialogs/store_messages.h"
#include "services/message.h"
#include "store/provision.h"

namespace dialogs {

namespace {

std::string server_name(const ServerDetails& d) {
    return d.host + ":" + std::to_string(d.port) + " 上的数据库 " + d.database;
}

}  // namespace

std::string move_failure_text(const store::MoveReport& report) {
    const std::string nothing = "什么都没有搬，服务器和本机的数据都没有改动。";
    switch (report.outcome) {
        case store::MoveOutcome::moved:
            return {};
        case store::MoveOutcome::server_not_empty:
            return "服务器上已经有客户了。" + nothing;
        case store::MoveOutcome::backup_failed:
            return "本机数据没能先备份，所以没有搬。\r\n" +
                   (report.backup_error ? error_text(*report.backup_error) : std::string());
        case store::MoveOutcome::file_unusable:
            return "本机的数据文件无法读取。" + nothing;
        case store::MoveOutcome::server_unusable:
            return server_failure_text(report.failure) + "\r\n" + nothing;
        case store::MoveOutcome::not_stored:
            return "服务器没有接受这些数据（连接可能断了）。" + nothing + "请稍后再试。";
    }
    return nothing;
}

bool move_shop_to_server(const MoveShopContext& c) {
    if (!server_details_problem(c.server).empty()) {
        services::show_message("请先在“数据库设置…”里填好数据库服务器，再来搬数据。");
        return false;
    }
    const std::string where = server_name(c.server);
    if (services::show_message("要把本机的客户数据搬到 " + where +
                                   " 吗？\r\n搬之前会先备份本机数据，本机的数据文件不会改动。",
                               services::kButtonsYesNo, "温馨提示：") != services::kChoseYes)
        return false;
    const store::StoreLocation server = server_location(c.server);
    auto present = store::count_all_customers(server);
    if (!present) {
        services::show_message(server_failure_text(present.failure().kind) + "\r\n什么都没有搬。");
        return false;
    }
    const bool merge = *present > 0;
    if (merge &&
        services::show_message(
            "服务器上已经有 " + std::to_string(*present) +
                " 位客户。要把本机的客户合并进去吗？\r\n服务器上已有的客户（客户旺旺和我们的旺旺"
                "都相同）不会重复添加，新加的客户由服务器重新编号。",
            services::kButtonsYesNo, "温馨提示：") != services::kChoseYes)
        return false;

    store::MoveRequest request;
    request.from = {c.database_path, store::kDatabasePassword};
    request.to = server;
    request.merge = merge;
    request.shop_settings = c.shop_settings;
    request.today = c.today ? c.today() : jet::CivilDate{2000, 1, 1};
    const store::MoveReport report = store::move_shop(*c.files, request);
    if (report.outcome != store::MoveOutcome::moved) {
        services::show_message(move_failure_text(report));
        return false;
    }
    std::string text = "搬好了：" + std::to_string(report.moved) + " 位客户已经搬到服务器上";
    if (report.already_there > 0)
        text += "，" + std::to_string(report.already_there) + " 位服务器上已经有了，没有重复添加";
    text += "。\r\n本机的数据文件没有改动，搬之前的备份在：\r\n" + report.backup_path;
    if (c.switch_to) {
        if (const std::string problem = c.switch_to(c.server); !problem.empty())
            text += "\r\n\r\n但是没能记下改用服务器：" + problem +
                    "\r\n请在“数据库设置…”里选择数据库服务器。";
        else
            text += "\r\n\r\n从现在起，客户数据存放在服务器上。";
    }
    services::show_message(text, services::kButtonsOk, "恭喜：");
    return true;
}

}  // namespace dialogs
