#include "tests/stress/driver.h"

#include <unistd.h>

#include <chrono>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <thread>

#include "dialogs/shop_figures_table.h"
#include "forms/forms.h"
#include "runtime/message_box.h"
#include "store/customer_actions.h"
#include "store/provision.h"
#include "tests/stress/text_rules.h"

namespace stress {

namespace {

using runtime::Event;
using runtime::headless::HeadlessWindow;
using runtime::headless::Key;
namespace fs = std::filesystem;
namespace ed = forms::editor;

std::string program_folder(const Options& o) {
    return o.work_dir + "/lq_stress_" + std::to_string(o.seed) + "_" + std::to_string(::getpid());
}

std::string printable(const std::string& s) {
    std::string out;
    for (char c : s)
        out += c == '\r'   ? std::string("\\r")
               : c == '\n' ? std::string("\\n")
               : c == '\t' ? std::string("\\t")
                           : std::string(1, c);
    if (out.size() > 120) out = out.substr(0, 100) + "...(" + std::to_string(s.size()) + " bytes)";
    return "\"" + out + "\"";
}

}  // namespace

Driver::Driver(const Options& options)
    : options_(options),
      rng_(options.seed),
      in_(rng_),
      program_(program_folder(options)),
      checker_(program_, options.source_dir),
      oracle_(options.jetdump, options.server) {
    if (!options.server.empty()) {
        program_.use_server(options.server);
        model_.whole_seconds = true;
    }
    auto& windows = program_.backend().windows();
    for (const char* form :
         {"CustomerEditor", "OurIdManager", "DealDateDialog", "ChartWindow", "FollowUpDialog",
          "CadenceDialog", "ImportDialog", "RestoreDialog", "GiveUpDialog", "RecentlyDeleted",
          "TagManager", "TagPicker", "ShopFigures"})
        windows.on_open(form, [this](HeadlessWindow& w) { dialog(w); });
}

int Driver::weighted(const std::vector<int>& weights) {
    int total = 0;
    for (int w : weights)
        total += w;
    int pick = in_.below(total);
    for (std::size_t i = 0; i < weights.size(); ++i) {
        if (pick < weights[i]) return static_cast<int>(i);
        pick -= weights[i];
    }
    return 0;
}

namespace {

// An action begun in a day's last moments could see one day while the program takes the
// next (a copy's date, a due tint): the walk waits for midnight instead.
double day_begun() {
    constexpr double kMargin = 2.0 / 86400;
    double now = local_now();
    if (const double left = std::floor(now) + 1 - now; left < kMargin) {
        std::this_thread::sleep_for(
            std::chrono::milliseconds(static_cast<std::int64_t>(left * 86400 * 1000) + 50));
        now = local_now();
    }
    return now;
}

}  // namespace

void Driver::begin(std::string what) {
    ++done_;
    recent_.push_back(std::to_string(done_) + ": " + what);
    if (recent_.size() > 12) recent_.pop_front();
    model_.now_low = day_begun();
}

void Driver::fail(const std::string& what) {
    std::string report = "seed " + std::to_string(options_.seed) + ", action " +
                         std::to_string(done_) + " (" +
                         (recent_.empty() ? std::string("start") : recent_.back()) + "):\n  " +
                         what + "\nlast actions:\n";
    for (const auto& r : recent_)
        report += "  " + r + "\n";
    throw Difference{report};
}

void Driver::compare_statuses(std::size_t how_many) {
    const auto expected = model_.statuses_arrive(how_many);
    const auto asked = program_.answer_statuses(how_many);
    if (asked == expected) return;
    std::string why = "status requests: expected";
    for (const auto& id : expected)
        why += " " + printable(id);
    why += ", got";
    for (const auto& id : asked)
        why += " " + printable(id);
    fail(why);
}

void Driver::check() {
    // Let go, the program's status requests are all answered before each look.
    if (!model_.statuses_held) compare_statuses(static_cast<std::size_t>(-1));
    std::string why = checker_.check(model_, dialogs_, launchers_);
    if (!why.empty()) fail(why);
    const bool due = options_.oracle_every > 0 && done_ % options_.oracle_every == 0;
    if (due || spent()) {
        ++figures_.oracle_runs;
        const std::string& path =
            model_.store.available ? program_.database() : program_.away_path();
        why = oracle_.compare(path, model_.store);
        if (!why.empty()) fail("outside reader: " + why);
    }
}

std::string Driver::run() {
    try {
        model_.now_low = day_begun();
        model_.database_path = program_.database();
        program_.start();
        model_.start();
        recent_.push_back("0: start");
        check();
        while (!spent()) {
            if (!model_.menu.empty()) {
                menu_action();
            } else {
                main_action();
            }
            if (options_.tamper && done_ >= options_.actions / 2 && model_.store.available) {
                // Another copy deletes a customer, or adds one to an empty store, unknown to the
                // model: the next check must see it.
                options_.tamper = false;
                store::StoreConnection c;
                const store::StoreLocation where{program_.database(), store::kDatabasePassword};
                if (model_.store.customers.empty()) {
                    store::RowSet rs;
                    (void)store::save_new_customer(c, rs, where, {"tamper", "x", 1, 1, ""});
                } else {
                    (void)store::delete_customer(c, where, model_.store.customers.begin()->first);
                }
                begin("(the file is changed behind the model's back)");
                check();
            }
        }
        // One last look from outside.
        if (done_ % options_.oracle_every != 0) {
            ++figures_.oracle_runs;
            std::string why = oracle_.compare(
                model_.store.available ? program_.database() : program_.away_path(), model_.store);
            if (!why.empty()) fail("outside reader: " + why);
        }
    } catch (const Difference& d) {
        figures_.actions = done_;
        return d.text;
    }
    figures_.actions = done_;
    figures_.customers = model_.store.customers.size();
    std::error_code ec;
    if (!program_.on_server())
        figures_.file_bytes =
            fs::file_size(model_.store.available ? program_.database() : program_.away_path(), ec);
    return {};
}

void Driver::pick_row() {
    if (model_.rows.empty() || in_.chance(15)) return;  // on the row already selected
    const int r = in_.below(static_cast<int>(model_.rows.size()));
    model_.selected = r;
    program_.main().select_row(forms::main::kList, r);
}

void Driver::main_action() {
    HeadlessWindow& w = program_.main();
    const int n = static_cast<int>(model_.store.customers.size());
    // Adds while the store is small, deletes once it grows.
    const bool statuses_wait = model_.statuses_waiting();
    const std::vector<int> weights = {
        n < options_.customers ? 16 : 4,  // 0 add a customer
        4,                                // 1 our IDs
        6,                                // 2 open list
        6,                                // 3 closed list
        2,                                // 4 refresh
        3,                                // 5 export
        6,                                // 6 more options
        1,                                // 7 home page
        1,                                // 8 a separator or no entry
        8,                                // 9 click a row
        9,                                // 10 right-click a row
        5,                                // 11 double-click
        3,                                // 12 right-click the window
        4,                                // 13 skin selector
        1,                                // 14 resize
        1,                                // 15 tray icon
        launchers_.empty() ? 0 : 3,       // 16 a chat launcher's timer
        1,                                // 17 environment: restart, file away, other copies
        model_.store.available ? 0 : 12,  // 18 the file comes back
        1,                                // 19 status requests held back or let go
        statuses_wait ? 4 : 0,            // 20 some or all held requests are answered
        2,                                // 21 scroll the list
        2,                                // 22 time passes for the statuses
        3,                                // 23 find: Ctrl+F, or letters typed into the list
        model_.find_open ? 3 : 0,         // 24 Esc closes the find box
        3,                                // 25 a click on a column header
        2,                                // 26 Ctrl+D: only the customers due
        3,                                // 27 Ctrl+R: record a follow-up
        3,                                // 28 the list's keys: Enter, Del, Ctrl+N, F5
        model_.balloons.empty() ? 0 : 1,  // 29 the tray balloon is clicked
        model_.store.available ? 2 : 0,   // 30 Ctrl+I: customers from a CSV file
        1,                                // 31 the header's menu: 下次跟进 shown or hidden
        2,                                // 32 Ctrl+L: 跟进记录
        2,                                // 33 Ctrl+G: the given-up customers, or back
        2,                                // 34 Ctrl+T: 设置标签
    };
    const char* list = forms::main::kList;
    const int choice = weighted(weights);
    auto toolbar = [&](int entry, const std::string& what) {
        begin("toolbar " + std::to_string(entry) + " " + what);
        model_.toolbar(entry);
        w.fire(forms::main::kToolbar, Event::entry_clicked, {entry, {}});
    };
    switch (choice) {
        case 0:
            return toolbar(0, "添加新客户"), check();
        case 1:
            return toolbar(1, "我们的旺旺"), check();
        case 2:
            return toolbar(3, "未成交跟踪"), check();
        case 3:
            return toolbar(4, "已成交客户"), check();
        case 4:
            return toolbar(6, "刷新状态"), check();
        case 5:
            return export_sheet();
        case 6:
            return toolbar(8, "更多选项"), check();
        case 7:
            return toolbar(10, "官方网站"), check();
        case 8: {
            const int entries[] = {2, 5, 9, 11, -1};
            return toolbar(entries[in_.below(5)], "(no command)"), check();
        }
        case 9:
            begin("click a row");
            pick_row();
            return check();
        case 10:
            begin("right-click a row");
            pick_row();
            model_.right_click_row();
            w.fire(list, Event::item_right_clicked);
            return check();
        case 11:
            begin("double-click a row");
            pick_row();
            model_.double_click();
            w.fire(list, Event::double_clicked);
            return check();
        case 12:
            begin("right-click the window");
            model_.right_click_window();
            w.fire("", Event::right_button);
            return check();
        case 13: {
            const std::string text = in_.skin_text(model_.skin_text);
            begin("skin selector " + printable(text));
            model_.type_skin(text);
            w.set_text(forms::main::kSkinSelector, text);
            return check();
        }
        case 14: {
            const int width = 200 + in_.below(1200), height = 100 + in_.below(900);
            begin("resize to " + std::to_string(width) + "x" + std::to_string(height));
            model_.resize(width, height);
            w.resize(width, height);
            return check();
        }
        case 15:
            begin("tray icon");
            model_.tray();
            w.fire("", Event::tray, {1 + in_.below(3), {}});
            return check();
        case 16: {
            begin("chat launcher timer");
            HeadlessWindow* l = launchers_.front();
            launchers_.erase(launchers_.begin());
            --model_.launchers_open;
            l->fire(forms::chat::kTimer, Event::tick);
            if (!l->closed() || l->timer_running(forms::chat::kTimer))
                fail("the chat launcher is still open after its timer");
            return check();
        }
        case 17:
            return environment_action(in_.below(6));
        case 19:
            model_.statuses_held = !model_.statuses_held;
            begin(std::string("status requests ") +
                  (model_.statuses_held ? "held back" : "let go"));
            return check();
        case 20: {
            const std::size_t waiting =
                model_.status_queue.size() + (model_.picture_pending ? 1 : 0);
            const std::size_t how_many =
                in_.chance(50) ? waiting
                               : 1 + static_cast<std::size_t>(in_.below(static_cast<int>(waiting)));
            begin(std::to_string(how_many) + " of " + std::to_string(waiting) +
                  " held status requests are answered");
            compare_statuses(how_many);
            return check();
        }
        case 21: {
            const int top = in_.below(static_cast<int>(model_.rows.size()) + 3);
            begin("scroll the list to row " + std::to_string(top));
            model_.scroll(top);
            w.scroll_list(list, top);
            return check();
        }
        case 22: {
            const int seconds = 5 + in_.below(70);
            begin(std::to_string(seconds) + " s pass for the statuses");
            model_.time_passes(seconds);
            program_.time_passes(seconds);
            return check();
        }
        case 23:
            return find_action();
        case 24:
            begin("Esc in the find box");
            model_.close_find();
            w.focus(forms::main::kFindBox);
            w.press_key("Esc");
            return check();
        case 25: {
            // The next date's header only where it shows.
            const int column = 1 + in_.below(model_.next_column ? 8 : 7);
            begin("click the header of column " + std::to_string(column));
            model_.sort_click(column);
            w.fire(list, Event::column_clicked, {column, {}});
            return check();
        }
        case 26:
        case 27:
        case 28: {
            const char* keys[] = {"Enter", "Del", "Ctrl+N", "F5"};
            const std::string chord = choice == 26   ? "Ctrl+D"
                                      : choice == 27 ? "Ctrl+R"
                                                     : keys[in_.below(4)];
            if (chord != "Ctrl+N" && chord != "F5" && chord != "Ctrl+D" && in_.chance(80))
                pick_row();
            begin("key " + chord + " in the list");
            const bool yes = in_.chance(70);
            const std::size_t asked = model_.messages.size();
            if (chord == "Del") {
                model_.menu_item("删除客户", yes);
            } else {
                model_.key(chord);
            }
            if (model_.messages.size() > asked && model_.messages.back().yes_no)
                program_.backend().message_boxes().push_answer(yes ? runtime::kAnswerYes
                                                                   : runtime::kAnswerNo);
            w.focus(list);
            if (!w.press_key(chord)) fail("no binding took " + chord);
            return check();
        }
        case 30:
            return import_file();
        case 31: {
            const bool tags = in_.chance(50);
            begin(std::string("header menu: ") + (tags ? "显示“标签”列" : "显示“下次跟进”列"));
            ++model_.popups;  // the header's menu, closed by the choice
            if (tags)
                model_.toggle_tags_column();
            else
                model_.toggle_next_column();
            w.fire(list, Event::header_right_clicked);
            w.choose_menu_item(tags ? forms::main::kTagsItem : forms::main::kNextDateItem);
            return check();
        }
        case 32:
            return show_log();
        case 34:
            if (in_.chance(80)) pick_row();
            begin("key Ctrl+T");
            model_.key("Ctrl+T");
            w.focus(list);
            if (!w.press_key("Ctrl+T")) fail("no binding took Ctrl+T");
            return check();
        case 33:
            begin("key Ctrl+G");
            model_.key("Ctrl+G");
            if (!w.press_key("Ctrl+G")) fail("no binding took Ctrl+G");
            return check();
        case 29:
            begin("click the tray balloon");
            model_.balloon_clicked();
            w.fire("", Event::balloon_clicked);
            return check();
        default:
            return environment_action(1);
    }
}

void Driver::environment_action(int which) {
    const std::string db = program_.database();
    switch (which) {
        case 0:
            ++figures_.restarts;
            begin("restart the program");
            if (!model_.store.available) program_.lose_store();
            model_.start();
            program_.start();
            return check();
        case 1:
            if (model_.store.available) {
                begin("the database file goes away");
                model_.store_away();
                program_.store_away();
            } else {
                begin("the database file comes back");
                model_.store_back();
                program_.store_back();
            }
            return check();
        case 2:
            if (!model_.store.available || model_.store.customers.empty()) return;
            {
                auto it = model_.store.customers.begin();
                std::advance(it, in_.below(static_cast<int>(model_.store.customers.size())));
                std::int32_t id = it->first;
                // Often the very customer an open dialog works on.
                if (const std::int32_t busy = busy_customer();
                    model_.store.customers.contains(busy) && in_.chance(60))
                    id = busy;
                begin("another copy deletes customer " + std::to_string(id));
                model_.other_copy_deletes(id, model_.now_low);
                store::StoreConnection c;
                if (!store::delete_customer(c, {db, store::kDatabasePassword}, id,
                                            {local_now(), ""}))
                    fail("another copy could not delete: " + c.last_error());
            }
            return check();
        case 3: {
            if (!model_.store.available) return;
            begin("another copy adds a customer");
            add_from_other_copy();
            return check();
        }
        default: {
            // A copy on another desk has been busy: many customers at once.
            if (!model_.store.available ||
                static_cast<int>(model_.store.customers.size()) >= options_.customers)
                return;
            begin("another copy adds 40 customers");
            for (int i = 0; i < 40; ++i)
                add_from_other_copy();
            return check();
        }
    }
}

std::int32_t Driver::busy_customer() const {
    for (auto it = model_.dialogs.rbegin(); it != model_.dialogs.rend(); ++it) {
        if (auto* e = std::get_if<EditorModel>(&*it); e && !e->new_mode) return e->id;
        if (auto* d = std::get_if<DealModel>(&*it)) return d->target;
    }
    return 0;
}

void Driver::add_from_other_copy() {
    Customer c;
    c.wang = clean_id(in_.customer_id(model_));
    const auto ours = our_id_entries(model_.store.our_ids.value_or(""));
    c.wang2 = ours.empty()
                  ? "店主一"
                  : ours[static_cast<std::size_t>(in_.below(static_cast<int>(ours.size())))];
    if (c.wang.empty() || utf16_units(c.wang) > 50 || utf16_units(c.wang2) > 50) return;
    c.time1 = in_.date();
    c.time2 = in_.date();
    c.bs = in_.note();
    const bool expected = !model_.duplicate(c.wang, c.wang2);
    model_.other_copy_adds(c);
    store::StoreConnection conn;
    store::RowSet rs;
    auto outcome =
        store::save_new_customer(conn, rs, {program_.database(), store::kDatabasePassword},
                                 {c.wang, c.wang2, c.time1, c.time2, c.bs});
    if ((outcome == store::SaveOutcome::saved) != expected)
        fail("another copy's add of " + printable(c.wang) + " / " + printable(c.wang2) +
             ": expected " + (expected ? "saved" : "refused") + ", got outcome " +
             std::to_string(static_cast<int>(outcome)));
}

void Driver::export_sheet() {
    ++figures_.exports;
    const int kind = weighted({20, 65, 15});  // cancel, a folder that exists, one that does not
    std::optional<std::string> path;
    if (kind == 1) path = program_.directory() + "/export_" + std::to_string(done_) + ".xls";
    if (kind == 2) path = program_.directory() + "/no_such_folder/export.xls";
    begin("toolbar 7 导出文档, save dialog " +
          (path ? printable(*path) : std::string("cancelled")));
    program_.backend().windows().on_save_dialog(
        [path](const runtime::Control&, std::string_view) { return path; });
    model_.export_sheet(path, kind == 1);
    program_.main().fire(forms::main::kToolbar, Event::entry_clicked, {7, {}});
    check();
}

void Driver::menu_action() {
    HeadlessWindow& w = program_.main();
    if (in_.chance(12)) {
        begin("dismiss the menu " + model_.menu);
        model_.menu.clear();
        return check();
    }
    std::vector<std::string> items;
    if (model_.menu == forms::main::kMoreMenu) {
        items = {"查看图表",   "查看图表",   "查看图表",  "加入官方群", "跟进设置…",
                 "只看待跟进", "已放弃客户", "最近删除…", "最近删除…",  "显示“标签”列",
                 "标签管理…",  "标签管理…",  "店铺统计…", "店铺统计…"};
        if (in_.chance(40)) items.push_back("恢复备份…");
    } else {
        items = {"修改客户", "修改客户", "联系客户", "查询客户"};
        for (int i = 0; i < 3; ++i) {
            if (model_.deal_item) items.push_back("登记交易");
            if (model_.revert_item) items.push_back("转为未成交客户");
            if (model_.resume_item) items.push_back("重新跟进");
        }
        if (model_.give_up_item) items.push_back("放弃跟进…");
        items.push_back("设置标签…");
        const int n = static_cast<int>(model_.store.customers.size());
        for (int i = 0; i < 1 + n * 6 / options_.customers; ++i)
            items.push_back("删除客户");
    }
    const std::string item =
        items[static_cast<std::size_t>(in_.below(static_cast<int>(items.size())))];
    const bool yes = in_.chance(70);
    const std::size_t asked = model_.messages.size();
    begin("menu " + model_.menu + " → " + item +
          (item == "删除客户" ? (yes ? " (Yes)" : " (No)") : ""));
    if (item == "删除客户") ++figures_.deletes;
    model_.menu_item(item, yes);
    if (model_.messages.size() > asked && model_.messages.back().yes_no)
        program_.backend().message_boxes().push_answer(yes ? runtime::kAnswerYes
                                                           : runtime::kAnswerNo);
    w.choose_menu_item(item);
    check();
}

void Driver::dialog(HeadlessWindow& w) {
    dialogs_.push_back(&w);
    check();  // what the action that opened the dialog did
    const std::string name = w.form().name;
    while (!w.closed()) {
        if (spent() || in_.chance(name == "ChartWindow" ? 30 : 7)) {
            // Esc closes a dialog as its close box does.
            const bool esc = in_.chance(50);
            begin("close " + name + (esc ? " with Esc" : " with its close box"));
            model_.close_dialog();
            if (esc) w.press(Key::escape);
            break;  // the parent checks once the dialog is gone
        }
        // While the dialog is open the file goes away and comes back, or another copy
        // deletes a customer.
        if (!model_.store.available ? in_.chance(25) : in_.chance(2)) {
            environment_action(1);
            continue;
        }
        if (in_.chance(2)) {
            environment_action(2);
            continue;
        }
        if (name == "CustomerEditor") {
            editor_action(w);
        } else if (name == "OurIdManager") {
            manager_action(w);
        } else if (name == "DealDateDialog") {
            deal_action(w);
        } else if (name == "FollowUpDialog") {
            follow_up_action(w);
        } else if (name == "CadenceDialog") {
            cadence_action(w);
        } else if (name == "ImportDialog") {
            import_action(w);
        } else if (name == "RestoreDialog") {
            restore_action(w);
        } else if (name == "GiveUpDialog") {
            give_up_action(w);
        } else if (name == "RecentlyDeleted") {
            bin_action(w);
        } else if (name == "TagManager") {
            tag_manager_action(w);
        } else if (name == "TagPicker") {
            tag_picker_action(w);
        } else if (name == "ShopFigures") {
            figures_action(w);
        } else {
            chart_action(w);
        }
    }
    dialogs_.pop_back();
    if (name == "TagPicker") model_.picker_returned();
}

void Driver::editor_action(HeadlessWindow& w) {
    const EditorModel& e = model_.editor();
    switch (weighted({22, 14, e.choices.empty() ? 0 : 18, 10, 10, e.contact_visible ? 3 : 0, 3, 14,
                      6, !e.new_mode && e.id > 0 ? 3 : 0})) {
        case 9:
            begin("editor: 标签…");
            model_.editor_tags();
            w.fire(ed::kTagsButton, Event::clicked);
            break;
        case 8: {
            const bool pick = in_.chance(50);
            const double d = std::floor(local_now()) + in_.below(20) - 5;
            begin(pick ? "editor: next follow-up " + std::to_string(d) : "editor: tick 下次跟进");
            model_.editor_next(pick ? std::optional(d) : std::nullopt);
            if (pick) {
                w.set_date(ed::kNextDate, d);
                w.fire(ed::kNextDate, Event::date_changed);
            } else {
                w.set_checked(ed::kHasNextDate, !w.checked(ed::kHasNextDate));
            }
            break;
        }
        case 0: {
            const std::string id = in_.customer_id(model_);
            begin("editor: type customer ID " + printable(id));
            model_.editor_type_id(id);
            w.set_text(ed::kCustomerId, id);
            break;
        }
        case 1:
            begin("editor: leave the customer ID box");
            model_.editor_leave_id();
            w.fire(ed::kCustomerId, Event::lost_focus);
            break;
        case 2: {
            const int i = in_.below(static_cast<int>(e.choices.size()));
            begin("editor: choose our ID " + std::to_string(i) + " " +
                  printable(e.choices[static_cast<std::size_t>(i)]));
            model_.editor_choose(i);
            w.select_choice(ed::kOurIds, i);
            break;
        }
        case 3: {
            const bool first = in_.chance(50);
            const double d = in_.date();
            begin(std::string("editor: ") + (first ? "first enquiry " : "last follow-up ") +
                  std::to_string(d));
            model_.editor_dates(first ? std::optional(d) : std::nullopt,
                                first ? std::nullopt : std::optional(d));
            const char* box = first ? ed::kFirstEnquiry : ed::kLastFollowUp;
            w.set_date(box, d);
            w.fire(box, Event::date_changed);
            break;
        }
        case 4: {
            const std::string note = in_.note();
            begin("editor: type note " + printable(note));
            model_.editor_note(note);
            w.set_text(ed::kNote, note);
            break;
        }
        case 5:
            begin("editor: 旺旺联系客户");
            model_.editor_contact();
            w.fire(ed::kContactButton, Event::clicked);
            break;
        case 6:
            begin("editor: 管理我们的旺旺");
            model_.editor_manage();
            w.fire(ed::kManageButton, Event::clicked);
            break;
        default: {
            // Enter in the customer ID box, which keeps the keyboard here, presses 保存.
            const bool enter = in_.chance(30);
            begin(enter ? "editor: Enter" : "editor: 保存");
            ++figures_.saves;
            model_.editor_save();
            if (enter)
                w.press(Key::enter);
            else
                w.fire(ed::kSaveButton, Event::clicked);
            break;
        }
    }
    check();
}

void Driver::manager_action(HeadlessWindow& w) {
    if (in_.chance(15)) {
        // The keyboard starts in the list box, where Enter is a line break; Tab goes to 保存,
        // where Enter saves.
        const int key = in_.below(2);
        begin(key == 0 ? "manager: Tab" : "manager: Enter");
        if (key == 0) {
            model_.manager().on_save = !model_.manager().on_save;
            w.press(Key::tab);
        } else if (model_.manager().on_save) {
            model_.manager_save();
            w.press(Key::enter);
        } else {
            model_.manager_type(model_.manager().box + "\r\n");
            w.press(Key::enter);
        }
    } else if (in_.chance(50)) {
        const std::string text =
            in_.chance(20) ? model_.manager().box + in_.our_id_list() : in_.our_id_list();
        begin("manager: type " + printable(text));
        model_.manager_type(text);
        w.set_text(forms::manager::kIdList, text);
    } else {
        begin("manager: 保存");
        model_.manager_save();
        w.fire(forms::manager::kSaveButton, Event::clicked);
    }
    check();
}

void Driver::deal_action(HeadlessWindow& w) {
    if (in_.chance(35)) {
        const double d = in_.date();
        begin("deal date " + std::to_string(d));
        model_.deal_date(d);
        w.set_date(forms::deal::kDate, d);
    } else {
        // The keyboard is in the date box, so Enter presses 确定 too.
        const bool enter = in_.chance(30);
        begin(enter ? "deal dialog: Enter" : "deal dialog: 确定");
        ++figures_.deals;
        model_.deal_ok();
        if (enter)
            w.press(Key::enter);
        else
            w.fire(forms::deal::kOkButton, Event::clicked);
    }
    check();
}

void Driver::find_action() {
    HeadlessWindow& w = program_.main();
    // A piece of a stored text, in another letter case or full width at times, or a few
    // letters that may find nobody.
    std::string text;
    if (!model_.loaded.empty() && in_.chance(70)) {
        const Customer& c = model_.loaded[static_cast<std::size_t>(
            in_.below(static_cast<int>(model_.loaded.size())))];
        const std::string& field = in_.chance(50) ? c.wang : in_.chance(50) ? c.wang2 : c.bs;
        std::vector<std::string> chars;
        for (std::size_t i = 0; i < field.size();) {
            std::size_t n = 1;
            const auto b = static_cast<unsigned char>(field[i]);
            if (b >= 0xF0)
                n = 4;
            else if (b >= 0xE0)
                n = 3;
            else if (b >= 0xC0)
                n = 2;
            chars.push_back(field.substr(i, n));
            i += n;
        }
        if (!chars.empty()) {
            const int from = in_.below(static_cast<int>(chars.size()));
            const int count = 1 + in_.below(std::min(4, static_cast<int>(chars.size()) - from));
            for (int i = from; i < from + count; ++i) {
                std::string ch = chars[static_cast<std::size_t>(i)];
                if (ch.size() == 1 && ch[0] > ' ' && ch[0] <= '~' && in_.chance(20)) {
                    const char32_t wide = static_cast<char32_t>(ch[0] - 0x21 + 0xFF01);
                    ch = {static_cast<char>(0xE0 | (wide >> 12)),
                          static_cast<char>(0x80 | ((wide >> 6) & 0x3F)),
                          static_cast<char>(0x80 | (wide & 0x3F))};
                } else if (ch.size() == 1 && in_.chance(30)) {
                    ch[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(ch[0])));
                }
                text += ch;
            }
        }
    } else if (!model_.store.tags.empty() && in_.chance(40)) {
        // A tag as the find box takes it: "#" and the start of its name.
        const auto& name = model_.store
                               .tags[static_cast<std::size_t>(
                                   in_.below(static_cast<int>(model_.store.tags.size())))]
                               .second;
        // The whole name, or its first character.
        std::size_t first = 1;
        while (first < name.size() && (static_cast<unsigned char>(name[first]) & 0xC0) == 0x80)
            ++first;
        text = "#" + name.substr(0, in_.chance(50) ? name.size() : first);
    } else {
        const char* some[] = {"a", "Z", "zz", "客", "1", ""};
        text = some[in_.below(6)];
    }
    if (in_.chance(40) && text.size() == 1 && text[0] > ' ' && text[0] <= '~') {
        // Typed straight into the list: the find box opens with what it already holds.
        begin("type " + printable(text) + " into the list");
        model_.find((model_.find_open ? model_.find_text : std::string()) + text);
        w.type(forms::main::kList, text);
        return check();
    }
    begin("Ctrl+F, find " + printable(text));
    w.focus(forms::main::kList);
    w.press_key("Ctrl+F");
    model_.find(text);
    w.set_text(forms::main::kFindBox, text);
    check();
}

void Driver::show_log() {
    HeadlessWindow& w = program_.main();
    if (in_.chance(80)) pick_row();
    begin("key Ctrl+L in the list");
    const auto id = static_cast<std::int32_t>(std::trunc(model_.selected_id()));
    std::string expected_label;
    std::vector<std::vector<std::string>> expected;
    if (id > 0 && model_.store.available) {
        std::string buyer;
        for (const Customer& c : model_.loaded)
            if (c.id == id) buyer = c.wang;
        const auto it = model_.store.customers.find(id);
        const auto* log = it != model_.store.customers.end() ? &it->second.log : nullptr;
        expected_label = !log || log->empty() ? "“" + buyer + "”还没有跟进记录。"
                                              : "“" + buyer + "”的 " + std::to_string(log->size()) +
                                                    " 次跟进，最新的在前：";
        for (std::size_t k = 0; log && k < log->size(); ++k)
            expected.push_back({(*log)[k].first, (*log)[k].second});
    }
    if (id > 0) {
        model_.opened_forms.push_back("FollowUpLog");
        if (!model_.store.available)
            model_.messages.push_back({"跟进记录没能读出，请稍后再试。", "信息："});
    }
    std::string why;
    program_.backend().windows().on_open("FollowUpLog", [&](HeadlessWindow& d) {
        if (d.closed()) return;  // the store could not be read: it closed at once
        if (d.text(forms::log_window::kLabel) != expected_label)
            why = "跟进记录 says " + printable(d.text(forms::log_window::kLabel)) + ", expected " +
                  printable(expected_label);
        auto rows = d.rows(forms::log_window::kList);
        for (auto& r : rows)
            r.erase(r.begin());  // the time: its moment is the store's, checked there
        if (why.empty() && rows != expected) why = "跟进记录 lists other follow-ups";
        d.press(Key::escape);
    });
    w.focus(forms::main::kList);
    if (!w.press_key("Ctrl+L")) fail("no binding took Ctrl+L");
    if (!why.empty()) fail(why);
    check();
}

void Driver::follow_up_action(HeadlessWindow& w) {
    if (in_.chance(25)) {
        const int choice = in_.below(5);
        FollowUpModel& f = model_.follow_up();
        f.next_choice = choice;
        if (choice == 4) {
            f.picked = std::floor(local_now()) + in_.below(20) - 5;
            begin("follow-up: pick the next day " + std::to_string(f.picked));
            w.set_date(forms::follow_up::kNextDate, f.picked);
            w.fire(forms::follow_up::kNextDate, Event::date_changed);
        } else {
            begin("follow-up: next " + std::to_string(choice));
            w.select_choice(forms::follow_up::kNextChoice, choice);
            w.fire(forms::follow_up::kNextChoice, Event::changed);
        }
        return check();
    }
    if (in_.chance(55)) {
        const char* said[] = {"问了尺码", "  再联系 ", "", "Price? 明天回复", "\t"};
        const std::string text = said[in_.below(5)];
        begin("follow-up: type " + printable(text));
        model_.follow_up().text = text;
        w.set_text(forms::follow_up::kText, text);
        return check();
    }
    const std::int32_t target = model_.follow_up().target;
    begin("follow-up: Enter");
    const std::size_t asked = model_.messages.size();
    w.press(Key::enter);
    // The moment the program took, read back from the store.
    double when = 0;
    if (model_.store.available && model_.store.customers.count(target)) {
        std::string why;
        const auto stored = program_.read_store(true, &why);
        if (!stored) return fail("the store cannot be read after a follow-up: " + why);
        for (const auto& r : stored->customers)
            if (r.id == target && r.time2) when = *r.time2;
        if (when < model_.kept(model_.now_low) - 1.0 / 86400 || when > local_now() + 1.0 / 86400)
            return fail("the follow-up's moment is not the moment of the action");
    }
    model_.follow_up_ok(when);
    (void)asked;
    check();
}

namespace {

// A CSV field a spreadsheet would compute ("=…"), or one behind the guard apostrophe: the
// import reads them otherwise than as typed, so the walk's plain files leave them out.
bool formula_like(const std::string& id) {
    return id.starts_with('=') || (id.size() > 1 && id[0] == '\'' &&
                                   std::string_view("=+-@").find(id[1]) != std::string_view::npos);
}

}  // namespace

void Driver::import_file() {
    // Stored customers again (at times in other letter case), and new ones; a pair may repeat
    // inside the file.
    ImportModel im;
    const int count = 1 + in_.below(6);
    for (int i = 0; i < count; ++i) {
        std::vector<std::string> row;
        if (!model_.store.customers.empty() && in_.chance(40)) {
            auto it = model_.store.customers.begin();
            std::advance(it, in_.below(static_cast<int>(model_.store.customers.size())));
            row = {it->second.wang, it->second.wang2};
            if (in_.chance(50))
                for (char& ch : row[0])
                    if (ch >= 'a' && ch <= 'z') ch = static_cast<char>(ch - 'a' + 'A');
        } else if (!im.rows.empty() && in_.chance(20)) {
            row = {im.rows.back()[0], im.rows.back()[1]};
        } else {
            const char* names[] = {"imp_buyer", "进口客户", "Imp_Z"};
            row = {names[in_.below(3)] + std::to_string(in_.below(40)),
                   in_.chance(50) ? std::string("shop_imp") : std::string("店铺甲")};
        }
        if (row[0].empty() || row[1].empty() || utf16_units(row[0]) > 50 ||
            utf16_units(row[1]) > 50 || row[0].find_first_of(",\"\r\n") != std::string::npos ||
            row[1].find_first_of(",\"\r\n") != std::string::npos || clean_id(row[0]) != row[0] ||
            clean_id(row[1]) != row[1] || formula_like(row[0]) || formula_like(row[1]))
            row = {"imp_plain" + std::to_string(i), "shop_imp"};
        const int day = 40000 + in_.below(6000);
        row.push_back(list_date(day));
        row.push_back(list_date(day + in_.below(30)));
        const char* notes[] = {"", "问了价格", "wants size M"};
        row.push_back(notes[in_.below(3)]);
        im.rows.push_back(row);
    }
    const std::string path = program_.directory() + "/import_" + std::to_string(done_) + ".csv";
    {
        std::ofstream out(path, std::ios::binary);
        out << "客户旺旺,我们的旺旺,第一次咨询日期,最后跟踪日期,备注\r\n";
        for (const auto& row : im.rows)
            out << row[0] << ',' << row[1] << ',' << row[2] << ',' << row[3] << ',' << row[4]
                << "\r\n";
    }
    program_.backend().windows().on_open_dialog(
        [path](const runtime::Control&) { return std::optional<std::string>(path); });
    HeadlessWindow& w = program_.main();
    if (in_.chance(8)) {
        // A file that takes a while to read: its progress window shows and Esc forgets it.
        begin("Ctrl+I, Esc while the file is read");
        model_.opened_forms.push_back("WorkProgress");
        w.focus(forms::main::kList);
        stop_in_progress_window([&] { w.press_key("Ctrl+I"); });
        return check();
    }
    begin("Ctrl+I, import " + std::to_string(im.rows.size()) + " rows");
    model_.opened_forms.push_back("ImportDialog");
    model_.dialogs.push_back(std::move(im));
    w.focus(forms::main::kList);
    w.press_key("Ctrl+I");
    check();
}

void Driver::stop_in_progress_window(const std::function<void()>& start) {
    // The work waits until the progress window is open and Esc was pressed in it; then it
    // runs, sees it was asked to stop, and the window goes.
    auto& windows = program_.backend().windows();
    windows.hold_background(true);
    windows.on_open("WorkProgress", [&windows](HeadlessWindow& p) {
        p.press_key("Esc");
        if (p.closed()) return;
        windows.finish_background();
        p.tick("poll");
    });
    start();
    windows.hold_background(false);
    windows.finish_background();
}

void Driver::import_action(HeadlessWindow& w) {
    if (!model_.store.available) {
        // A file that went away is no place to import into: the user gives up.
        begin("import: Esc, the file is away");
        model_.close_dialog();
        w.press(Key::escape);
        return check();
    }
    if (in_.chance(15)) {
        // A large file: Esc in the import's progress window, and nothing changes; the dialog
        // stays for another try.
        begin("import: Enter, then Esc while it imports");
        model_.opened_forms.push_back("WorkProgress");
        stop_in_progress_window([&] { w.press(Key::enter); });
        return check();
    }
    begin("import: Enter");
    model_.import_ok();
    w.press(Key::enter);
    check();
}

void Driver::restore_action(HeadlessWindow& w) {
    const auto& r = std::get<RestoreModel>(model_.dialogs.back());
    if (!model_.store.available) {
        // A shop that is away cannot be put back: the user gives up.
        begin("restore: Esc, the store is away");
        model_.close_dialog();
        w.press(Key::escape);
        return check();
    }
    const int count = static_cast<int>(r.counts.size());
    const int row = count > 0 && in_.chance(90) ? in_.below(count) : -1;
    const bool yes = in_.chance(70);
    begin("restore: copy " + std::to_string(row) + ", OK" + (yes ? " (Yes)" : " (No)"));
    const std::size_t asked = model_.messages.size();
    model_.restore_ok(row, yes);
    if (row >= 0 && yes) ++figures_.restores;
    if (model_.messages.size() > asked && model_.messages[asked].yes_no)
        program_.backend().message_boxes().push_answer(yes ? runtime::kAnswerYes
                                                           : runtime::kAnswerNo);
    w.select_row(forms::restore::kList, row);
    w.fire(forms::restore::kOkButton, Event::clicked);
    check();
}

void Driver::cadence_action(HeadlessWindow& w) {
    if (in_.chance(60)) {
        const char* days[] = {"1", "2", "3", "5", "7", "14", "30", "0", "366", "2.5", "", "abc"};
        const std::string text = days[in_.below(12)];
        begin("cadence: type " + printable(text));
        model_.cadence_dialog().days = text;
        w.set_text(forms::cadence::kDays, text);
        return check();
    }
    begin("cadence: Enter");
    model_.cadence_ok();
    w.press(Key::enter);
    check();
}

void Driver::figures_action(HeadlessWindow& w) {
    namespace fw = forms::figures;
    if (in_.chance(50)) {
        const int choice = in_.below(5);
        begin(std::string("店铺统计: period ") + dialogs::kPeriodChoices[choice]);
        model_.figures_period(choice);
        w.select_choice(fw::kPeriod, choice);
        w.fire(fw::kPeriod, Event::changed);
    } else {
        const int column = in_.below(dialogs::kFigureColumnCount);
        begin("店铺统计: click the header of " + std::string(dialogs::kFigureColumns[column]));
        model_.figures_sort(column);
        w.fire(fw::kTable, Event::column_clicked, {column, {}});
    }
    check();
}

void Driver::chart_action(HeadlessWindow& w) {
    begin("chart: click 三维图");
    model_.chart_toggle();
    w.set_checked(forms::chart::kThreeD, !w.checked(forms::chart::kThreeD));
    w.fire(forms::chart::kThreeD, Event::clicked);
    check();
}

void Driver::give_up_action(HeadlessWindow& w) {
    const GiveUpModel& g = model_.give_up();
    if (in_.chance(30)) {
        const int k = in_.below(static_cast<int>(g.reasons.size()));
        begin("give up: choose reason " + std::to_string(k));
        model_.give_up_choose(k);
        w.select_choice(forms::give_up::kChoice, k);
        w.fire(forms::give_up::kChoice, Event::changed);
        return check();
    }
    if (in_.chance(35)) {
        const std::string typed[] = {"",      "  ",     "太远了 ",           "Moved",
                                     "moved", "要发票", std::string(51, 'x')};
        const std::string text = typed[in_.below(7)];
        begin("give up: type " + printable(text));
        model_.give_up().text = text;
        w.set_text(forms::give_up::kText, text);
        return check();
    }
    const std::int32_t target = g.target;
    begin("give up: Enter");
    w.press(Key::enter);
    // The moment the program took, read back from the store.
    double when = 0;
    if (model_.store.available && model_.store.customers.count(target)) {
        std::string why;
        const auto stored = program_.read_store(true, &why);
        if (!stored) return fail("the store cannot be read after a give-up: " + why);
        for (const auto& k : stored->steps)
            if (k.customer == target && k.gave_up) when = *k.gave_up;
        if (when != 0 &&
            (when < model_.kept(model_.now_low) - 1.0 / 86400 || when > local_now() + 1.0 / 86400))
            return fail("the give-up's moment is not the moment of the action");
    }
    model_.give_up_ok(when);
    check();
}

void Driver::bin_action(HeadlessWindow& w) {
    BinModel& b = model_.bin_dialog();
    switch (weighted({40, 35, 25})) {
        case 0: {
            const int row = in_.below(static_cast<int>(b.rows.size()) + 1) - 1;
            begin("最近删除: select row " + std::to_string(row));
            b.selected = row;
            w.select_row(forms::bin_window::kList, row);
            return check();
        }
        case 1:
            begin("最近删除: Enter (恢复)");
            model_.put_back(false);
            w.press(Key::enter);
            return check();
        default:
            begin("最近删除: 全部恢复");
            model_.put_back(true);
            w.fire(forms::bin_window::kPutBackAllButton, Event::clicked);
            return check();
    }
}

void Driver::tag_manager_action(HeadlessWindow& w) {
    namespace tw = forms::tags_window;
    TagManagerModel& m = model_.tag_manager();
    const int count = static_cast<int>(model_.store.tags.size());
    switch (weighted({30, 25, 12, 8, 6, 6, 6, 7})) {
        case 0: {
            const char* names[] = {"嫌贵",   "要发票", "老客户", "VIP", "vip",
                                   "意向高", "a b",    "#x",     "",    "  回头客 "};
            const std::string text = names[in_.below(10)];
            begin("标签管理: type " + printable(text));
            m.name = text;
            w.set_text(tw::kName, text);
            return check();
        }
        case 1:
            begin("标签管理: Enter (添加)");
            model_.tag_add();
            w.press(Key::enter);
            return check();
        case 2: {
            const int row = in_.below(count + 1) - 1;
            begin("标签管理: select row " + std::to_string(row));
            m.selected = row;
            w.select_row(tw::kList, row);
            return check();
        }
        case 3:
            begin("标签管理: double-click");
            model_.tag_double_click();
            w.fire(tw::kList, Event::double_clicked);
            return check();
        case 4:
            begin("标签管理: 改名");
            model_.tag_rename();
            w.fire(tw::kRenameButton, Event::clicked);
            return check();
        case 5: {
            const bool yes = in_.chance(70);
            begin(std::string("标签管理: 删除") + (yes ? " (Yes)" : " (No)"));
            const std::size_t asked = model_.messages.size();
            model_.tag_remove(yes);
            if (model_.messages.size() > asked && model_.messages.back().yes_no)
                program_.backend().message_boxes().push_answer(yes ? runtime::kAnswerYes
                                                                   : runtime::kAnswerNo);
            w.fire(tw::kRemoveButton, Event::clicked);
            return check();
        }
        default: {
            const bool up = in_.chance(50);
            begin(std::string("标签管理: ") + (up ? "上移" : "下移"));
            model_.tag_move(up ? -1 : 1);
            w.fire(up ? tw::kUpButton : tw::kDownButton, Event::clicked);
            return check();
        }
    }
}

void Driver::tag_picker_action(HeadlessWindow& w) {
    namespace pw = forms::pick_window;
    switch (weighted({25, 30, 20, 25})) {
        case 0: {
            std::string text;
            if (!model_.store.tags.empty() && in_.chance(70)) {
                const auto& name = model_.store
                                       .tags[static_cast<std::size_t>(
                                           in_.below(static_cast<int>(model_.store.tags.size())))]
                                       .second;
                // The whole name, or its first three bytes: one Chinese character or three
                // letters.
                text = name.substr(0, name.size() > 3 && in_.chance(50) ? 3 : name.size());
            }
            begin("设置标签: find " + printable(text));
            model_.picker_filter(text);
            w.set_text(pw::kFilter, text);
            return check();
        }
        case 1:
            begin("设置标签: Space");
            model_.picker_toggle();
            w.focus(in_.chance(50) ? pw::kFilter : pw::kList);
            if (!w.press_key("Space")) fail("no binding took Space");
            return check();
        case 2: {
            const bool down = in_.chance(70);
            begin(std::string("设置标签: ") + (down ? "Down" : "Up") + " in the find box");
            model_.picker_step(down ? 1 : -1);
            w.focus(pw::kFilter);
            if (!w.press_key(down ? "Down" : "Up")) fail("no binding took Up/Down");
            return check();
        }
        default:
            begin("设置标签: Enter");
            model_.picker_ok();
            w.press(Key::enter);
            return check();
    }
}

}  // namespace stress
