#pragma once
// The definitions of the program's six windows, and the names their controls and
// operations go by.
#include <string>

#include "runtime/form.h"

namespace forms {

const runtime::Form& main_window();
const runtime::Form& customer_editor();
const runtime::Form& our_id_manager();
const runtime::Form& deal_date_dialog();
const runtime::Form& chart_window();
const runtime::Form& chat_launcher();
const runtime::Form& follow_up_dialog();
const runtime::Form& cadence_dialog();
const runtime::Form& restore_dialog();
const runtime::Form& import_dialog();
const runtime::Form& left_out_rows();
// "跟进记录": one customer's follow-ups, newest first.
const runtime::Form& follow_up_log();
// "放弃跟进": why the shop gives a customer up.
const runtime::Form& give_up_dialog();
// "最近删除": the customers in the recycle bin, to put back.
const runtime::Form& recently_deleted();
// "标签管理": the shop's tags, added, renamed, removed and ordered.
const runtime::Form& tag_manager();
// "设置标签": the tags of the customer picked, found by typing and ticked with Space.
const runtime::Form& tag_picker();
// "店铺统计": the shop's numbers for a period per ID of ours, and their chart.
const runtime::Form& shop_figures_window();
// Work that takes a while (reading a file, an import): how far it is, and 取消.
const runtime::Form& work_progress();

// Controls of the main window.
namespace main {
inline constexpr const char* kSkinSelector = "skin_selector";
inline constexpr const char* kSkinLabel = "skin_label";
inline constexpr const char* kSaveDialog = "save_dialog";
inline constexpr const char* kToolbar = "toolbar";
inline constexpr const char* kList = "customer_list";
inline constexpr const char* kRowMenu = "右键菜单";
inline constexpr const char* kMoreMenu = "更多功能";
inline constexpr const char* kFindBox = "find_box";
inline constexpr const char* kOpenDialog = "open_dialog";
inline constexpr const char* kFindItem = "查找客户";
inline constexpr const char* kDueOnlyItem = "只看待跟进";
// The list header's own menu, and its item that shows or hides the next-date column.
inline constexpr const char* kHeaderMenu = "表头菜单";
inline constexpr const char* kNextDateItem = "显示“下次跟进”列";
inline constexpr const char* kTagsItem = "显示“标签”列";
// The shop's tags, and the tags of the customer picked.
inline constexpr const char* kTagManagerItem = "标签管理…";
inline constexpr const char* kSetTagsItem = "设置标签…";
// The view of the customers given up on, and the row menu's items that move them.
inline constexpr const char* kGivenUpItem = "已放弃客户";
inline constexpr const char* kGiveUpItem = "放弃跟进…";
inline constexpr const char* kResumeItem = "重新跟进";
inline constexpr const char* kFiguresItem = "店铺统计…";
}  // namespace main

// Controls of the dialogs.
namespace editor {
inline constexpr const char* kContactButton = "contact_button";
inline constexpr const char* kDaysLabel = "days_label";
inline constexpr const char* kManageButton = "manage_button";
inline constexpr const char* kSaveButton = "save_button";
inline constexpr const char* kTagsButton = "tags_button";
inline constexpr const char* kNote = "note_box";
inline constexpr const char* kLastFollowUp = "last_follow_up_box";
inline constexpr const char* kFirstEnquiry = "first_enquiry_box";
inline constexpr const char* kOurIds = "our_id_list";
inline constexpr const char* kCustomerId = "customer_id_box";
inline constexpr const char* kHasNextDate = "has_next_date_box";
inline constexpr const char* kNextDate = "next_date_box";
}  // namespace editor
namespace manager {
inline constexpr const char* kSaveButton = "save_button";
inline constexpr const char* kLabel = "label";
inline constexpr const char* kIdList = "id_list_box";
}  // namespace manager
namespace deal {
inline constexpr const char* kOkButton = "ok_button";
inline constexpr const char* kDate = "deal_date_box";
}  // namespace deal
namespace chart {
inline constexpr const char* kThreeD = "three_d_box";
inline constexpr const char* kPie = "pie_chart";
inline constexpr const char* kFiguresButton = "figures_button";
}  // namespace chart
namespace figures {
inline constexpr const char* kPeriodLabel = "period_label";
inline constexpr const char* kPeriod = "period_list";
inline constexpr const char* kFrom = "from_box";
inline constexpr const char* kToLabel = "to_label";
inline constexpr const char* kTo = "to_box";
inline constexpr const char* kExportButton = "export_button";
inline constexpr const char* kPictureButton = "picture_button";
inline constexpr const char* kCloseButton = "close_button";
inline constexpr const char* kTable = "figure_table";
inline constexpr const char* kChart = "figure_chart";
inline constexpr const char* kSheetDialog = "sheet_dialog";
inline constexpr const char* kPictureDialog = "picture_dialog";
}  // namespace figures
namespace chat {
inline constexpr const char* kTimer = "timer";
inline constexpr const char* kHtmlView = "html_view";
}  // namespace chat

namespace follow_up {
inline constexpr const char* kLabel = "label";
inline constexpr const char* kText = "text_box";
inline constexpr const char* kNextLabel = "next_label";
inline constexpr const char* kNextChoice = "next_choice_list";
inline constexpr const char* kNextDate = "next_date_box";
inline constexpr const char* kOkButton = "ok_button";
inline constexpr const char* kCancelButton = "cancel_button";
}  // namespace follow_up
namespace bin_window {
inline constexpr const char* kLabel = "label";
inline constexpr const char* kList = "bin_list";
inline constexpr const char* kPutBackButton = "put_back_button";
inline constexpr const char* kPutBackAllButton = "put_back_all_button";
inline constexpr const char* kCloseButton = "close_button";
}  // namespace bin_window
namespace tags_window {
inline constexpr const char* kList = "tag_list";
inline constexpr const char* kNameLabel = "name_label";
inline constexpr const char* kName = "name_box";
inline constexpr const char* kAddButton = "add_button";
inline constexpr const char* kRenameButton = "rename_button";
inline constexpr const char* kRemoveButton = "remove_button";
inline constexpr const char* kUpButton = "up_button";
inline constexpr const char* kDownButton = "down_button";
inline constexpr const char* kCloseButton = "close_button";
}  // namespace tags_window
namespace pick_window {
inline constexpr const char* kLabel = "label";
inline constexpr const char* kFilter = "filter_box";
inline constexpr const char* kList = "tag_list";
inline constexpr const char* kOkButton = "ok_button";
inline constexpr const char* kCancelButton = "cancel_button";
}  // namespace pick_window
namespace give_up {
inline constexpr const char* kLabel = "label";
inline constexpr const char* kChoice = "reason_list";
inline constexpr const char* kTextLabel = "text_label";
inline constexpr const char* kText = "reason_box";
inline constexpr const char* kOkButton = "ok_button";
inline constexpr const char* kCancelButton = "cancel_button";
}  // namespace give_up
namespace log_window {
inline constexpr const char* kLabel = "label";
inline constexpr const char* kList = "log_list";
inline constexpr const char* kCloseButton = "close_button";
}  // namespace log_window
namespace cadence {
inline constexpr const char* kLabel = "label";
inline constexpr const char* kDays = "days_box";
inline constexpr const char* kUnit = "unit_label";
inline constexpr const char* kOkButton = "ok_button";
inline constexpr const char* kCancelButton = "cancel_button";
}  // namespace cadence

namespace restore {
inline constexpr const char* kLabel = "label";
inline constexpr const char* kList = "backup_list";
inline constexpr const char* kOkButton = "ok_button";
inline constexpr const char* kCancelButton = "cancel_button";
}  // namespace restore
namespace import {
inline constexpr const char* kFile = "file_label";
inline constexpr const char* kPreview = "preview";
inline constexpr const char* kMeaningLabel = "meaning_label";
inline constexpr const char* kListLabel = "list_label";
inline constexpr const char* kList = "list_choice";
inline constexpr const char* kOursLabel = "ours_label";
inline constexpr const char* kOurs = "ours_choice";
inline constexpr const char* kSummary = "summary";
inline constexpr const char* kOkButton = "ok_button";
inline constexpr const char* kCancelButton = "cancel_button";
}  // namespace import
namespace left_out {
inline constexpr const char* kLabel = "label";
inline constexpr const char* kList = "rows";
inline constexpr const char* kCloseButton = "close_button";
}  // namespace left_out
namespace progress {
inline constexpr const char* kLabel = "label";
inline constexpr const char* kBar = "bar";
inline constexpr const char* kCancelButton = "cancel_button";
}  // namespace progress
// The import dialog shows and names this many columns of the file.
inline constexpr int kImportColumns = 8;
// The drop-down that says what column `column` (from 0) of the file holds.
std::string import_meaning(int column);

// The operations the definitions bind, by name.
namespace ops {
inline constexpr const char* kMainCreated = "main_created";
inline constexpr const char* kMainResized = "main_resized";
inline constexpr const char* kTray = "tray_toggle";
inline constexpr const char* kMoreMenuPopup = "show_more_menu";
inline constexpr const char* kToolbar = "toolbar_dispatch";
inline constexpr const char* kSkinChanged = "on_skin_selector_changed";
inline constexpr const char* kListRightClick = "list_right_clicked";
inline constexpr const char* kListRowsShown = "list_rows_shown";
inline constexpr const char* kFindChanged = "find_changed";
inline constexpr const char* kSortColumn = "sort_column";
inline constexpr const char* kTypeToFind = "type_to_find";
inline constexpr const char* kFollowUp = "follow_up";
inline constexpr const char* kFind = "find";
inline constexpr const char* kDueOnly = "due_only";
inline constexpr const char* kHeaderMenuPopup = "show_header_menu";
inline constexpr const char* kToggleNextDateColumn = "toggle_next_date_column";
inline constexpr const char* kToggleTagsColumn = "toggle_tags_column";
inline constexpr const char* kManageTags = "manage_tags";
inline constexpr const char* kSetTags = "set_tags";
inline constexpr const char* kShowFollowUpLog = "show_follow_up_log";
inline constexpr const char* kGiveUp = "give_up";
inline constexpr const char* kRecentlyDeleted = "recently_deleted";
inline constexpr const char* kResume = "resume_follow_up";
inline constexpr const char* kGivenUpView = "given_up_view";
inline constexpr const char* kCadenceSettings = "cadence_settings";
inline constexpr const char* kImport = "import";
inline constexpr const char* kRestore = "restore";
inline constexpr const char* kDatabaseSettings = "database_settings";
inline constexpr const char* kMoveShop = "move_shop";
inline constexpr const char* kAddCustomer = "add_customer";
inline constexpr const char* kRefreshStatuses = "refresh_statuses";
inline constexpr const char* kRowMenuKey = "row_menu_key";
inline constexpr const char* kCloseFind = "close_find";
inline constexpr const char* kFindDone = "find_done";
inline constexpr const char* kMainClosing = "main_closing";
inline constexpr const char* kBalloonClicked = "balloon_clicked";
inline constexpr const char* kTimeChanged = "time_changed";
inline constexpr const char* kEditSelected = "edit_selected_customer";
inline constexpr const char* kContactCustomer = "contact_customer";
inline constexpr const char* kViewProfile = "view_profile";
inline constexpr const char* kOpenDealDialog = "open_deal_dialog";
inline constexpr const char* kRevertToOpen = "revert_to_open";
inline constexpr const char* kDeleteCustomer = "delete_customer";
inline constexpr const char* kOpenChart = "open_chart";
inline constexpr const char* kJoinGroup = "join_group";
inline constexpr const char* kEditorCreated = "editor_created";
inline constexpr const char* kEditorContact = "editor_contact";
inline constexpr const char* kEditorManage = "editor_manage";
inline constexpr const char* kEditorTags = "editor_tags";
inline constexpr const char* kSaveCustomer = "save_customer";
inline constexpr const char* kShowDays = "show_days";
inline constexpr const char* kCleanUpId = "clean_up_customer_id";
inline constexpr const char* kLoadOurIds = "load_our_ids";
inline constexpr const char* kSaveOurIds = "save_our_ids";
inline constexpr const char* kRegisterDeal = "register_deal";
inline constexpr const char* kChartCreated = "chart_created";
inline constexpr const char* kToggle3d = "toggle_3d";
inline constexpr const char* kOpenFigures = "open_shop_figures";
inline constexpr const char* kFiguresCreated = "figures_created";
inline constexpr const char* kFiguresPeriodChanged = "figures_period_changed";
inline constexpr const char* kFiguresDatesChanged = "figures_dates_changed";
inline constexpr const char* kSortFigures = "sort_figures";
inline constexpr const char* kExportFigures = "export_figures";
inline constexpr const char* kExportFiguresPicture = "export_figures_picture";
inline constexpr const char* kChatTick = "chat_tick";
inline constexpr const char* kFollowUpCreated = "follow_up_created";
inline constexpr const char* kRecordFollowUp = "record_follow_up";
inline constexpr const char* kNextChoiceChanged = "next_choice_changed";
inline constexpr const char* kNextDateChanged = "next_date_changed";
inline constexpr const char* kFollowUpLogCreated = "follow_up_log_created";
inline constexpr const char* kGiveUpCreated = "give_up_created";
inline constexpr const char* kReasonChosen = "reason_chosen";
inline constexpr const char* kSaveGiveUp = "save_give_up";
inline constexpr const char* kBinCreated = "bin_created";
inline constexpr const char* kTagManagerCreated = "tag_manager_created";
inline constexpr const char* kAddTag = "add_tag";
inline constexpr const char* kRenameTag = "rename_tag";
inline constexpr const char* kRemoveTag = "remove_tag";
inline constexpr const char* kTagUp = "tag_up";
inline constexpr const char* kTagDown = "tag_down";
inline constexpr const char* kPickTagRow = "pick_tag_row";
inline constexpr const char* kTagPickerCreated = "tag_picker_created";
inline constexpr const char* kTagFilterChanged = "tag_filter_changed";
inline constexpr const char* kToggleTag = "toggle_tag";
inline constexpr const char* kTagSelectionUp = "tag_selection_up";
inline constexpr const char* kTagSelectionDown = "tag_selection_down";
inline constexpr const char* kSaveTags = "save_tags";
inline constexpr const char* kPutBack = "put_back";
inline constexpr const char* kPutBackAll = "put_back_all";
inline constexpr const char* kCadenceCreated = "cadence_created";
inline constexpr const char* kSaveCadence = "save_cadence";
inline constexpr const char* kCloseDialog = "close_dialog";
inline constexpr const char* kRestoreCreated = "restore_created";
inline constexpr const char* kRestoreChosen = "restore_chosen";
inline constexpr const char* kImportCreated = "import_created";
inline constexpr const char* kImportRows = "import_rows";
inline constexpr const char* kLeftOutCreated = "left_out_created";
inline constexpr const char* kProgressCreated = "progress_created";
inline constexpr const char* kCancelWork = "cancel_work";
inline constexpr const char* kDatabaseSettingsCreated = "database_settings_created";
inline constexpr const char* kTestConnection = "test_connection";
inline constexpr const char* kSaveDatabaseSettings = "save_database_settings";
}  // namespace ops

// The database settings dialog and its controls.
const runtime::Form& database_settings();
namespace database {
inline constexpr const char* kChoice = "store_choice";
inline constexpr const char* kHost = "host_box";
inline constexpr const char* kPort = "port_box";
inline constexpr const char* kDatabase = "database_box";
inline constexpr const char* kUser = "user_box";
inline constexpr const char* kPassword = "password_box";
inline constexpr const char* kNote = "note_label";
inline constexpr const char* kTestButton = "test_button";
inline constexpr const char* kOkButton = "ok_button";
inline constexpr const char* kCancelButton = "cancel_button";
// The choice's entries, in this order.
inline constexpr const char* kLocalFile = "本机文件";
inline constexpr const char* kServer = "数据库服务器";
}  // namespace database

}  // namespace forms
