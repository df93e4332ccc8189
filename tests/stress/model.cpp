#include "tests/stress/model.h"

#include "engine/tally.h"

#include "dialogs/shop_figures_table.h"

#include "dialogs/dates.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <set>
#include <stdexcept>
#include <tuple>
#include <utility>

#include "dialogs/dates.h"
#include "dialogs/shop_figures_table.h"
#include "engine/tally.h"
#include "jet/civil_date.h"
#include "odbc/datetime.h"
#include "tests/stress/list_rules.h"
#include "tests/stress/text_rules.h"

namespace stress {

namespace {

// How many customers of a store are open, and how many closed.
std::pair<int, int> open_and_closed(const StoreModel& store) {
    std::pair<int, int> n{0, 0};
    for (const auto& [id, c] : store.customers)
        ++(c.closed ? n.second : n.first);
    return n;
}

// A day as the restore dialog names a copy's: "2026-12-10".
std::string day_text(double now) {
    const jet::CivilDate d =
        jet::civil_from_days(static_cast<std::int64_t>(std::floor(now)) - jet::kEngineEpochOffset);
    return std::to_string(d.year) + "-" + std::to_string(d.month) + "-" + std::to_string(d.day);
}

constexpr const char* kCustomerGone = "这个客户已经不在了。";
constexpr const char* kMarker = "<!vantel!>";

std::string chat_address(const std::string& id) {
    return std::string("http://") + kMessengerHost + "/getcid.aw?v=2&uid=" + percent_encode(id) +
           "&site=cntaobao&s=1&groupid=0&charset=utf-8";
}

std::string profile_address(const std::string& id) {
    return std::string("http://") + kMemberHost +
           "/member/userProfile.jhtml?userID=" + percent_encode(to_gb18030(id));
}

std::string tabs_for_markers(const std::string& text) {
    std::string out;
    std::size_t at = 0;
    const std::string marker = kMarker;
    for (std::size_t hit; (hit = text.find(marker, at)) != std::string::npos;) {
        out.append(text, at, hit - at);
        out += '\t';
        at = hit + marker.size();
    }
    out.append(text, at, std::string::npos);
    return out;
}

// One line for the list: every line break (CR LF, CR or LF) a visible mark.
std::string note_in_list(const std::string& note) {
    std::string out;
    for (std::size_t i = 0; i < note.size(); ++i) {
        if (note[i] == '\r' || note[i] == '\n') {
            if (note[i] == '\r' && i + 1 < note.size() && note[i + 1] == '\n') ++i;
            out += " ↵ ";
        } else {
            out += note[i];
        }
    }
    return out;
}

// The sheet keeps a cell that begins as a formula would as text, behind an apostrophe.
std::string guarded(const std::string& text) {
    return !text.empty() && std::string_view("=+-@").find(text[0]) != std::string_view::npos
               ? "'" + text
               : text;
}

std::string quoted_note(const std::string& note) {
    std::string out = "\"";
    for (char c : note) {
        out += c;
        if (c == '"') out += '"';  // doubled, or a spreadsheet ends the field there
    }
    return out + "\"";
}

}  // namespace

const char* form_name(const DialogModel& d) {
    switch (d.index()) {
        case 0:
            return "CustomerEditor";
        case 1:
            return "OurIdManager";
        case 2:
            return "DealDateDialog";
        case 4:
            return "FollowUpDialog";
        case 5:
            return "CadenceDialog";
        case 7:
            return "RestoreDialog";
        case 8:
            return "GiveUpDialog";
        case 9:
            return "RecentlyDeleted";
        case 10:
            return "TagManager";
        case 11:
            return "TagPicker";
        case 12:
            return "ShopFigures";
        case 6:
            return "ImportDialog";
        default:
            return "ChartWindow";
    }
}

std::string status_of(const std::string& wang) {
    return wang.size() % 2 == 1 ? "在线" : "";
}

void Model::say(std::string text, std::string title, bool yes_no) {
    messages.push_back({std::move(text), std::move(title), yes_no});
}

void Model::say_file_gone() {
    // On a server the store goes away as a server that does not answer.
    if (whole_seconds)
        say("这次修改没有保存。连不上数据库服务器：服务器没有开机、地址或端口不对，或者网络断了。");
    else
        say("找不到数据库文件，这次修改没有保存：\r\n" + database_path);
}

double Model::kept(double date) const {
    return whole_seconds ? odbc::kept_datetime(date).value_or(date) : date;
}

void Model::start() {
    if (!store.available) store = StoreModel{};  // the program writes a fresh database
    opened_forms.push_back("MainWindow");
    closed_mode = false;
    column6 = "最后跟踪日期";
    rows.clear();
    selected = -1;
    visible = true;
    list_width = 740;
    window_width = 750;
    list_height = 400;
    note_width = 140;
    menu.clear();
    popups = 0;
    gave_up_mode = false;
    deal_item = true;
    revert_item = false;
    give_up_item = true;
    resume_item = false;
    picked_id = 0;
    picked.clear();
    // A new run knows no statuses; the old window's requests are never sent.
    known_statuses.clear();
    status_queue.clear();
    picture_pending = false;
    top_row = 0;
    // A new run finds nothing and shows everyone, in the order it was left sorted.
    find_text.clear();
    find_open = false;
    due_only = false;
    balloons.clear();
    std::tie(sort_column, sort_down) = sort_in(whole_seconds ? local_row2 : store.row2);
    next_column = false;
    for (const auto& [key, value] : whole_seconds ? local_row2 : store.row2)
        if (key == "next_date_column") next_column = value == "1";
    tags_column = false;
    for (const auto& [key, value] : whole_seconds ? local_row2 : store.row2)
        if (key == "tags_column") tags_column = value == "1";
    fit_note();
    // The stored number goes into the selector, whose change attaches and stores it, and
    // is attached once more.
    skin_text = store.skin;
    attaches.push_back(skin_number(skin_text));
    attaches.push_back(skin_number(skin_text));
    reload();
    // The day's first start keeps a copy of the shop in 备份.
    const bool copied_today = std::any_of(
        copies.begin(), copies.end(), [&](const Copy& c) { return c.day == std::floor(now_low); });
    if (!copied_today && store.available) take_copy();
    int due = 0;
    for (const Customer& c : loaded)
        due += due_tone(c, false, now_low, cadence()) > 0;
    if (due > 0) balloons.push_back("今天有 " + std::to_string(due) + " 位客户待跟进");
}

void Model::reload() {
    column6 = closed_mode ? "成功交易日期" : "最后跟踪日期";
    if (!store.available) return;  // the list keeps its rows, nothing is asked
    // Emptied and filled again, the list scrolls back to its top.
    top_row = 0;
    loaded.clear();
    shown_statuses.clear();
    for (auto it = store.customers.rbegin(); it != store.customers.rend(); ++it) {
        if (it->second.closed != closed_mode) continue;
        loaded.push_back(it->second);
        loaded.back().tags_text = store.tags_text(it->second.tags);
        const std::string text = known_status({it->first, it->second.wang});
        if (!text.empty()) shown_statuses[it->first] = {it->second.wang, text};
    }
    choose();
    ask_statuses(refresh_all);
}

void Model::choose() {
    rows.clear();
    notes.clear();
    tones.clear();
    selected = -1;
    ListChoice choice{find_text, sort_column, sort_down, due_only, closed_mode, now_low, cadence()};
    const auto status = [this](const Customer& c) {
        const auto found = shown_statuses.find(c.id);
        return found != shown_statuses.end() && found->second.first == c.wang ? found->second.second
                                                                              : std::string();
    };
    int n = 0;
    for (const Customer* c :
         list_order(loaded, choice, [&](const Customer& x) { return !status(x).empty(); })) {
        // Given up or not, as the view asks, whatever list was last loaded.
        if (!closed_mode && (c->gave_up != 0) != gave_up_mode) continue;
        rows.push_back({std::to_string(c->id), std::to_string(++n), status(*c), c->wang, c->wang2,
                        list_date(c->time1),
                        list_date(closed_mode ? c->time3.value_or(0) : c->time2),
                        (gave_up_mode && !c->reason.empty() ? "〔" + c->reason + "〕" : "") +
                            note_in_list(c->bs),
                        c->next != 0 ? list_date(c->next) : std::string(), c->tags_text});
        notes.push_back(c->bs);
        tones.push_back(due_tone(*c, closed_mode, now_low, cadence()));
    }
}

void Model::show() {
    const auto keep = static_cast<std::int32_t>(std::trunc(selected_id()));
    choose();
    select_customer(keep);
    prefer_statuses(keys_in_view());
}

void Model::select_customer(std::int32_t id) {
    for (std::size_t r = 0; id > 0 && r < rows.size(); ++r)
        if (rows[r][0] == std::to_string(id)) selected = static_cast<int>(r);
}

std::optional<std::string> StoreModel::row2_text() const {
    if (!row2_written) return std::nullopt;
    std::string text;
    for (const auto& [key, value] : row2)
        text += key + "=" + value + "\r\n";
    return text;
}

int Model::cadence() const {
    return cadence_in(store.row2);
}

void Model::set_setting(const std::string& key, const std::string& value, bool shop_wide) {
    // Settings of this PC stay in its own file when the shop's store is a server.
    const bool local = whole_seconds && !shop_wide;
    auto& lines = local ? local_row2 : store.row2;
    if (!local) store.row2_written = true;
    for (auto& line : lines)
        if (line.first == key) {
            line.second = value;
            return;
        }
    lines.emplace_back(key, value);
}

void Model::find(const std::string& text) {
    // Every text put into the box is a change, the same text too.
    find_open = true;
    find_text = text;
    show();
}

void Model::close_find() {
    find_open = false;
    if (find_text.empty()) return;
    find_text.clear();
    show();
}

void Model::sort_click(int column) {
    if (column <= 1) {
        sort_column = 0;
        sort_down = false;
    } else if (column == sort_column) {
        sort_down = !sort_down;
    } else {
        sort_column = column;
        sort_down = false;
    }
    if (store.available || whole_seconds)
        set_setting("sort",
                    sort_column <= 1 ? std::string()
                                     : std::to_string(sort_column) + (sort_down ? ",desc" : ",asc"),
                    false);
    show();
}

void Model::toggle_due_only() {
    due_only = !due_only;
    // Only open customers wait for a follow-up: asked from another list, the open one.
    if (due_only && (closed_mode || gave_up_mode)) {
        closed_mode = gave_up_mode = false;
        return reload();
    }
    show();
}

void Model::toggle_given_up() {
    gave_up_mode = !gave_up_mode;
    if (gave_up_mode) due_only = false;
    closed_mode = false;
    reload();
}

void Model::fit_row_menu() {
    deal_item = !closed_mode && !gave_up_mode;
    revert_item = closed_mode;
    give_up_item = !closed_mode && !gave_up_mode;
    resume_item = gave_up_mode;
}

void Model::toggle_next_column() {
    next_column = !next_column;
    fit_note();
    if (store.available || whole_seconds)
        set_setting("next_date_column", next_column ? "1" : "0", false);
}

void Model::toggle_tags_column() {
    tags_column = !tags_column;
    fit_note();
    if (store.available || whole_seconds)
        set_setting("tags_column", tags_column ? "1" : "0", false);
}

void Model::fit_note() {
    const int note = window_width - 610 - (next_column ? 100 : 0) - (tags_column ? 120 : 0);
    note_width = note < -1 ? -2 : note;
}

std::string StoreModel::tags_text(const std::vector<int>& keys) const {
    std::string text;
    for (const auto& [key, name] : tags)
        if (std::find(keys.begin(), keys.end(), key) != keys.end())
            text += (text.empty() ? "#" : " #") + name;
    return text;
}

void Model::balloon_clicked() {
    visible = true;
    due_only = true;
    if (closed_mode || gave_up_mode) {
        closed_mode = gave_up_mode = false;
        return reload();
    }
    show();
}

void Model::key(const std::string& chord) {
    if (chord == "Ctrl+N") return toolbar(0);
    if (chord == "F5") return toolbar(6);
    if (chord == "Enter") return double_click();
    if (chord == "Ctrl+D") return toggle_due_only();
    if (chord == "Ctrl+G") return toggle_given_up();
    if (chord == "Ctrl+T") return open_picker(static_cast<std::int32_t>(std::trunc(selected_id())));
    if (chord == "Ctrl+R") {
        const auto id = static_cast<std::int32_t>(std::trunc(selected_id()));
        if (id > 0) open_dialog(FollowUpModel{id, ""});
        return;
    }
    throw std::logic_error("no key " + chord);
}

FollowUpModel& Model::follow_up() {
    return std::get<FollowUpModel>(dialogs.back());
}
CadenceModel& Model::cadence_dialog() {
    return std::get<CadenceModel>(dialogs.back());
}

void Model::follow_up_ok(double when) {
    const FollowUpModel f = follow_up();
    if (!store.available) return say_file_gone();  // still open with what was typed
    const auto found = store.customers.find(f.target);
    if (found == store.customers.end()) {
        say(kCustomerGone);
    } else {
        std::string said = f.text;
        said.erase(0, std::min(said.size(), said.find_first_not_of(" \t")));
        said.erase(said.find_last_not_of(" \t") + 1);
        found->second.time2 = kept(when);
        constexpr int kDays[] = {0, 1, 3, 7};
        found->second.next = f.next_choice == 0   ? 0
                             : f.next_choice == 4 ? std::floor(f.picked)
                                                  : std::floor(when) + kDays[f.next_choice];
        found->second.log.insert(found->second.log.begin(), {found->second.wang2, said});
        if (!said.empty()) {
            const double day = std::floor(when);
            long long minutes = std::llround((when - day) * 24 * 60);
            minutes = std::min(minutes, 24LL * 60 - 1);
            const std::string line = list_date(day) + " " + std::to_string(minutes / 60) + ":" +
                                     (minutes % 60 < 10 ? "0" : "") + std::to_string(minutes % 60) +
                                     " " + said;
            found->second.bs = found->second.bs.empty() ? line : line + "\r\n" + found->second.bs;
        }
    }
    dialogs.pop_back();
    reload();
    select_customer(f.target);
}

void Model::take_copy() {
    copies.push_back({store, std::floor(now_low)});
}

void Model::restore_ok(int row, bool yes) {
    if (row < 0) return say("请先在列表里选一份备份。");
    const Copy& copy = copies[copies.size() - 1 - static_cast<std::size_t>(row)];
    const StoreModel chosen = copy.store;
    const auto [open, closed] = open_and_closed(chosen);
    const std::string named = day_text(copy.day) + " 的备份";
    const std::string counts =
        "（未成交 " + std::to_string(open) + " 位，已成交 " + std::to_string(closed) + " 位）";
    if (whole_seconds)
        say("确定要用 " + named + counts +
                "替换数据库服务器上现在的客户数据吗？\r\n店里所有电脑都会看到恢复后的数据。"
                "服务器上现在的数据会先备份到这台电脑的“备份”文件夹里。",
            "温馨提示：", true);
    else
        say("确定要用 " + named + counts +
                "替换现在的数据吗？\r\n现在的数据会先备份到“备份”文件夹里。",
            "温馨提示：", true);
    if (!yes) return;
    take_copy();
    if (whole_seconds) {
        // On a server the shop's own settings stay; the numbers go on after the largest.
        StoreModel now = chosen;
        now.row2 = store.row2;
        now.row2_written = store.row2_written;
        now.next_id =
            chosen.customers.empty() ? store.next_id : chosen.customers.rbegin()->first + 1;
        store = now;
    } else {
        store = chosen;
    }
    say("已经用 " + named + "恢复了数据。", "恭喜：");
    // The skin as the copy keeps it (put into the selector and attached), then the list.
    skin_text = store.skin;
    attaches.push_back(skin_number(skin_text));
    attaches.push_back(skin_number(skin_text));
    dialogs.pop_back();
    reload();
}

void Model::import_ok() {
    // The shop as it stands goes into 备份 first.
    take_copy();
    const ImportModel im = std::get<ImportModel>(dialogs.back());
    int added = 0, stored_already = 0, repeated = 0;
    std::vector<std::pair<std::string, std::string>> in_file;
    for (const auto& row : im.rows) {
        // A pair met earlier in the file is a repeat; one stored before the import is skipped.
        const std::string wang = clean_id(row[0]), wang2 = clean_id(row[1]);
        const bool again = std::any_of(in_file.begin(), in_file.end(), [&](const auto& p) {
            return same_text_ignoring_case(p.first, wang) &&
                   same_text_ignoring_case(p.second, wang2);
        });
        if (again) {
            ++repeated;
            continue;
        }
        in_file.emplace_back(wang, wang2);
        if (duplicate(wang, wang2)) {
            ++stored_already;
            continue;
        }
        Customer c;
        c.id = store.next_id++;
        c.wang = wang;
        c.wang2 = wang2;
        c.time1 = parse_list_date(row[2]).value_or(0);
        c.time2 = parse_list_date(row[3]).value_or(0);
        c.bs = row[4];
        store.customers[c.id] = c;
        ++added;
    }
    std::string text = "导入完成：新增 " + std::to_string(added) + " 位客户。";
    std::string skipped;
    if (stored_already > 0) skipped = "已经登记过的 " + std::to_string(stored_already) + " 行";
    if (repeated > 0)
        skipped += (skipped.empty() ? "" : "，") + std::string("文件里重复的 ") +
                   std::to_string(repeated) + " 行";
    // Enter answers the question with its default, 否.
    if (!skipped.empty())
        text += "\r\n跳过：" + skipped + "。\r\n\r\n要查看没有导入的行吗？（行号和原因）";
    say(text, "导入客户", !skipped.empty());
    messages.back().default_no = !skipped.empty();
    dialogs.pop_back();
    reload();
}

void Model::cadence_ok() {
    const std::string days = cadence_dialog().days;
    const bool digits =
        !days.empty() && days.size() <= 4 &&
        std::all_of(days.begin(), days.end(), [](char c) { return c >= '0' && c <= '9'; });
    if (!digits || std::stoi(days) < 1 || std::stoi(days) > 365)
        return say("请填写1到365之间的天数。");
    if (!store.available) return say("保存失败，请稍后再试。");
    set_setting("cadence", std::to_string(std::stoi(days)), true);
    dialogs.pop_back();
    reload();
}

std::string Model::known_status(const StatusKey& key) const {
    const auto found = known_statuses.find(key);
    if (found == known_statuses.end() || clock - found->second.at >= 60) return "";
    return found->second.text;
}

std::pair<int, int> Model::rows_in_view() const {
    // A 24-pixel header, then rows of 28 pixels; one that shows only in part counts.
    return {top_row, (std::max(0, list_height - 24) + 27) / 28};
}

std::vector<Model::StatusKey> Model::keys_in_view() const {
    const auto [top, count] = rows_in_view();
    const int all = static_cast<int>(rows.size());
    const int first = std::clamp(top, 0, all);
    const int last = first + std::clamp(count, 0, all - first);
    std::vector<StatusKey> keys;
    for (int r = first; r < last; ++r) {
        const auto& row = rows[static_cast<std::size_t>(r)];
        keys.emplace_back(std::stoi(row[0]), row[3]);
    }
    return keys;
}

void Model::ask_statuses(bool everything) {
    std::vector<StatusKey> keys = keys_in_view();
    for (const auto& row : rows)
        keys.emplace_back(std::stoi(row[0]), row[3]);
    status_queue.clear();
    std::set<StatusKey> queued;
    for (const auto& key : keys) {
        const auto found = known_statuses.find(key);
        const bool fresh = found != known_statuses.end() && clock - found->second.at < 60;
        if ((everything || !fresh) && queued.insert(key).second) status_queue.push_back(key);
    }
    picture_pending = !status_queue.empty();
}

void Model::prefer_statuses(const std::vector<StatusKey>& keys) {
    std::vector<StatusKey> front, rest;
    for (const auto& key : keys)
        if (std::find(status_queue.begin(), status_queue.end(), key) != status_queue.end() &&
            std::find(front.begin(), front.end(), key) == front.end())
            front.push_back(key);
    for (const auto& key : status_queue)
        if (std::find(front.begin(), front.end(), key) == front.end()) rest.push_back(key);
    front.insert(front.end(), rest.begin(), rest.end());
    status_queue = std::move(front);
}

std::vector<std::string> Model::statuses_arrive(std::size_t how_many) {
    std::vector<std::string> asked;
    for (; how_many > 0 && statuses_waiting(); --how_many) {
        if (picture_pending) {
            picture_pending = false;
            asked.emplace_back("lanqiao_no_such_member_000000000000000");
            continue;
        }
        const StatusKey key = status_queue.front();
        status_queue.erase(status_queue.begin());
        asked.push_back(key.second);
        const std::string text = status_of(key.second);
        known_statuses[key] = {text, clock};
        // Kept for the customer, shown on their row as long as it still shows the ID asked.
        shown_statuses[key.first] = {key.second, text};
        for (auto& row : rows)
            if (row[0] == std::to_string(key.first) && row[3] == key.second) row[2] = text;
    }
    return asked;
}

void Model::scroll(int first) {
    const auto before = rows_in_view();
    top_row = std::max(0, first);
    if (rows_in_view() != before) prefer_statuses(keys_in_view());
}

double Model::selected_id() const {
    if (selected < 0 || selected >= static_cast<int>(rows.size())) return 0;
    return std::strtod(rows[static_cast<std::size_t>(selected)][0].c_str(), nullptr);
}

void Model::toolbar(int entry) {
    switch (entry) {
        case 0:
            open_editor(true);
            break;
        case 1:
            open_dialog(ManagerModel{store.available ? store.our_ids.value_or("") : "", false});
            break;
        case 3:
        case 4:
            closed_mode = entry == 4;
            gave_up_mode = false;
            reload();
            break;
        case 6:
            // "刷新状态" asks every listed customer again.
            refresh_all = true;
            reload();
            refresh_all = false;
            break;
        case 8:
            if (selected_id() - 1.0 < -0.0000001 && !rows.empty()) selected = 0;
            fit_row_menu();
            menu = "右键菜单";
            ++popups;
            break;
        case 10:
            shell_opened.push_back(kHomePage);
            break;
        default:
            break;  // separators and indexes past the end do nothing
    }
}

std::string Model::sheet(const std::string& kind) const {
    const std::string m = kMarker;
    std::string text = "序号" + m + "客户旺旺" + m + "我们的旺旺" + m + "第一次咨询日期" + m +
                       (kind == "a" ? "最后跟踪日期" : "交易日期") + m + "备注" + "\r\n";
    // The oldest customer first, each with its running number from the list.
    for (std::size_t i = rows.size(); i-- > 0;) {
        const auto& r = rows[i];
        text += r[1] + m + guarded(r[3]) + m + guarded(r[4]) + m + r[5] + m + r[6] + m +
                quoted_note(guarded(notes[i])) + "\r\n";
    }
    return to_gb18030(tabs_for_markers(text));
}

void Model::export_sheet(std::optional<std::string> path, bool writable) {
    ExportExpectation job;
    job.folder = std::string(kDesktop) + "\\";
    job.suffix = closed_mode ? "_已成交" : "_未成交";
    job.path = path;
    if (path) {
        const bool readable = store.available;
        reload();
        if (readable && writable) {
            job.contents = sheet(closed_mode ? "b" : "a");
            say("导出文档成功！", "恭喜：");
        } else {
            say("导出文档失败，请稍后再试。");
        }
    }
    export_job = std::move(job);
}

void Model::right_click_row() {
    if (selected_id() > 0.0000001) {
        fit_row_menu();
        menu = "右键菜单";
        ++popups;
    }
}

void Model::right_click_window() {
    menu = "更多功能";
    ++popups;
}

void Model::double_click() {
    picked_id = static_cast<std::int32_t>(std::trunc(selected_id()));
    picked.assign(5, "");
    if (selected >= 0 && selected < static_cast<int>(rows.size())) {
        for (int c = 0; c < 5; ++c)
            picked[static_cast<std::size_t>(c)] =
                rows[static_cast<std::size_t>(selected)][static_cast<std::size_t>(c + 3)];
        picked[4] = notes[static_cast<std::size_t>(selected)];  // the note as stored
        picked_tags = rows[static_cast<std::size_t>(selected)][9];
    } else {
        picked_tags.clear();
    }
    open_editor(false);
}

void Model::open_dialog(DialogModel d) {
    opened_forms.push_back(form_name(d));
    dialogs.push_back(std::move(d));
}

void Model::open_editor(bool new_mode) {
    EditorModel e;
    e.new_mode = new_mode;
    if (store.available) e.choices = our_id_entries(store.our_ids.value_or(""));
    e.fill_failed = !store.available;
    if (new_mode) {
        e.first = e.last = now();
    } else {
        e.id = picked_id;
        e.chosen = choose_entry(e.choices, picked[1]);
        e.id_box = picked[0];
        // The note as the list loaded it.
        e.note = picked[4];
        auto first = parse_list_date(picked[2]);
        e.first = first ? BoxDate{*first, false} : now();
        const auto it = std::find_if(loaded.begin(), loaded.end(),
                                     [&](const Customer& c) { return c.id == picked_id; });
        if (it != loaded.end() && it->next != 0) {
            e.has_next = true;
            e.next = it->next;
        }
        // The follow-up as the list loaded it, whatever its column shows (a deal date in the
        // closed list, or in a list kept over a switch the store was away for): whole in the
        // closed list, its day otherwise.
        if (it == loaded.end())
            e.last = now();
        else
            e.last = {closed_mode ? it->time2 : std::trunc(it->time2), false};
    }
    open_dialog(std::move(e));
}

void Model::type_skin(const std::string& text) {
    skin_text = text;
    attach_selector();
}

void Model::attach_selector() {
    attaches.push_back(skin_number(skin_text));
    if (store.available) store.skin = skin_text;
}

void Model::resize(int width, int height) {
    const auto before = rows_in_view();
    list_width = width - 6;
    list_height = height - 76;
    window_width = width;
    fit_note();
    // Rows that come into view go to the front of what waits to be asked.
    if (rows_in_view() != before) prefer_statuses(keys_in_view());
}

void Model::tray() {
    visible = !visible;
}

void Model::menu_item(const std::string& item, bool answer_yes) {
    menu.clear();
    const auto id = static_cast<std::int32_t>(std::trunc(selected_id()));
    const std::string customer_id = selected >= 0 && selected < static_cast<int>(rows.size())
                                        ? rows[static_cast<std::size_t>(selected)][3]
                                        : std::string();
    const auto found = store.customers.find(id);
    if (item == "修改客户") {
        double_click();
    } else if (item == "联系客户") {
        chats.push_back(chat_address(customer_id));
        opened_forms.push_back("ChatLauncher");
        ++launchers_open;
    } else if (item == "查询客户") {
        shell_opened.push_back(profile_address(customer_id));
    } else if (item == "登记交易") {
        if (id > 0) open_dialog(DealModel{id, now()});
    } else if (item == "转为未成交客户") {
        if (id <= 0) return;
        if (!store.available) return say_file_gone();
        if (found == store.customers.end()) {
            say(kCustomerGone);
        } else {
            found->second.closed = false;  // the deal date stays
        }
        reload();
    } else if (item == "删除客户") {
        if (id <= 0) return;
        say("确定要删除该客户信息吗？\r\n删除的客户在“最近删除…”里保留 30 天，可以恢复。",
            "温馨提示：", true);
        if (!answer_yes) return;
        if (!store.available) return say_file_gone();
        if (found == store.customers.end())
            say(kCustomerGone);
        else
            to_bin(id, "SHOP-PC");
        reload();
    } else if (item == "放弃跟进…") {
        if (id <= 0 || closed_mode || gave_up_mode) return;
        GiveUpModel g{id, {"嫌贵", "买了别家", "联系不上", "不需要了"}, "嫌贵"};
        if (store.available)
            g.reasons.insert(g.reasons.end(), store.reasons.begin(), store.reasons.end());
        open_dialog(g);
    } else if (item == "重新跟进") {
        if (id <= 0 || !gave_up_mode) return;
        if (!store.available) return say_file_gone();
        if (found == store.customers.end()) {
            say(kCustomerGone);
        } else {
            found->second.gave_up = 0;
            found->second.reason.clear();
            found->second.log.insert(found->second.log.begin(), {found->second.wang2, "重新跟进"});
        }
        reload();
    } else if (item == "已放弃客户") {
        toggle_given_up();
    } else if (item == "最近删除…") {
        open_bin();
    } else if (item == "显示“标签”列") {
        toggle_tags_column();
    } else if (item == "标签管理…") {
        opened_forms.push_back("TagManager");
        if (!store.available) return say("标签没能读出，请稍后再试。");
        dialogs.push_back(TagManagerModel{"", store.tags.empty() ? -1 : 0});
    } else if (item == "设置标签…") {
        open_picker(id);
    } else if (item == "查看图表") {
        ChartModel c;
        if (store.available) std::tie(c.open, c.closed) = open_and_closed(store);
        open_dialog(c);
    } else if (item == "店铺统计…") {
        FiguresModel f;
        f.days = dialogs::period_for(0, dialogs::now_as_date(), 0, 0);
        count_figures(f);
        open_dialog(f);
    } else if (item == "恢复备份…") {
        RestoreModel r;
        for (auto it = copies.rbegin(); it != copies.rend(); ++it)
            r.counts.push_back(open_and_closed(it->store));
        open_dialog(r);
    } else if (item == "跟进设置…") {
        open_dialog(CadenceModel{std::to_string(cadence())});
    } else if (item == "只看待跟进") {
        toggle_due_only();
    } else if (item == "加入官方群") {
        say("这个版本没有设置官方群。");  // no invitation key
    } else {
        throw std::logic_error("no menu item " + item);
    }
}

EditorModel& Model::editor() {
    return std::get<EditorModel>(dialogs.back());
}
ManagerModel& Model::manager() {
    return std::get<ManagerModel>(dialogs.back());
}
DealModel& Model::deal() {
    return std::get<DealModel>(dialogs.back());
}
ChartModel& Model::chart() {
    return std::get<ChartModel>(dialogs.back());
}

void Model::editor_type_id(const std::string& text) {
    editor().id_box = text;
}

void Model::editor_leave_id() {
    EditorModel& e = editor();
    e.id_box = clean_id(e.id_box);
    e.contact_visible = !e.id_box.empty();
}

void Model::editor_choose(int index) {
    EditorModel& e = editor();
    e.chosen = index >= 0 && index < static_cast<int>(e.choices.size()) ? index : -1;
}

void Model::editor_dates(std::optional<double> first, std::optional<double> last) {
    EditorModel& e = editor();
    if (first) e.first = {*first, false};
    if (last) e.last = {*last, false};
}

void Model::editor_note(const std::string& text) {
    editor().note = text;
}

void Model::editor_next(std::optional<double> day) {
    EditorModel& e = editor();
    if (!day) {
        e.has_next = !e.has_next;
        return;
    }
    e.next = *day;
    e.has_next = true;  // a day picked is a day meant
}

void Model::editor_contact() {
    chats.push_back(chat_address(editor().id_box));
    opened_forms.push_back("ChatLauncher");
    ++launchers_open;
}

void Model::editor_manage() {
    open_dialog(ManagerModel{store.available ? store.our_ids.value_or("") : "", true});
}

bool Model::duplicate(const std::string& wang, const std::string& wang2,
                      std::int32_t except) const {
    for (const auto& [id, c] : store.customers)
        if (id != except && same_text_ignoring_case(c.wang, wang) &&
            same_text_ignoring_case(c.wang2, wang2))
            return true;
    return false;
}

void Model::editor_save() {
    EditorModel& e = editor();
    e.id_box = clean_id(e.id_box);
    const std::string id = e.id_box;
    const std::string ours = e.chosen >= 0 ? e.choices[static_cast<std::size_t>(e.chosen)] : "";
    if (id.empty()) return say("客户的旺旺号还没输入哦！");
    if (ours.empty() && e.choices.empty() && e.fill_failed) return say_file_gone();
    if (ours.empty()) return say("该客户是在我们哪家店？哪一个旺旺号上咨询的呢？！");
    if (utf16_units(id) > 50) return say("客户的旺旺号太长了，最多50个字！");
    if (utf16_units(ours) > 50)
        return say("我们的旺旺号太长了，最多50个字！请在“管理我们的旺旺”里改短后再选。");
    if (!store.available) return say_file_gone();
    Customer c;
    if (e.new_mode) {
        if (duplicate(id, ours)) return say("请勿重复添加客户！");
        c.id = store.next_id++;
    } else {
        auto it = store.customers.find(e.id);
        if (it == store.customers.end()) {
            say("这个客户已经不在了，修改没有保存。");
            return reload();  // the editor stays open with what was typed
        }
        if (duplicate(id, ours, e.id)) return say("您修改后的客户已存在，请勿重复添加！");
        c = it->second;  // the deal state and date stay
    }
    c.wang = id;
    c.wang2 = ours;
    c.time1 = kept(e.first.value);
    c.time2 = kept(e.last.value);
    c.bs = e.note;
    c.next = e.has_next ? (e.next != 0 ? std::floor(e.next) : std::floor(now_low) + 1) : 0;
    store.customers[c.id] = c;
    say("保存成功！", "恭喜：");
    dialogs.pop_back();
    reload();
}

void Model::manager_type(const std::string& text) {
    manager().box = text;
}

void Model::manager_save() {
    ManagerModel& m = manager();
    m.box = clean_id(m.box + "\r\n");
    if (!store.available) return say_file_gone();
    store.our_ids = m.box;
    const bool from_editor = m.from_editor;
    dialogs.pop_back();
    if (!from_editor) return;
    // The editor below offers the saved IDs, keeping its choice where the entry is still there.
    EditorModel& e = editor();
    const std::string keep = e.chosen >= 0 ? e.choices[static_cast<std::size_t>(e.chosen)] : "";
    e.choices = our_id_entries(*store.our_ids);
    e.chosen = choose_entry(e.choices, keep);
    e.fill_failed = false;
}

void Model::deal_date(double date) {
    deal().date = {date, false};
}

void Model::deal_ok() {
    DealModel& d = deal();
    if (!store.available) return say_file_gone();
    auto it = store.customers.find(d.target);
    if (it != store.customers.end()) {
        it->second.time3 = kept(d.date.value);
        it->second.closed = true;
    } else {
        say(kCustomerGone);  // deleted meanwhile: nobody to close a deal for
    }
    dialogs.pop_back();
    reload();
}

FiguresModel& Model::figures() {
    return std::get<FiguresModel>(dialogs.back());
}

void Model::count_figures(FiguresModel& f) {
    if (!store.available) return say("店铺统计没能读出数据，请稍后再试。");
    // Per our ID: who first asked within the days and which of them bought since, the deals
    // within the days and the median days to them. The shop's list of IDs first, in its order.
    std::map<std::string, store::OurIdFigures> by_id;
    std::map<std::string, std::vector<double>> days;
    std::vector<double> all_days;
    const auto within = [&](double when) {
        const double at = store::linear_days(when);
        return at >= f.days.from && at < f.days.to;
    };
    for (const auto& [id, c] : store.customers) {
        if (within(c.time1)) {
            ++by_id[c.wang2].enquiries;
            if (c.closed) ++by_id[c.wang2].converted;
        }
        if (c.closed && c.time3 && within(*c.time3)) {
            ++by_id[c.wang2].deals;
            const double took = store::linear_days(*c.time3) - store::linear_days(c.time1);
            days[c.wang2].push_back(took);
            all_days.push_back(took);
        }
    }
    store::ShopFigures out;
    const auto listed = our_id_entries(store.our_ids.value_or(""));
    for (const std::string& id : listed)
        by_id.try_emplace(id);
    for (auto& [id, figures] : by_id)
        figures.our_id = id;
    for (const std::string& id : listed)
        if (std::none_of(out.ids.begin(), out.ids.end(),
                         [&](const auto& r) { return r.our_id == id; }))
            out.ids.push_back(by_id[id]);
    for (auto& [id, figures] : by_id)
        if (std::find(listed.begin(), listed.end(), id) == listed.end()) out.ids.push_back(figures);
    for (store::OurIdFigures& row : out.ids) {
        auto& mine = days[row.our_id];
        row.median_days = store::median_of(mine);
        out.total.enquiries += row.enquiries;
        out.total.deals += row.deals;
        out.total.converted += row.converted;
    }
    out.total.median_days = store::median_of(all_days);
    f.counted = std::move(out);
    f.shown = true;
}

void Model::figures_period(int choice) {
    FiguresModel& f = figures();
    f.period = choice;
    f.days = dialogs::period_for(choice, dialogs::now_as_date(), f.days.from, f.days.to - 1);
    count_figures(f);
}

void Model::figures_sort(int column) {
    FiguresModel& f = figures();
    f.descending = f.sort_column == column ? !f.descending : column > 0;
    f.sort_column = column;
}

void Model::chart_toggle() {
    ChartModel& c = chart();
    c.checked = !c.checked;
    c.three_d = c.checked;
}

void Model::close_dialog() {
    const DialogModel closing = dialogs.back();
    dialogs.pop_back();
    if (auto* p = std::get_if<TagPickerModel>(&closing); p && !p->from_editor)
        picker_closed = p->target;
}

TagManagerModel& Model::tag_manager() {
    return std::get<TagManagerModel>(dialogs.back());
}

namespace {

constexpr const char* kPickTagFirst = "请先在列表里选中一个标签。";

// Why a tag cannot be named `name` beside the shop's others (`except`: the one renamed).
std::string tag_problem(const StoreModel& store, const std::string& name, int except) {
    const bool bad = name.empty() || name.find_first_of(" \t,#\r\n") != std::string::npos ||
                     name.find("\u3000") != std::string::npos ||
                     name.find("\uFF0C") != std::string::npos;
    if (bad) return "标签名不能为空，也不能有空格、逗号或 #。";
    if (utf16_units(name) > 50) return "标签名最多 50 个字。";
    for (const auto& [key, other] : store.tags)
        if (key != except && same_text_ignoring_case(other, name)) return "已经有这个标签了。";
    return {};
}

std::string trimmed_blanks(std::string text) {
    text.erase(0, std::min(text.size(), text.find_first_not_of(" \t")));
    text.erase(text.find_last_not_of(" \t") + 1);
    return text;
}

}  // namespace

void Model::tags_stored(std::vector<std::pair<int, std::string>> wanted, int select) {
    if (!store.available) return say_file_gone();
    // A tag left out goes from every customer, those in the bin too.
    const auto kept = [&](int key) {
        return std::any_of(wanted.begin(), wanted.end(),
                           [&](const auto& t) { return t.first == key; });
    };
    for (auto& [id, c] : store.customers)
        std::erase_if(c.tags, [&](int key) { return !kept(key); });
    for (auto& b : store.bin)
        std::erase_if(b.customer.tags, [&](int key) { return !kept(key); });
    store.tags = std::move(wanted);
    const int n = static_cast<int>(store.tags.size());
    tag_manager().selected = n == 0 ? -1 : std::clamp(select, 0, n - 1);
    reload();
}

void Model::tag_add() {
    TagManagerModel& m = tag_manager();
    const std::string name = trimmed_blanks(m.name);
    if (const std::string problem = tag_problem(store, name, 0); !problem.empty())
        return say(problem);
    auto wanted = store.tags;
    wanted.emplace_back(store.next_tag_key++, name);
    m.name.clear();
    tags_stored(wanted, static_cast<int>(wanted.size()) - 1);
}

void Model::tag_rename() {
    TagManagerModel& m = tag_manager();
    const int row = m.selected;
    if (row < 0 || row >= static_cast<int>(store.tags.size())) return say(kPickTagFirst);
    const std::string name = trimmed_blanks(m.name);
    auto wanted = store.tags;
    auto& entry = wanted[static_cast<std::size_t>(row)];
    if (const std::string problem = tag_problem(store, name, entry.first); !problem.empty())
        return say(problem);
    entry.second = name;
    tags_stored(wanted, row);
}

void Model::tag_remove(bool yes) {
    const int row = tag_manager().selected;
    if (row < 0 || row >= static_cast<int>(store.tags.size())) return say(kPickTagFirst);
    say("确定要删除标签“" + store.tags[static_cast<std::size_t>(row)].second +
            "”吗？\r\n有这个标签的客户会去掉它。",
        "温馨提示：", true);
    if (!yes) return;
    auto wanted = store.tags;
    wanted.erase(wanted.begin() + row);
    tags_stored(wanted, row);
}

void Model::tag_move(int by) {
    const int row = tag_manager().selected;
    if (row < 0 || row >= static_cast<int>(store.tags.size())) return say(kPickTagFirst);
    const int to = row + by;
    if (to < 0 || to >= static_cast<int>(store.tags.size())) return;
    auto wanted = store.tags;
    std::swap(wanted[static_cast<std::size_t>(row)], wanted[static_cast<std::size_t>(to)]);
    tags_stored(wanted, to);
}

void Model::tag_double_click() {
    TagManagerModel& m = tag_manager();
    if (m.selected >= 0 && m.selected < static_cast<int>(store.tags.size()))
        m.name = store.tags[static_cast<std::size_t>(m.selected)].second;
}

TagPickerModel& Model::tag_picker() {
    return std::get<TagPickerModel>(dialogs.back());
}

void Model::editor_tags() {
    const EditorModel& e = editor();
    if (!e.new_mode && e.id > 0) open_picker(e.id, true);
}

void Model::open_picker(std::int32_t id, bool from_editor) {
    if (id <= 0) return;
    opened_forms.push_back("TagPicker");
    if (!store.available) {
        say("标签没能读出，请稍后再试。");
        // Closed as it opened: the command goes on at once.
        if (!from_editor) after_picker(id);
        return;
    }
    TagPickerModel p;
    p.target = id;
    p.from_editor = from_editor;
    // Ticked: the tags the row showed (the editor's: as it last left them), by name.
    std::string shown_tags;
    if (from_editor)
        shown_tags = picked_tags;
    else if (selected >= 0 && selected < static_cast<int>(rows.size()))
        shown_tags = rows[static_cast<std::size_t>(selected)][9];
    for (const auto& [key, name] : store.tags)
        if ((" " + shown_tags + " ").find(" #" + name + " ") != std::string::npos)
            p.ticked.push_back(key);
    dialogs.push_back(p);
    picker_filter("");
}

void Model::picker_filter(const std::string& text) {
    TagPickerModel& p = tag_picker();
    p.filter = text;
    p.shown.clear();
    const std::string needle = search_text(text);
    for (const auto& [key, name] : store.tags)
        if (search_text(name).find(needle) != std::string::npos) p.shown.push_back(key);
    p.selected = p.shown.empty() ? -1 : 0;
}

void Model::picker_toggle() {
    TagPickerModel& p = tag_picker();
    if (p.selected < 0 || p.selected >= static_cast<int>(p.shown.size())) return;
    const int key = p.shown[static_cast<std::size_t>(p.selected)];
    const auto at = std::find(p.ticked.begin(), p.ticked.end(), key);
    if (at == p.ticked.end())
        p.ticked.push_back(key);
    else
        p.ticked.erase(at);
}

void Model::picker_step(int by) {
    TagPickerModel& p = tag_picker();
    const int n = static_cast<int>(p.shown.size());
    if (n > 0) p.selected = std::clamp(p.selected + by, 0, n - 1);
}

void Model::picker_ok() {
    const TagPickerModel p = tag_picker();
    if (!store.available) return say_file_gone();
    const auto found = store.customers.find(p.target);
    if (found == store.customers.end())
        say(kCustomerGone);
    else
        found->second.tags = p.ticked;
    dialogs.pop_back();
    reload();
    if (p.from_editor) {
        // The editor holds its customer's tags as ticked; the list lost its selection.
        std::vector<int> ordered;
        for (const auto& [key, name] : store.tags)
            if (std::find(p.ticked.begin(), p.ticked.end(), key) != p.ticked.end())
                ordered.push_back(key);
        picked_tags = store.tags_text(ordered);
        return;
    }
    select_customer(p.target);
    picker_closed = p.target;
}

void Model::picker_returned() {
    if (picker_closed > 0) after_picker(std::exchange(picker_closed, 0));
}

// The first tags set bring the tags' column into view.
void Model::after_picker(std::int32_t id) {
    if (tags_column || selected < 0 || selected >= static_cast<int>(rows.size())) return;
    const auto& row = rows[static_cast<std::size_t>(selected)];
    if (row[0] != std::to_string(id) || row[9].empty()) return;
    tags_column = true;
    fit_note();
    if (store.available || whole_seconds) set_setting("tags_column", "1", false);
}

void Model::store_away() {
    store.available = false;
}

void Model::store_back() {
    store.available = true;
}

void Model::other_copy_deletes(std::int32_t id, double low) {
    const double keep = now_low;
    now_low = low;
    to_bin(id, "");
    now_low = keep;
}

void Model::to_bin(std::int32_t id, const std::string& pc) {
    const auto found = store.customers.find(id);
    if (found == store.customers.end()) return;
    Binned b;
    b.customer = found->second;
    b.low = kept(now_low);
    b.pc = pc;
    store.bin.push_back(std::move(b));
    store.customers.erase(found);
}

std::vector<std::size_t> Model::bin_order() const {
    std::vector<std::size_t> order(store.bin.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        order[i] = order.size() - 1 - i;
    std::stable_sort(order.begin(), order.end(), [this](std::size_t a, std::size_t b) {
        return store.bin[a].deleted_at > store.bin[b].deleted_at;
    });
    return order;
}

void Model::open_bin() {
    opened_forms.push_back("RecentlyDeleted");
    if (!store.available) return say("最近删除的客户没能读出，请稍后再试。");
    BinModel b{bin_order(), -1};
    if (!b.rows.empty()) b.selected = 0;
    dialogs.push_back(b);
}

GiveUpModel& Model::give_up() {
    return std::get<GiveUpModel>(dialogs.back());
}

void Model::give_up_choose(int index) {
    GiveUpModel& g = give_up();
    if (index >= 0 && index < static_cast<int>(g.reasons.size()))
        g.text = g.reasons[static_cast<std::size_t>(index)];
}

void Model::give_up_ok(double when) {
    const GiveUpModel g = give_up();
    std::string reason = g.text;
    reason.erase(0, std::min(reason.size(), reason.find_first_not_of(" \t")));
    reason.erase(reason.find_last_not_of(" \t") + 1);
    if (reason.empty()) return say("请选择或填写放弃的原因。");
    if (utf16_units(reason) > 50) return say("放弃的原因最多 50 个字。");
    if (!store.available) return say_file_gone();
    const auto found = store.customers.find(g.target);
    if (found == store.customers.end()) {
        say(kCustomerGone);
    } else {
        found->second.gave_up = kept(when);
        found->second.reason = reason;
        found->second.log.insert(found->second.log.begin(),
                                 {found->second.wang2, "放弃跟进：" + reason});
        const auto same = [&](const std::string& r) { return same_text_ignoring_case(r, reason); };
        if (std::none_of(g.reasons.begin(), g.reasons.begin() + 4, same) &&
            std::none_of(store.reasons.begin(), store.reasons.end(), same))
            store.reasons.push_back(reason);
    }
    dialogs.pop_back();
    reload();
}

BinModel& Model::bin_dialog() {
    return std::get<BinModel>(dialogs.back());
}

void Model::put_back(bool all) {
    BinModel& b = bin_dialog();
    std::vector<std::size_t> chosen;
    if (all) {
        chosen = b.rows;
    } else if (b.selected >= 0) {
        chosen.push_back(b.rows[static_cast<std::size_t>(b.selected)]);
    }
    if (chosen.empty()) return say("请先选中要恢复的客户。");
    if (!store.available) return say_file_gone();
    int back = 0, left = 0;
    std::vector<bool> gone(store.bin.size(), false);
    for (std::size_t at : chosen) {
        const Customer& c = store.bin[at].customer;
        if (duplicate(c.wang, c.wang2)) {
            ++left;
            continue;
        }
        Customer restored = c;
        restored.id = store.next_id++;
        store.customers[restored.id] = restored;
        gone[at] = true;
        ++back;
    }
    std::vector<Binned> kept_entries;
    for (std::size_t i = 0; i < store.bin.size(); ++i)
        if (!gone[i]) kept_entries.push_back(std::move(store.bin[i]));
    store.bin = std::move(kept_entries);
    std::string text = "已恢复 " + std::to_string(back) + " 位客户。";
    if (left > 0)
        text += "\r\n另有 " + std::to_string(left) +
                " 位没有恢复：客户列表里已经有同样客户旺旺名和我们旺旺名的客户。";
    say(text);
    reload();
    BinModel& now = bin_dialog();
    now.rows = bin_order();
    now.selected = now.rows.empty() ? -1 : 0;
}

void Model::other_copy_adds(const Customer& c) {
    if (duplicate(c.wang, c.wang2)) return;
    Customer added = c;
    added.id = store.next_id++;
    added.time1 = kept(c.time1);
    added.time2 = kept(c.time2);
    store.customers[added.id] = added;
}

}  // namespace stress
