#include "dialogs/database_settings.h"

#include <memory>

#include "dialogs/store_messages.h"
#include "forms/forms.h"
#include "runtime/platform.h"
#include "services/message.h"
#include "store/customer_actions.h"

namespace dialogs {

namespace {

namespace db = forms::database;

struct Settings {
    DatabaseSettingsContext context;
};

void fill(runtime::Window& w, const Settings& s) {
    const ReadChoice& now = s.context.current;
    w.clear_choices(db::kChoice);
    w.add_choice(db::kChoice, db::kLocalFile);
    w.add_choice(db::kChoice, db::kServer);
    w.select_choice(db::kChoice, now.choice.on_server ? 1 : 0);
    const ServerDetails& d = now.choice.server;
    w.set_text(db::kHost, d.host);
    w.set_text(db::kPort, std::to_string(d.port));
    w.set_text(db::kDatabase, d.database);
    w.set_text(db::kUser, d.user);
    w.set_text(db::kPassword, d.password);
    std::string note;
    if (s.context.overridden)
        note = "环境变量 LQ_STORE 已经指定了数据库：这里的设置要等去掉它以后才起作用。";
    else if (now.password_lost)
        note = "保存的密码在这台电脑或这个 Windows 用户下无法读取，请重新输入密码。";
    w.set_text(db::kNote, note);
}

// The details as typed; nullopt, after telling the user, when they cannot be used.
std::optional<ServerDetails> typed_details(const runtime::Window& w) {
    ServerDetails d;
    d.host = w.text(db::kHost);
    const auto port = port_of(w.text(db::kPort));
    d.port = port.value_or(0);
    d.database = w.text(db::kDatabase);
    d.user = w.text(db::kUser);
    d.password = w.text(db::kPassword);
    if (auto problem = server_details_problem(d); !problem.empty()) {
        services::show_message(problem);
        return std::nullopt;
    }
    return d;
}

void test_connection(runtime::Window& w) {
    auto details = typed_details(w);
    if (!details) return;
    bool ok = false;
    const std::string text = connection_test_text(server_location(*details), &ok);
    services::show_message(text, services::kButtonsOk, ok ? "恭喜：" : "信息：");
}

void save(runtime::Window& w, Settings& s) {
    StoreChoice choice;
    choice.on_server = w.selected_choice(db::kChoice) == 1;
    bool reachable = true;
    if (choice.on_server) {
        auto details = typed_details(w);
        if (!details) return;
        choice.server = *details;
        const std::string text = connection_test_text(server_location(choice.server), &reachable);
        if (!reachable &&
            services::show_message(text + "\r\n\r\n仍然保存这个设置吗？这次先继续用现在的数据，"
                                          "下次启动时再连这个服务器。",
                                   services::kButtonsYesNo, "温馨提示：") != services::kChoseYes)
            return;
    } else {
        // The server's details stay for another time, as typed when they are whole.
        choice.server = s.context.current.choice.server;
        ServerDetails typed{w.text(db::kHost), port_of(w.text(db::kPort)).value_or(0),
                            w.text(db::kDatabase), w.text(db::kUser), w.text(db::kPassword)};
        if (server_details_problem(typed).empty()) choice.server = typed;
    }
    if (const std::string problem = s.context.save ? s.context.save(choice) : "设置无法保存。";
        !problem.empty()) {
        services::show_message(problem);
        return;
    }
    // A server that does not answer now is not switched to: the list would show the old
    // store's rows while every action failed.
    if (reachable && s.context.chosen) s.context.chosen(choice);
    w.close();
}

}  // namespace

std::string connection_test_text(const store::StoreLocation& where, bool* ok) {
    if (ok) *ok = false;
    store::StoreConnection c;
    store::RowSet rs;
    const store::StoreFailure failure = store::check_store(c, rs, where);
    if (failure != store::StoreFailure::none) return "连接失败：" + server_failure_text(failure);
    const auto open = store::count_customers(c, rs, where, false);
    const auto closed = store::count_customers(c, rs, where, true);
    if (!open || !closed) return "连接失败：" + server_failure_text(store::failure_of(c));
    if (ok) *ok = true;
    return "连接成功。服务器上有未成交客户 " + std::to_string(*open) + " 位，已成交客户 " +
           std::to_string(*closed) + " 位。";
}

runtime::Handlers database_settings_handlers(DatabaseSettingsContext context) {
    auto s = std::make_shared<Settings>();
    s->context = std::move(context);
    runtime::Handlers h;
    h[forms::ops::kDatabaseSettingsCreated] = [s](runtime::Window& w, const runtime::EventArgs&) {
        fill(w, *s);
    };
    h[forms::ops::kTestConnection] = [](runtime::Window& w, const runtime::EventArgs&) {
        test_connection(w);
    };
    h[forms::ops::kSaveDatabaseSettings] = [s](runtime::Window& w, const runtime::EventArgs&) {
        save(w, *s);
    };
    h[forms::ops::kCloseDialog] = [](runtime::Window& w, const runtime::EventArgs&) { w.close(); };
    return h;
}

}  // namespace dialogs
