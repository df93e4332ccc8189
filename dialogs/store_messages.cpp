#include "dialogs/store_messages.h"

#include "services/message.h"

namespace dialogs {

std::string start_up_store_message(store::StoreFailure failure, const std::string& path) {
    switch (failure) {
        case store::StoreFailure::none:
        case store::StoreFailure::busy:
            return {};
        case store::StoreFailure::missing:
            return "无法建立数据库文件：\r\n" + path +
                   "\r\n\r\n程序所在的文件夹可能不允许写入。请把程序放到可以写入的文件夹里再打开。";
        case store::StoreFailure::unreadable:
            return "数据库文件无法读取：\r\n" + path +
                   "\r\n\r\n它可能已经损坏，或者不是本程序的数据库，也可能是密码不对。程序没有改动"
                   "这个文件，也不会往里写入。\r\n请换回备份的文件，或者把它移走后重新打开程序"
                   "（程序会建立一个新的空数据库）。";
        case store::StoreFailure::unavailable:
            return "数据库文件打不开：\r\n" + path +
                   "\r\n\r\n系统不让读写它（磁盘已满，或者文件夹不见了）。程序没有改动这个文件。"
                   "请处理后重新打开程序。";
        case store::StoreFailure::gone:
            return {};
        case store::StoreFailure::unreachable:
        case store::StoreFailure::refused:
        case store::StoreFailure::no_database:
        case store::StoreFailure::no_driver:
        case store::StoreFailure::no_rights:
        case store::StoreFailure::foreign_schema:
        case store::StoreFailure::newer_schema:
            return server_failure_text(failure);
    }
    return {};
}

std::string server_failure_text(store::StoreFailure failure) {
    switch (failure) {
        case store::StoreFailure::unreachable:
            return "连不上数据库服务器：服务器没有开机、地址或端口不对，或者网络断了。";
        case store::StoreFailure::refused:
            return "数据库服务器不接受这个用户名或密码。";
        case store::StoreFailure::no_database:
            return "数据库服务器上没有这个名字的数据库。";
        case store::StoreFailure::no_driver:
            return "这台电脑没有装 PostgreSQL 的 ODBC 驱动（psqlODBC，“PostgreSQL Unicode”）。";
        case store::StoreFailure::no_rights:
            return "数据库服务器不让这个用户名读写这些表。请换用建立它们的用户名，或者请管理员给这"
                   "个"
                   "用户名授权。";
        case store::StoreFailure::foreign_schema:
            return "这个数据库里是别的程序的表，或者本程序的表被改过。程序不会改动它。";
        case store::StoreFailure::newer_schema:
            return "这个数据库是更新版本的岚桥管家建立的，这个版本不能使用它。请升级程序。";
        case store::StoreFailure::busy:
            return "数据库正被另一台电脑长时间占用，请稍后再试。";
        default:
            return "数据库无法使用。";
    }
}

std::string not_saved_message(store::StoreFailure failure, const std::string& path) {
    if (failure == store::StoreFailure::unreadable)
        return "数据库文件无法读取，这次修改没有保存：\r\n" + path;
    if (failure == store::StoreFailure::missing)
        return "找不到数据库文件，这次修改没有保存：\r\n" + path;
    switch (failure) {
        case store::StoreFailure::unreachable:
        case store::StoreFailure::refused:
        case store::StoreFailure::no_database:
        case store::StoreFailure::no_driver:
        case store::StoreFailure::no_rights:
        case store::StoreFailure::foreign_schema:
        case store::StoreFailure::newer_schema:
            return "这次修改没有保存。" + server_failure_text(failure);
        default:
            return kSaveFailed;
    }
}

std::string not_kept_message(store::StoreFailure failure) {
    if (failure == store::StoreFailure::unreachable)
        return "这次修改没有保存。" + server_failure_text(failure);
    return kSaveFailed;
}

std::string backup_failure_text(const store::Failure& failure) {
    switch (failure.kind) {
        case store::StoreFailure::busy:
            return "另一个程序窗口正在使用数据库，请稍后再试。";
        case store::StoreFailure::missing:
            return "找不到文件。";
        case store::StoreFailure::unreadable:
            return "文件不是本程序的数据库，或者已经损坏。";
        case store::StoreFailure::unavailable:
        case store::StoreFailure::none:
            return "数据没能读出或写进备份（磁盘可能满了，或者文件夹不能写入）。";
        default:
            return server_failure_text(failure.kind);
    }
}

std::string error_text(const jet::Error& error) {
    switch (error.code) {
        case jet::Errc::busy:
            return "另一个程序窗口正在使用数据库，请稍后再试。";
        case jet::Errc::not_found:
            return "找不到文件。";
        case jet::Errc::io:
        case jet::Errc::full:
            return "文件写不进去（磁盘可能满了，或者文件夹不能写入）。";
        case jet::Errc::wrong_password:
        case jet::Errc::not_a_database:
        case jet::Errc::unsupported_version:
        case jet::Errc::corrupt:
            return "文件不是本程序的数据库，或者已经损坏。";
        default:
            return "数据库文件无法读取。";
    }
}

bool report_action(store::ActionResult result, const store::StoreConnection& c,
                   const std::string& path) {
    switch (result.outcome) {
        case store::ActionOutcome::done:
            return true;
        case store::ActionOutcome::missing:
            services::show_message(kCustomerGone);
            return true;
        case store::ActionOutcome::unavailable:
            services::show_message(not_saved_message(store::failure_of(c), path));
            return false;
        case store::ActionOutcome::not_stored:
            services::show_message(not_kept_message(store::failure_of(c)));
            return false;
    }
    return false;
}

}  // namespace dialogs
