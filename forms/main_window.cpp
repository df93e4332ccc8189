#include "forms/forms.h"

namespace forms {

using namespace runtime;

const Form& main_window() {
    static const Form form = [] {
        Form f;
        f.name = "MainWindow";
        f.title = "岚桥管家 V2.0  未成交客户跟踪管理中心";
        f.width = 750;
        f.height = 500;
        f.border = Border::resizable;
        f.visible = true;
        // The list, so that the arrow keys move through the customers from the start.
        f.focus = main::kList;

        Control skin;
        skin.name = main::kSkinSelector;
        skin.kind = ControlKind::spin_edit;
        skin.rect = {655, 19, 48, 24};
        skin.text = "8";
        skin.centred = true;
        skin.number_only = true;
        skin.minimum = 1;
        skin.maximum = 33;
        skin.tab_stop = true;
        skin.events = {{Event::changed, ops::kSkinChanged}};
        f.controls.push_back(skin);

        Control label;
        label.name = main::kSkinLabel;
        label.kind = ControlKind::label;
        label.rect = {648, 2, 104, 16};
        label.text = "皮肤模板选择：";
        f.controls.push_back(label);

        Control save;
        save.name = main::kSaveDialog;
        save.kind = ControlKind::save_dialog;
        save.visible = false;
        save.text = "岚桥淘宝会员跟踪记录";
        // The tab-separated sheet first and by default; a real workbook beside it.
        save.filter = "xls|*.xls|Excel 工作簿|*.xlsx";
        save.default_extension = "*.xls";
        f.controls.push_back(save);

        // Where the customers of an older sheet come from.
        Control open;
        open.name = main::kOpenDialog;
        open.kind = ControlKind::open_dialog;
        open.visible = false;
        open.text = "导入客户";
        open.filter = "表格文件 (*.xlsx;*.csv;*.txt;*.xls)|*.xlsx;*.csv;*.txt;*.xls|所有文件|*.*";
        f.controls.push_back(open);

        Control toolbar;
        toolbar.name = main::kToolbar;
        toolbar.kind = ControlKind::toolbar;
        toolbar.rect = {0, 0, 648, 49};
        toolbar.image_size = 24;
        toolbar.image_count = 13;
        toolbar.entries = {{"添加新客户", 3},  {"我们的旺旺", 7}, {"", -1},
                           {"未成交跟踪", 11}, {"已成交客户", 8}, {"", -1},
                           {"刷新状态", 1},    {"导出文档", 12},  {"更多选项", 9, true},
                           {"", -1},           {"官方网站", 2}};
        toolbar.events = {{Event::entry_clicked, ops::kToolbar}};
        f.controls.push_back(toolbar);

        // The find box floats over the list's top right corner while the user finds; created
        // before the list, so that it lies above it. Its place follows the window.
        Control find;
        find.name = main::kFindBox;
        find.kind = ControlKind::edit;
        find.rect = {536, 78, 196, 24};
        find.visible = false;
        find.events = {{Event::changed, ops::kFindChanged}};
        f.controls.push_back(find);

        Control list;
        list.name = main::kList;
        list.kind = ControlKind::list_view;
        list.rect = {0, 48, 740, 400};
        list.tab_stop = true;
        list.row_height = 28;
        list.columns = {{"编号", 0, Align::left},
                        {"序号", 60, Align::centre},
                        {"状态", 50, Align::centre},
                        {"客户旺旺名", 135, Align::centre},
                        {"我们旺旺名", 135, Align::centre},
                        {"第一次咨询日期", 100, Align::centre},
                        {"最后跟踪日期", 100, Align::centre},
                        {"备注", 140, Align::centre},
                        // Shown when the user asks for it (the header's menu).
                        {"下次跟进", 0, Align::centre},
                        {"标签", 0, Align::left}};
        list.events = {{Event::item_right_clicked, ops::kListRightClick},
                       {Event::double_clicked, ops::kEditSelected},
                       {Event::rows_shown, ops::kListRowsShown},
                       {Event::column_clicked, ops::kSortColumn},
                       {Event::typed, ops::kTypeToFind},
                       {Event::header_right_clicked, ops::kHeaderMenuPopup}};
        f.controls.push_back(list);

        f.menus = {{main::kRowMenu, 0, false, "", ""},
                   {"修改客户", 1, true, ops::kEditSelected, "Enter"},
                   {"-", 1, true, "", ""},
                   {"联系客户", 1, true, ops::kContactCustomer, ""},
                   {"查询客户", 1, true, ops::kViewProfile, ""},
                   {"-", 1, true, "", ""},
                   {"登记交易", 1, true, ops::kOpenDealDialog, ""},
                   {"转为未成交客户", 1, false, ops::kRevertToOpen, ""},
                   // The given-up list's own: in place of the two above, hidden there.
                   {main::kResumeItem, 1, false, ops::kResume, ""},
                   {"-", 1, true, "", ""},
                   {"删除客户", 1, true, ops::kDeleteCustomer, "Del"},
                   // Added below the menu's own items, which keep their places.
                   {"-", 1, true, "", ""},
                   {"记录跟进", 1, true, ops::kFollowUp, "Ctrl+R"},
                   {"跟进记录…", 1, true, ops::kShowFollowUpLog, "Ctrl+L"},
                   {main::kGiveUpItem, 1, true, ops::kGiveUp, ""},
                   {main::kSetTagsItem, 1, true, ops::kSetTags, "Ctrl+T"},
                   {main::kMoreMenu, 0, false, "", ""},
                   {"查看图表", 1, true, ops::kOpenChart, ""},
                   {"加入官方群", 1, true, ops::kJoinGroup, ""},
                   {"-", 1, true, "", ""},
                   {main::kFindItem, 1, true, ops::kFind, "Ctrl+F"},
                   {main::kDueOnlyItem, 1, true, ops::kDueOnly, "Ctrl+D"},
                   {main::kNextDateItem, 1, true, ops::kToggleNextDateColumn, ""},
                   {main::kGivenUpItem, 1, true, ops::kGivenUpView, "Ctrl+G"},
                   {"跟进设置…", 1, true, ops::kCadenceSettings, ""},
                   {"-", 1, true, "", ""},
                   {"导入客户…", 1, true, ops::kImport, "Ctrl+I"},
                   {"恢复备份…", 1, true, ops::kRestore, ""},
                   {"最近删除…", 1, true, ops::kRecentlyDeleted, ""},
                   {"数据库设置…", 1, true, ops::kDatabaseSettings, ""},
                   {"把本机数据搬到服务器…", 1, true, ops::kMoveShop, ""},
                   {"-", 1, true, "", ""},
                   {main::kTagsItem, 1, true, ops::kToggleTagsColumn, ""},
                   {main::kTagManagerItem, 1, true, ops::kManageTags, ""},
                   {"-", 1, true, "", ""},
                   {main::kFiguresItem, 1, true, ops::kOpenFigures, "Ctrl+M"},
                   {main::kHeaderMenu, 0, false, "", ""},
                   {main::kNextDateItem, 1, true, ops::kToggleNextDateColumn, ""},
                   {main::kTagsItem, 1, true, ops::kToggleTagsColumn, ""}};
        // The keys of every list program on Windows; Enter and Del act on the list's row only
        // where the keyboard is in the list, Esc and Enter in the find box are the find's.
        f.keys = {{"Ctrl+N", ops::kAddCustomer, ""},
                  {"Enter", ops::kEditSelected, main::kList},
                  {"Del", ops::kDeleteCustomer, main::kList},
                  {"F5", ops::kRefreshStatuses, ""},
                  {"Ctrl+F", ops::kFind, ""},
                  {"Ctrl+R", ops::kFollowUp, ""},
                  {"Ctrl+L", ops::kShowFollowUpLog, ""},
                  {"Ctrl+D", ops::kDueOnly, ""},
                  {"Ctrl+G", ops::kGivenUpView, ""},
                  {"Ctrl+T", ops::kSetTags, ""},
                  {"Ctrl+I", ops::kImport, ""},
                  {"Ctrl+M", ops::kOpenFigures, ""},
                  {"Apps", ops::kRowMenuKey, main::kList},
                  {"Shift+F10", ops::kRowMenuKey, main::kList},
                  {"Esc", ops::kCloseFind, main::kFindBox},
                  {"Enter", ops::kFindDone, main::kFindBox}};
        f.events = {{Event::created, ops::kMainCreated},
                    {Event::resized, ops::kMainResized},
                    {Event::tray, ops::kTray},
                    {Event::right_button, ops::kMoreMenuPopup},
                    {Event::closing, ops::kMainClosing},
                    {Event::balloon_clicked, ops::kBalloonClicked},
                    {Event::time_changed, ops::kTimeChanged}};
        return f;
    }();
    return form;
}

}  // namespace forms
