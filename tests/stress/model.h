#pragma once
// What the program must hold and show after each user action, kept in plain memory and
// moved on by the program's rules as they are meant to be.
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "store/shop_figures.h"

namespace stress {

struct Customer {
    std::int32_t id = 0;
    std::string wang, wang2;
    double time1 = 0, time2 = 0;
    std::string bs;
    bool closed = false;
    std::optional<double> time3;  // null until a deal
    double next = 0;              // the next follow-up's day; 0: none
    // Every follow-up, newest first: our ID at the time, and what was said.
    std::vector<std::pair<std::string, std::string>> log;
    double gave_up = 0;  // when the shop gave the customer up; 0: it has not
    std::string reason;
    std::vector<int> tags;  // the model's keys of its tags, in no order
    std::string tags_text;  // "#a #b" in the shop's order, as the last load showed them
};

// A deleted customer in the recycle bin, as it was.
struct Binned {
    Customer customer;
    double deleted_at = 0;  // as the store keeps it, once the checker has seen it
    bool at_known = false;
    double low = 0;  // the moment the delete began: the store's is no earlier
    std::string pc;
};

struct StoreModel {
    std::map<std::int32_t, Customer> customers;
    std::int32_t next_id = 1;
    std::optional<std::string> our_ids;  // settings row 1, null in the built-in database
    std::string skin = "2";              // settings row 3
    // Settings row 2 as "key=value" lines in their order; null until first written.
    std::vector<std::pair<std::string, std::string>> row2;
    bool row2_written = false;
    std::optional<std::string> row2_text() const;
    bool available = true;             // the file is where the program looks
    std::vector<Binned> bin;           // in the order of deletion
    std::vector<std::string> reasons;  // the reasons for giving up the shop typed itself
    // The shop's tags in their order: the model's key of each, and its name.
    std::vector<std::pair<int, std::string>> tags;
    int next_tag_key = 1;
    std::string tags_text(const std::vector<int>& keys) const;
};

// A date box value; "now" until the checker has seen which moment the box took.
struct BoxDate {
    double value = 0;
    bool now = false;
};

struct EditorModel {
    bool new_mode = true;
    std::int32_t id = 0;  // the customer being edited
    std::string id_box, note;
    bool contact_visible = false;
    std::vector<std::string> choices;
    int chosen = -1;
    BoxDate first, last;
    bool fill_failed = false;  // the our-ID list could not be read when it was filled
    bool has_next = false;     // 下次跟进 ticked
    double next = 0;           // its day; 0: tomorrow, as the box shows it at first
};
struct ManagerModel {
    std::string box;
    bool from_editor = false;
    bool on_save = false;  // the keyboard is on 保存, not in the list box
};
struct DealModel {
    std::int32_t target = 0;
    BoxDate date;
};
struct ChartModel {
    int open = 0, closed = 0;
    bool checked = false, three_d = false;
};
struct FollowUpModel {
    std::int32_t target = 0;
    std::string text;
    int next_choice = 0;  // 不设定, 明天, 3 天后, 下周, 自定义日期
    double picked = 0;    // the day picked for 自定义日期
};
struct GiveUpModel {
    std::int32_t target = 0;
    std::vector<std::string> reasons;  // as the list offers them
    std::string text;
};
// "最近删除": the bin's entries each row shows, by their place in the store's bin.
struct BinModel {
    std::vector<std::size_t> rows;
    int selected = -1;
};
struct TagManagerModel {
    std::string name;  // the name box
    int selected = -1;
};
struct TagPickerModel {
    std::int32_t target = 0;
    std::string filter;
    std::vector<int> shown;  // the tags' keys the list shows
    int selected = -1;
    std::vector<int> ticked;
    bool from_editor = false;  // the editor's 标签…: its customer as the editor holds it
};
struct CadenceModel {
    std::string days;
};
// "店铺统计": the period chosen and its days, the order asked for, and the figures as the
// model counted them when the window last counted (the table keeps them until it counts again).
struct FiguresModel {
    int period = 0;
    store::FigurePeriod days;
    int sort_column = -1;
    bool descending = false;
    store::ShopFigures counted;
    bool shown = false;  // a count succeeded: the table has its rows and total
};
// A file to import: customer ID, our ID, first enquiry, last follow-up and note of each row.
struct ImportModel {
    std::vector<std::vector<std::string>> rows;
};
// "恢复备份…": the copies in 备份, newest first, each as its open and closed customers.
struct RestoreModel {
    std::vector<std::pair<int, int>> counts;
};
using DialogModel = std::variant<EditorModel, ManagerModel, DealModel, ChartModel, FollowUpModel,
                                 CadenceModel, ImportModel, RestoreModel, GiveUpModel, BinModel,
                                 TagManagerModel, TagPickerModel, FiguresModel>;
const char* form_name(const DialogModel& d);

struct Message {
    std::string text, title;
    bool yes_no = false;
    bool default_no = false;  // Enter answers 否
};

// One attach of the skin engine: the skin number, 0 for a call without data.
using SkinAttach = int;

struct ExportExpectation {
    std::string folder;                   // where the save dialog starts
    std::string suffix;                   // of the file name it offers, after today's date
    std::optional<std::string> path;      // the answer; nullopt: cancelled
    std::optional<std::string> contents;  // the bytes the file must hold; nullopt: no file
};

struct Model {
    StoreModel store;
    // The copies the program took into 备份, oldest first, each with the day it was taken on.
    struct Copy {
        StoreModel store;
        double day = 0;
    };
    std::vector<Copy> copies;

    // The list as the last load left it.
    bool closed_mode = false;
    bool gave_up_mode = false;  // the open customers given up, instead of the others
    std::string column6 = "最后跟踪日期";
    std::vector<std::vector<std::string>> rows;
    std::vector<std::string> notes;  // each row's note as stored (the cell marks line breaks)
    std::vector<int> tones;          // each row's due tone
    int selected = -1;

    // Finding, sorting and the due view over the customers of the last load.
    std::vector<Customer> loaded;  // newest first
    std::string find_text;
    bool find_open = false;
    int sort_column = 0;  // 0: newest first
    bool sort_down = false;
    bool due_only = false;
    bool next_column = false;           // 下次跟进 shown
    bool tags_column = false;           // 标签 shown
    std::vector<std::string> balloons;  // beside the tray icon, this run
    // The settings of this PC (the sort) when the store is a server; else they are row 2.
    std::vector<std::pair<std::string, std::string>> local_row2;
    int cadence() const;

    // The main window.
    bool visible = true;
    std::string skin_text;
    int list_width = 740, list_height = 400, note_width = 140;
    int window_width = 750;  // outer
    std::string menu;        // the pop-up menu showing, "" for none
    int popups = 0;          // pop-ups shown by this main window
    bool deal_item = true, revert_item = false, give_up_item = true, resume_item = false;

    // Online statuses. The program learns each customer's status for a minute; a load shows
    // what it knows at once and asks the rest (everything on "刷新状态"), the rows in view
    // first, after one request for the service's offline picture. While held back the
    // requests wait in the program's order; let go, all of them are answered before each look.
    using StatusKey = std::pair<std::int32_t, std::string>;
    struct KnownStatus {
        std::string text;
        long long at = 0;  // seconds on the statuses' clock
    };
    bool statuses_held = false;
    std::map<StatusKey, KnownStatus> known_statuses;
    // The status each loaded customer's row shows: the ID it was learnt for, and the text.
    std::map<std::int32_t, std::pair<std::string, std::string>> shown_statuses;
    std::vector<StatusKey> status_queue;  // asked next, in order
    bool picture_pending = false;         // the offline picture's request goes before them
    long long clock = 0;
    int top_row = 0;  // the list's first row in view
    bool statuses_waiting() const { return picture_pending || !status_queue.empty(); }
    // Answers the next `how_many` requests; the IDs asked, in order.
    std::vector<std::string> statuses_arrive(std::size_t how_many);
    void time_passes(int seconds) { clock += seconds; }
    void scroll(int first);

    std::vector<DialogModel> dialogs;  // open dialogs, innermost last

    // What happened since the last check; the checker takes these.
    std::vector<Message> messages;
    std::vector<SkinAttach> attaches;
    std::vector<std::string> shell_opened;
    std::vector<std::string> chats;  // a chat launcher opened for each address
    std::vector<std::string> opened_forms;
    std::optional<ExportExpectation> export_job;
    int launchers_open = 0;
    double now_low = 0;          // the moment the action began: "now" is no earlier
    std::string database_path;   // as the program names it in messages
    bool whole_seconds = false;  // the store keeps date-times to the second (a server)
    // A date-time as the store keeps it.
    double kept(double date) const;

    // The picked row handed to the editor.
    std::int32_t picked_id = 0;
    std::vector<std::string> picked;  // cells 3 to 7
    std::string picked_tags;          // cell 9, then as the editor's 标签… left them

    // Program start on the file as it is (a fresh one when it is missing).
    void start();
    void reload();
    double selected_id() const;

    // The main window's actions.
    void toolbar(int entry);
    void export_sheet(std::optional<std::string> path, bool writable);
    void right_click_row();
    void right_click_window();
    void double_click();
    void type_skin(const std::string& text);
    void resize(int width, int height);
    void tray();
    void find(const std::string& text);
    void close_find();
    void sort_click(int column);
    void toggle_due_only();
    void toggle_next_column();
    void toggle_given_up();  // Ctrl+G
    void toggle_tags_column();
    void balloon_clicked();
    // The keys bound to the list's commands.
    void key(const std::string& chord);
    // The row menu's and the window menu's items.
    void menu_item(const std::string& item, bool answer_yes);

    // Dialogs.
    EditorModel& editor();
    ManagerModel& manager();
    DealModel& deal();
    ChartModel& chart();
    void editor_type_id(const std::string& text);
    void editor_leave_id();
    void editor_choose(int index);
    void editor_dates(std::optional<double> first, std::optional<double> last);
    void editor_note(const std::string& text);
    void editor_next(std::optional<double> day);  // nullopt: the box clicked
    void editor_contact();
    void editor_manage();
    void editor_tags();
    void editor_save();
    void manager_type(const std::string& text);
    void manager_save();
    void deal_date(double date);
    void deal_ok();
    void chart_toggle();
    FiguresModel& figures();
    // A period chosen from the drop-down, or a header clicked.
    void figures_period(int choice);
    void figures_sort(int column);
    // Counts the figures of the period the window shows, as the store holds them now.
    void count_figures(FiguresModel& f);
    FollowUpModel& follow_up();
    CadenceModel& cadence_dialog();
    // The follow-up recorded at `when` (the moment the program took; unused when it failed).
    void follow_up_ok(double when);
    void cadence_ok();
    GiveUpModel& give_up();
    void give_up_choose(int index);
    // 确定 at `when` (the moment the program took; unused when it failed).
    void give_up_ok(double when);
    BinModel& bin_dialog();
    TagManagerModel& tag_manager();
    // The manager's buttons: 添加 (Enter), 改名, 删除 (the question answered `yes`), 上移, 下移.
    void tag_add();
    void tag_rename();
    void tag_remove(bool yes);
    void tag_move(int by);
    void tag_double_click();
    TagPickerModel& tag_picker();
    void picker_filter(const std::string& text);
    void picker_toggle();
    void picker_step(int by);
    void picker_ok();
    // The picker's window has gone and the command that opened it goes on.
    void picker_returned();
    // 恢复 (the selected row) or 全部恢复.
    void put_back(bool all);
    void import_ok();
    // The copy in row `row` of the restore dialog put back (-1: none chosen), the question
    // answered `yes`.
    void restore_ok(int row, bool yes);
    void close_dialog();

    // Other copies of the program, and the file going away.
    void store_away();
    void store_back();
    void other_copy_deletes(std::int32_t id, double low);
    void other_copy_adds(const Customer& c);
    bool duplicate(const std::string& wang, const std::string& wang2,
                   std::int32_t except = 0) const;

  private:
    // The rows the list's height and scrolling show, and those of them the list has.
    std::pair<int, int> rows_in_view() const;
    std::vector<StatusKey> keys_in_view() const;
    void ask_statuses(bool everything);
    void prefer_statuses(const std::vector<StatusKey>& keys);
    std::string known_status(const StatusKey& key) const;
    bool refresh_all = false;
    // Chooses and orders the rows from `loaded`, keeping nothing selected.
    void choose();
    // The rows chosen again with the same customers: the selection stays on its customer.
    void show();
    void select_customer(std::int32_t id);
    void set_setting(const std::string& key, const std::string& value, bool shop_wide);

    void open_editor(bool new_mode);
    void open_dialog(DialogModel d);
    void say(std::string text, std::string title = "信息：", bool yes_no = false);
    // A change that could not be stored because the file has gone.
    void say_file_gone();
    void attach_selector();
    BoxDate now() const { return {0, true}; }
    std::string sheet(const std::string& kind) const;
    void take_copy();
    void fit_row_menu();
    // Customer `id` goes to the bin, deleted on `pc`.
    void to_bin(std::int32_t id, const std::string& pc);
    // The bin's entries in the order "最近删除" shows them: the last deleted first.
    std::vector<std::size_t> bin_order() const;
    void open_bin();
    void fit_note();
    // The manager's list after a change it stored: the store's tags, `select` chosen.
    void tags_stored(std::vector<std::pair<int, std::string>> wanted, int select);
    void open_picker(std::int32_t id, bool from_editor = false);
    void after_picker(std::int32_t id);
    std::int32_t picker_closed = 0;  // the customer of the picker just closed
};

// The online status the stand-in service gives an ID.
std::string status_of(const std::string& wang);

inline constexpr const char* kMessengerHost = "amos.alicdn.com";
inline constexpr const char* kMemberHost = "member1.taobao.com";
inline constexpr const char* kHomePage = "http://home.example/";
inline constexpr const char* kDesktop = "C:\\Users\\shop\\Desktop";

}  // namespace stress
