#include "tests/stress/checker.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>

#include "dialogs/shop_figures_table.h"
#include "forms/forms.h"
#include "tests/stress/text_rules.h"

namespace stress {

namespace {

using runtime::headless::HeadlessWindow;
namespace fs = std::filesystem;

constexpr double kSecond = 1.0 / 86400;

// Text as a reader can see it: line breaks and TABs spelled out, long texts cut short.
std::string shown(const std::string& s) {
    std::string out;
    for (char c : s) {
        if (c == '\r') {
            out += "\\r";
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\t') {
            out += "\\t";
        } else {
            out += c;
        }
    }
    if (out.size() > 240) out = out.substr(0, 200) + "...(" + std::to_string(s.size()) + " bytes)";
    return "\"" + out + "\"";
}

std::string shown(const std::optional<std::string>& s) {
    return s ? shown(*s) : "null";
}

std::string shown(double d) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.17g (%s)", d, list_date(d).c_str());
    return buf;
}

std::string shown(const std::optional<double>& d) {
    return d ? shown(*d) : "null";
}

std::string shown(bool b) {
    return b ? "true" : "false";
}

std::string shown(int n) {
    return std::to_string(n);
}

std::string shown(const std::vector<std::string>& v) {
    std::string out = "[";
    for (std::size_t i = 0; i < v.size(); ++i)
        out += (i ? ", " : "") + shown(v[i]);
    return out + "]";
}

std::string shown(const std::vector<int>& v) {
    std::string out = "[";
    for (std::size_t i = 0; i < v.size(); ++i)
        out += (i ? ", " : "") + std::to_string(v[i]);
    return out + "]";
}

std::string shown(const std::vector<std::pair<std::string, std::string>>& v) {
    std::string out = "[";
    for (std::size_t i = 0; i < v.size(); ++i)
        out += (i ? ", " : "") + shown(v[i].first) + ":" + shown(v[i].second);
    return out + "]";
}

template <class T>
std::string differ(const std::string& what, const T& expected, const T& actual) {
    if (expected == actual) return {};
    return what + ": expected " + shown(expected) + ", got " + shown(actual);
}

#define LQ_RETURN_IF(expr)              \
    do {                                \
        std::string why_ = (expr);      \
        if (!why_.empty()) return why_; \
    } while (0)

bool same_date(double a, double b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// A box that showed "now" must show a moment of this action; the model takes it from there.
std::string box_date(const std::string& what, BoxDate& expected, double actual, double low) {
    if (expected.now) {
        const double high = local_now();
        if (actual < low - kSecond || actual > high + kSecond)
            return what + ": expected the current moment between " + shown(low) + " and " +
                   shown(high) + ", got " + shown(actual);
        expected = {actual, false};
        return {};
    }
    if (!same_date(expected.value, actual))
        return what + ": expected " + shown(expected.value) + ", got " + shown(actual);
    return {};
}

std::optional<std::string> file_bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace

Checker::Checker(Program& program, std::string source_dir)
    : program_(program), source_dir_(std::move(source_dir)) {}

const std::vector<std::uint8_t>& Checker::skin(int number) {
    if (skins_.empty()) {
        skins_.resize(34);
        for (int n = 1; n <= 33; ++n) {
            char name[32];
            std::snprintf(name, sizeof name, "/skin/skins/%02d.she", n);
            auto bytes = file_bytes(source_dir_ + name);
            if (!bytes) throw std::runtime_error(std::string("cannot read ") + name);
            skins_[static_cast<std::size_t>(n)].assign(bytes->begin(), bytes->end());
        }
    }
    return skins_[static_cast<std::size_t>(number)];
}

namespace {

// A customer of the model against its stored row, column by column.
std::string same_customer(const std::string& who, const Customer& c, const StoredRow& r) {
    LQ_RETURN_IF(differ(who + "wang", std::optional(c.wang), r.wang));
    LQ_RETURN_IF(differ(who + "wang2", std::optional(c.wang2), r.wang2));
    LQ_RETURN_IF(differ(who + "bs", std::optional(c.bs), r.bs));
    if (!r.time1 || !same_date(*r.time1, c.time1))
        return differ(who + "time1", std::optional(c.time1), r.time1);
    if (!r.time2 || !same_date(*r.time2, c.time2))
        return differ(who + "time2", std::optional(c.time2), r.time2);
    // yn is never written on insert: a new row reads as open.
    LQ_RETURN_IF(differ(who + "yn", c.closed, r.yn.value_or(false)));
    if (c.time3.has_value() != r.time3.has_value() || (c.time3 && !same_date(*c.time3, *r.time3)))
        return differ(who + "time3", c.time3, r.time3);
    return {};
}

}  // namespace

std::string Checker::store(Model& m) {
    if (!program_.on_server() && !m.store.available && fs::exists(program_.database()))
        return "a file is at the database path while the database is away";
    std::string why;
    auto file = program_.read_store(m.store.available, &why);
    if (!file) return "the database does not read: " + why;
    std::map<std::int64_t, const StoredRow*> stored;
    for (const auto& r : file->customers)
        if (!stored.emplace(r.id, &r).second)
            return "customer id " + std::to_string(r.id) + " twice";
    if (stored.size() != m.store.customers.size())
        return "customers stored: expected " + std::to_string(m.store.customers.size()) + ", got " +
               std::to_string(stored.size());
    // Whose each kept row is: a customer's number, or a bin entry's negated.
    std::map<std::int64_t, const Customer*> owners;
    for (const auto& [id, c] : m.store.customers) {
        auto it = stored.find(id);
        if (it == stored.end()) return "customer " + std::to_string(id) + " is not stored";
        LQ_RETURN_IF(same_customer("customer " + std::to_string(id) + " ", c, *it->second));
        owners[id] = &c;
    }
    if (file->bin.size() != m.store.bin.size())
        return "customers in the bin: expected " + std::to_string(m.store.bin.size()) + ", got " +
               std::to_string(file->bin.size());
    for (std::size_t i = 0; i < m.store.bin.size(); ++i) {
        Binned& b = m.store.bin[i];
        const BinRow& r = file->bin[i];
        const std::string who = "bin entry " + std::to_string(i) + " ";
        LQ_RETURN_IF(differ(who + "customer", static_cast<int>(b.customer.id),
                            static_cast<int>(r.customer)));
        LQ_RETURN_IF(same_customer(who, b.customer, r.row));
        LQ_RETURN_IF(differ(who + "PC", std::optional(b.pc), r.deleted_on));
        const double at = r.deleted_at.value_or(0);
        if (!b.at_known) {
            if (at < b.low - kSecond || at > local_now() + kSecond)
                return who + "deleted at " + shown(at) + ", not the moment of the delete";
            b.deleted_at = at;
            b.at_known = true;
        }
        if (!same_date(at, b.deleted_at)) return differ(who + "deleted at", b.deleted_at, at);
        owners[-r.id] = &b.customer;
    }
    // What the program keeps beside each customer, and nothing of a customer gone.
    std::map<std::int64_t, const KeptRow*> steps;
    for (const KeptRow& k : file->steps) {
        const auto c = owners.find(k.customer);
        if (c == owners.end())
            return "a next step is kept for customer " + std::to_string(k.customer) + ", gone";
        if (k.wang != c->second->wang)
            return differ("the next step's buyer of " + std::to_string(k.customer),
                          std::optional(c->second->wang), k.wang);
        steps[k.customer] = &k;
    }
    std::map<std::int64_t, std::vector<std::pair<std::string, std::string>>> logs;
    for (const KeptRow& k : file->log)  // oldest first: each goes in front
        logs[k.customer].insert(logs[k.customer].begin(),
                                {k.our_id.value_or(""), k.said.value_or("")});
    // The shop's tags by name, and each customer's as names in the shop's order.
    std::vector<std::string> tag_names, model_tags;
    std::map<std::int64_t, std::string> tag_name;
    for (const auto& [id, name] : file->tags) {
        tag_names.push_back(name);
        tag_name[id] = "#" + name;
    }
    for (const auto& [key, name] : m.store.tags)
        model_tags.push_back(name);
    LQ_RETURN_IF(differ("the shop's tags", model_tags, tag_names));
    const auto stored_tags = [&](const KeptRow* k) {
        std::string text;
        if (!k || !k->tags) return text;
        for (const auto& [id, name] : file->tags)
            if (k->tags->find("," + std::to_string(id) + ",") != std::string::npos)
                text += (text.empty() ? "" : " ") + tag_name[id];
        return text;
    };
    for (const auto& [number, c] : owners) {
        const std::string who = "customer " + std::to_string(number) + " ";
        const KeptRow* k = steps.count(number) ? steps[number] : nullptr;
        LQ_RETURN_IF(differ(who + "tags", m.store.tags_text(c->tags), stored_tags(k)));
        LQ_RETURN_IF(differ(who + "next date", c->next, k ? k->next.value_or(0) : 0.0));
        LQ_RETURN_IF(differ(who + "given up", c->gave_up, k ? k->gave_up.value_or(0) : 0.0));
        LQ_RETURN_IF(differ(who + "reason", c->reason, k ? k->reason.value_or("") : ""));
        LQ_RETURN_IF(differ(who + "follow-up log", c->log, logs[number]));
        logs.erase(number);
    }
    if (!logs.empty())
        return "follow-ups are kept for customer " + std::to_string(logs.begin()->first) + ", gone";
    LQ_RETURN_IF(differ("the shop's reasons", m.store.reasons, file->reasons));
    const std::optional<std::string> row2 = m.store.row2_text();
    std::vector<std::pair<std::int64_t, std::optional<std::string>>> settings = {
        {1, m.store.our_ids}, {2, row2}, {3, m.store.skin}};
    auto got = file->settings;
    std::sort(got.begin(), got.end());
    if (got.size() != 3) return "settings rows: expected 3, got " + std::to_string(got.size());
    for (std::size_t i = 0; i < 3; ++i) {
        LQ_RETURN_IF(differ("settings row id", static_cast<int>(settings[i].first),
                            static_cast<int>(got[i].first)));
        LQ_RETURN_IF(differ("settings row " + std::to_string(settings[i].first), settings[i].second,
                            got[i].second));
    }
    return {};
}

std::string Checker::list_and_main(const Model& m) {
    HeadlessWindow& w = program_.main();
    const char* list = forms::main::kList;
    LQ_RETURN_IF(differ("column 6 title", m.column6, w.column_title(list, 6)));
    auto rows = w.rows(list);
    if (rows != m.rows) {
        if (rows.size() != m.rows.size())
            return "list rows: expected " + std::to_string(m.rows.size()) + ", got " +
                   std::to_string(rows.size());
        for (std::size_t r = 0; r < rows.size(); ++r)
            LQ_RETURN_IF(differ("list row " + std::to_string(r), m.rows[r], rows[r]));
    }
    LQ_RETURN_IF(differ("selected row", m.selected, w.selected_row(list)));
    LQ_RETURN_IF(differ("main window visible", m.visible, w.visible("")));
    LQ_RETURN_IF(differ("list width", m.list_width, w.placement(list).width));
    LQ_RETURN_IF(differ("list height", m.list_height, w.placement(list).height));
    LQ_RETURN_IF(differ("note column width", m.note_width, w.column_width(list, 7)));
    LQ_RETURN_IF(differ("skin selector", m.skin_text, w.text(forms::main::kSkinSelector)));
    LQ_RETURN_IF(differ("pop-up menus shown", m.popups, static_cast<int>(w.popups().size())));
    if (!m.menu.empty()) LQ_RETURN_IF(differ("menu shown", m.menu, w.popups().back()));
    LQ_RETURN_IF(differ("登记交易 visible", m.deal_item, w.menu_item_visible("登记交易")));
    LQ_RETURN_IF(
        differ("转为未成交客户 visible", m.revert_item, w.menu_item_visible("转为未成交客户")));
    LQ_RETURN_IF(
        differ("放弃跟进… visible", m.give_up_item, w.menu_item_visible(forms::main::kGiveUpItem)));
    LQ_RETURN_IF(
        differ("重新跟进 visible", m.resume_item, w.menu_item_visible(forms::main::kResumeItem)));
    LQ_RETURN_IF(differ("已放弃客户 ticked", m.gave_up_mode,
                        w.menu_item_checked(forms::main::kGivenUpItem)));
    LQ_RETURN_IF(
        differ("标签 column ticked", m.tags_column, w.menu_item_checked(forms::main::kTagsItem)));
    LQ_RETURN_IF(differ("标签 column width", m.tags_column ? 120 : 0, w.column_width(list, 9)));
    std::vector<int> tones;
    for (int r = 0; r < static_cast<int>(rows.size()); ++r)
        tones.push_back(w.row_tone(list, r));
    LQ_RETURN_IF(differ("row tones", m.tones, tones));
    const std::pair<int, int> mark =
        m.sort_column <= 1 ? std::pair{-1, 0} : std::pair{m.sort_column, m.sort_down ? -1 : 1};
    LQ_RETURN_IF(differ("sort column", mark.first, w.sort_mark(list).first));
    LQ_RETURN_IF(differ("sort direction", mark.second, w.sort_mark(list).second));
    LQ_RETURN_IF(differ("find box shown", m.find_open, w.visible(forms::main::kFindBox)));
    LQ_RETURN_IF(differ("find box text", m.find_text, w.text(forms::main::kFindBox)));
    LQ_RETURN_IF(
        differ("只看待跟进 ticked", m.due_only, w.menu_item_checked(forms::main::kDueOnlyItem)));
    LQ_RETURN_IF(differ("下次跟进 column ticked", m.next_column,
                        w.menu_item_checked(forms::main::kNextDateItem)));
    LQ_RETURN_IF(differ("下次跟进 column width", m.next_column ? 100 : 0, w.column_width(list, 8)));
    std::vector<std::string> balloons;
    for (const auto& [title, text] : w.balloons())
        balloons.push_back(text);
    LQ_RETURN_IF(differ("tray balloons", m.balloons, balloons));
    return {};
}

std::string Checker::happenings(Model& m, std::vector<HeadlessWindow*>& launchers) {
    auto& backend = program_.backend();
    auto& boxes = backend.message_boxes();
    std::vector<std::string> expected, got;
    for (const auto& e : m.messages) {
        expected.push_back(e.title + e.text +
                           (e.yes_no ? (e.default_no ? " [Yes/No, 否]" : " [Yes/No]") : ""));
        ++message_counts_[expected.back()];
    }
    for (const auto& b : boxes.shown())
        got.push_back(b.title + b.text +
                      (b.style == 4       ? " [Yes/No]"
                       : b.style == 0x104 ? " [Yes/No, 否]"
                       : b.style == 0     ? ""
                                          : " [style " + std::to_string(b.style) + "]"));
    m.messages.clear();
    boxes.clear_shown();
    LQ_RETURN_IF(differ("message boxes (title and text)", expected, got));
    LQ_RETURN_IF(differ("answers left unused", 0, static_cast<int>(boxes.pending_answers())));

    std::vector<std::string> attached, attach_expected;
    for (const auto& a : backend.skin_engine().attaches())
        attached.push_back(a.has_data ? std::to_string(a.length) + " bytes" : "no data");
    for (int n : m.attaches)
        attach_expected.push_back(n ? std::to_string(skin(n).size()) + " bytes" : "no data");
    LQ_RETURN_IF(differ("skin attaches", attach_expected, attached));
    for (std::size_t i = 0; i < m.attaches.size(); ++i) {
        const auto& a = backend.skin_engine().attaches()[i];
        if (m.attaches[i] && a.bytes != skin(m.attaches[i]))
            return "skin attach " + std::to_string(i) + ": not the bytes of skin " +
                   std::to_string(m.attaches[i]);
    }
    m.attaches.clear();
    backend.skin_engine().clear_attaches();

    const auto& opened = backend.shell().opened();
    std::vector<std::string> shell(opened.begin() + static_cast<std::ptrdiff_t>(shell_seen_),
                                   opened.end());
    shell_seen_ = opened.size();
    LQ_RETURN_IF(differ("addresses opened in the browser", m.shell_opened, shell));
    m.shell_opened.clear();

    const auto& forms_opened = backend.windows().opened();
    std::vector<std::string> windows(
        forms_opened.begin() + static_cast<std::ptrdiff_t>(opened_seen_), forms_opened.end());
    opened_seen_ = forms_opened.size();
    LQ_RETURN_IF(differ("windows opened", m.opened_forms, windows));
    m.opened_forms.clear();

    for (const auto& address : m.chats) {
        HeadlessWindow* l = backend.windows().find("ChatLauncher");
        if (!l) return "no chat launcher open for " + shown(address);
        LQ_RETURN_IF(differ("chat launcher address", std::vector<std::string>{address},
                            l->navigations(forms::chat::kHtmlView)));
        LQ_RETURN_IF(
            differ("chat launcher timer running", true, l->timer_running(forms::chat::kTimer)));
        LQ_RETURN_IF(differ("chat launcher shown", false, l->visible("")));
        launchers.push_back(l);
    }
    m.chats.clear();
    for (HeadlessWindow* l : launchers)
        if (l->closed()) return "a chat launcher closed before its timer";
    LQ_RETURN_IF(
        differ("chat launchers open", m.launchers_open, static_cast<int>(launchers.size())));
    return export_file(m);
}

std::string Checker::export_file(Model& m) {
    auto& windows = program_.backend().windows();
    const auto& asked = windows.asked_saves();
    if (!m.export_job) {
        LQ_RETURN_IF(differ("save dialogs shown", static_cast<int>(saves_seen_),
                            static_cast<int>(asked.size())));
        return {};
    }
    ExportExpectation job = *std::exchange(m.export_job, std::nullopt);
    LQ_RETURN_IF(differ("save dialogs shown", static_cast<int>(saves_seen_ + 1),
                        static_cast<int>(asked.size())));
    saves_seen_ = asked.size();
    LQ_RETURN_IF(differ("save dialog folder", job.folder, windows.asked_folders().back()));
    const std::string early = "岚桥淘宝会员跟踪表" + name_date(m.now_low) + job.suffix;
    const std::string late = "岚桥淘宝会员跟踪表" + name_date(local_now()) + job.suffix;
    if (asked.back() != early) LQ_RETURN_IF(differ("save dialog file name", late, asked.back()));
    if (!job.path) return {};
    auto bytes = file_bytes(*job.path);
    std::error_code ec;
    fs::remove(*job.path, ec);
    if (!job.contents) {
        if (bytes) return "an export that failed left a file at " + *job.path;
        return {};
    }
    if (!bytes) return "no exported file at " + *job.path;
    if (*bytes != *job.contents) {
        std::size_t at = 0;
        while (at < bytes->size() && at < job.contents->size() &&
               (*bytes)[at] == (*job.contents)[at])
            ++at;
        return "exported bytes differ from byte " + std::to_string(at) + " on (expected " +
               std::to_string(job.contents->size()) + " bytes, got " +
               std::to_string(bytes->size()) + "): expected " +
               shown(job.contents->substr(at > 20 ? at - 20 : 0, 60)) + ", got " +
               shown(bytes->substr(at > 20 ? at - 20 : 0, 60));
    }
    return {};
}

std::string Checker::dialog(DialogModel& d, HeadlessWindow& w, double now_low,
                            const std::vector<Binned>& bin,
                            const std::vector<std::pair<int, std::string>>& tags) {
    namespace ed = forms::editor;
    if (auto* e = std::get_if<EditorModel>(&d)) {
        LQ_RETURN_IF(differ("editor title",
                            std::string(e->new_mode ? "添加新客户" : "修改客户信息"), w.text("")));
        LQ_RETURN_IF(differ("editor customer ID", e->id_box, w.text(ed::kCustomerId)));
        LQ_RETURN_IF(
            differ("editor contact button", e->contact_visible, w.visible(ed::kContactButton)));
        LQ_RETURN_IF(differ("editor our-ID entries", static_cast<int>(e->choices.size()),
                            w.choice_count(ed::kOurIds)));
        LQ_RETURN_IF(differ("editor our ID chosen", e->chosen, w.selected_choice(ed::kOurIds)));
        if (e->chosen >= 0)
            LQ_RETURN_IF(differ("editor our ID text",
                                e->choices[static_cast<std::size_t>(e->chosen)],
                                w.text(ed::kOurIds)));
        LQ_RETURN_IF(
            box_date("editor first enquiry", e->first, w.date(ed::kFirstEnquiry), now_low));
        LQ_RETURN_IF(
            box_date("editor last follow-up", e->last, w.date(ed::kLastFollowUp), now_low));
        LQ_RETURN_IF(differ("editor note", e->note, w.text(ed::kNote)));
        LQ_RETURN_IF(
            differ("editor 标签… shown", !e->new_mode && e->id > 0, w.visible(ed::kTagsButton)));
        LQ_RETURN_IF(differ("editor days", days_label(e->first.value, e->last.value),
                            w.text(ed::kDaysLabel)));
    } else if (auto* m = std::get_if<ManagerModel>(&d)) {
        LQ_RETURN_IF(differ("manager title", std::string("我们的旺旺号管理"), w.text("")));
        LQ_RETURN_IF(differ("manager IDs", m->box, w.text(forms::manager::kIdList)));
    } else if (auto* deal = std::get_if<DealModel>(&d)) {
        LQ_RETURN_IF(differ("deal dialog title", std::string("交易日期选择"), w.text("")));
        LQ_RETURN_IF(box_date("deal date", deal->date, w.date(forms::deal::kDate), now_low));
    } else if (auto* f = std::get_if<FollowUpModel>(&d)) {
        LQ_RETURN_IF(differ("follow-up title", std::string("记录跟进"), w.text("")));
        LQ_RETURN_IF(differ("follow-up text", f->text, w.text(forms::follow_up::kText)));
    } else if (std::get_if<ImportModel>(&d)) {
        LQ_RETURN_IF(differ("import title", std::string("导入客户"), w.text("")));
    } else if (auto* r = std::get_if<RestoreModel>(&d)) {
        LQ_RETURN_IF(differ("restore copies", static_cast<int>(r->counts.size()),
                            w.item_count(forms::restore::kList)));
        for (std::size_t i = 0; i < r->counts.size(); ++i) {
            const int row = static_cast<int>(i);
            LQ_RETURN_IF(differ("restore copy open", std::to_string(r->counts[i].first),
                                w.cell(forms::restore::kList, row, 2)));
            LQ_RETURN_IF(differ("restore copy closed", std::to_string(r->counts[i].second),
                                w.cell(forms::restore::kList, row, 3)));
        }
    } else if (auto* g = std::get_if<GiveUpModel>(&d)) {
        LQ_RETURN_IF(differ("give-up title", std::string("放弃跟进"), w.text("")));
        LQ_RETURN_IF(differ("give-up reasons", static_cast<int>(g->reasons.size()),
                            w.choice_count(forms::give_up::kChoice)));
        LQ_RETURN_IF(differ("give-up reason", g->text, w.text(forms::give_up::kText)));
    } else if (auto* b = std::get_if<BinModel>(&d)) {
        namespace bw = forms::bin_window;
        std::vector<std::vector<std::string>> expected;
        for (std::size_t at : b->rows) {
            const Binned& entry = bin[at];
            const Customer& k = entry.customer;
            expected.push_back({entry.pc, k.wang, k.wang2,
                                k.closed         ? "已成交"
                                : k.gave_up != 0 ? "已放弃"
                                                 : "未成交",
                                k.bs});
        }
        auto shown_rows = w.rows(bw::kList);
        for (auto& row : shown_rows)
            row.erase(row.begin());  // the moment: the store's, checked there
        LQ_RETURN_IF(differ("最近删除 rows", static_cast<int>(expected.size()),
                            static_cast<int>(shown_rows.size())));
        for (std::size_t i = 0; i < shown_rows.size(); ++i)
            LQ_RETURN_IF(differ("最近删除 row " + std::to_string(i), expected[i], shown_rows[i]));
        LQ_RETURN_IF(differ("最近删除 selected", b->selected, w.selected_row(bw::kList)));
    } else if (auto* tmm = std::get_if<TagManagerModel>(&d)) {
        namespace tw = forms::tags_window;
        std::vector<std::string> names;
        for (const auto& [key, name] : tags)
            names.push_back(name);
        std::vector<std::string> shown_names;
        for (const auto& row : w.rows(tw::kList))
            shown_names.push_back(row[0]);
        LQ_RETURN_IF(differ("标签管理 tags", names, shown_names));
        LQ_RETURN_IF(differ("标签管理 name box", tmm->name, w.text(tw::kName)));
        LQ_RETURN_IF(differ("标签管理 selected", tmm->selected, w.selected_row(tw::kList)));
    } else if (auto* tpm = std::get_if<TagPickerModel>(&d)) {
        namespace pw = forms::pick_window;
        std::vector<std::string> expected, got;
        for (int key : tpm->shown) {
            std::string name;
            for (const auto& [k, n] : tags)
                if (k == key) name = n;
            const bool ticked =
                std::find(tpm->ticked.begin(), tpm->ticked.end(), key) != tpm->ticked.end();
            expected.push_back(std::string(ticked ? "✓" : "") + "|" + name);
        }
        for (const auto& row : w.rows(pw::kList))
            got.push_back(row[0] + "|" + row[1]);
        LQ_RETURN_IF(differ("设置标签 rows", expected, got));
        LQ_RETURN_IF(differ("设置标签 find box", tpm->filter, w.text(pw::kFilter)));
        LQ_RETURN_IF(differ("设置标签 selected", tpm->selected, w.selected_row(pw::kList)));
    } else if (auto* cd = std::get_if<CadenceModel>(&d)) {
        LQ_RETURN_IF(differ("cadence title", std::string("跟进设置"), w.text("")));
        LQ_RETURN_IF(differ("cadence days", cd->days, w.text(forms::cadence::kDays)));
    } else if (auto* fm = std::get_if<FiguresModel>(&d)) {
        namespace fw = forms::figures;
        LQ_RETURN_IF(differ("店铺统计 period", std::string(dialogs::kPeriodChoices[fm->period]),
                            w.text(fw::kPeriod)));
        // The counts and what they give, per our ID and in total (last). An ID the model does
        // not count (one with only follow-ups, give-ups or due buyers) asked and bought nothing.
        std::map<std::string, std::string> expected, got;
        const auto line = [](const store::OurIdFigures& x) {
            return std::to_string(x.enquiries) + "|" + std::to_string(x.deals) + "|" +
                   store::conversion_text(x.converted, x.enquiries) + "|" +
                   store::days_text(x.median_days);
        };
        for (const auto& id : fm->counted.ids)
            expected[id.our_id] = line(id);
        std::string total = "none", total_shown = "none";
        if (fm->shown) total = line(fm->counted.total);
        const auto rows = w.rows(fw::kTable);
        for (std::size_t i = 0; i < rows.size(); ++i) {
            const auto& row = rows[i];
            const std::string shown = row[1] + "|" + row[2] + "|" + row[3] + "|" + row[4];
            if (i + 1 == rows.size()) {
                total_shown = row[0] == dialogs::kTotalRow ? shown : "no total row last";
            } else if (!expected.contains(row[0])) {
                LQ_RETURN_IF(differ("店铺统计 row of " + row[0], std::string("0|0|—|—"), shown));
            } else {
                got[row[0]] = shown;
            }
        }
        const auto lines = [](const std::map<std::string, std::string>& by_id) {
            std::vector<std::string> out;
            for (const auto& [id, figures] : by_id)
                out.push_back(id + "|" + figures);
            return out;
        };
        LQ_RETURN_IF(differ("店铺统计 rows", lines(expected), lines(got)));
        LQ_RETURN_IF(differ("店铺统计 total", total, total_shown));
    } else if (auto* c = std::get_if<ChartModel>(&d)) {
        const char* pie = forms::chart::kPie;
        LQ_RETURN_IF(
            differ("chart open count", static_cast<double>(c->open), w.chart_value(pie, 0)));
        LQ_RETURN_IF(
            differ("chart closed count", static_cast<double>(c->closed), w.chart_value(pie, 1)));
        LQ_RETURN_IF(differ("chart 3-D", c->three_d, w.chart_3d(pie)));
        LQ_RETURN_IF(differ("chart 3-D box", c->checked, w.checked(forms::chart::kThreeD)));
        LQ_RETURN_IF(differ("chart legend", chart_legend(c->open, c->closed), w.chart_legend(pie)));
        LQ_RETURN_IF(differ("chart slices", static_cast<int>((c->open > 0) + (c->closed > 0)),
                            static_cast<int>(w.chart_slices(pie).size())));
    }
    return {};
}

std::string Checker::check(Model& model, const std::vector<HeadlessWindow*>& dialogs,
                           std::vector<HeadlessWindow*>& launchers) {
    std::vector<HeadlessWindow*> open;
    for (HeadlessWindow* w : dialogs)
        if (!w->closed()) open.push_back(w);
    std::vector<std::string> expected, got;
    for (const auto& d : model.dialogs)
        expected.emplace_back(form_name(d));
    for (HeadlessWindow* w : open)
        got.push_back(w->form().name);
    LQ_RETURN_IF(differ("dialogs open", expected, got));
    for (std::size_t i = 0; i < open.size(); ++i)
        LQ_RETURN_IF(
            dialog(model.dialogs[i], *open[i], model.now_low, model.store.bin, model.store.tags));
    LQ_RETURN_IF(happenings(model, launchers));
    LQ_RETURN_IF(list_and_main(model));
    return store(model);
}

}  // namespace stress
