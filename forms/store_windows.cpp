// The window that chooses where the customers are kept: this PC's file or a database server.
#include "forms/controls.h"
#include "forms/forms.h"

namespace forms {

using namespace runtime;

using controls::button;
using controls::make;

const Form& database_settings() {
    static const Form form = [] {
        Form f;
        f.name = "DatabaseSettings";
        f.title = "数据库设置";
        f.width = 440;
        f.height = 380;
        f.border = Border::fixed;
        f.controls.push_back(
            make("choice_label", ControlKind::label, {16, 20, 110, 20}, "客户数据存放在："));
        f.controls.push_back(
            make(database::kChoice, ControlKind::drop_list, {130, 16, 280, 24}, "", true));
        const struct {
            const char* name;
            const char* caption;
        } fields[] = {{database::kHost, "服务器地址："},
                      {database::kPort, "端口："},
                      {database::kDatabase, "数据库："},
                      {database::kUser, "用户名："},
                      {database::kPassword, "密码："}};
        int top = 56;
        for (const auto& field : fields) {
            f.controls.push_back(make(std::string(field.name) + "_label", ControlKind::label,
                                      {16, top + 4, 110, 20}, field.caption));
            Control box = make(field.name, ControlKind::edit, {130, top, 280, 24}, "", true);
            box.number_only = field.name == std::string(database::kPort);
            box.password = field.name == std::string(database::kPassword);
            f.controls.push_back(box);
            top += 34;
        }
        f.controls.push_back(make(database::kNote, ControlKind::label, {16, 230, 394, 56}));
        f.controls.push_back(
            button(database::kTestButton, {16, 296, 110, 32}, "测试连接", ops::kTestConnection));
        Control ok =
            button(database::kOkButton, {210, 296, 96, 32}, "确定", ops::kSaveDatabaseSettings);
        ok.default_button = true;
        f.controls.push_back(ok);
        f.controls.push_back(
            button(database::kCancelButton, {314, 296, 96, 32}, "取消", ops::kCloseDialog));
        f.events = {{Event::created, ops::kDatabaseSettingsCreated}};
        return f;
    }();
    return form;
}

}  // namespace forms
