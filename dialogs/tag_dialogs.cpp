#include "dialogs/tag_dialogs.h"

#include <algorithm>
#include <set>
#include <vector>

#include "dialogs/id_text.h"
#include "forms/forms.h"
#include "jet/text.h"
#include "services/message.h"
#include "services/search_text.h"
#include "store/next_steps.h"
#include "store/shop_lists.h"

namespace dialogs {

namespace {

namespace tm = forms::tags_window;
namespace tp = forms::pick_window;

struct Tags {
    std::shared_ptr<const DialogContext> context;
    store::StoreConnection connection;
    store::RowSet rows;
    std::vector<store::ListEntry> tags;  // the shop's, in its order
};

bool read_tags(Tags& t) {
    auto tags =
        store::read_shop_list(t.connection, t.rows, t.context->store(), store::ListKind::tag);
    if (!tags) {
        services::show_message("标签没能读出，请稍后再试。");
        return false;
    }
    t.tags = std::move(*tags);
    return true;
}

// ---- 标签管理

void show_tags(runtime::Window& w, const Tags& t, int select) {
    w.delete_all_items(tm::kList);
    for (const auto& e : t.tags)
        w.append_item(tm::kList, e.name);
    if (!t.tags.empty())
        w.select_row(tm::kList, std::clamp(select, 0, static_cast<int>(t.tags.size()) - 1));
}

// Why `name` cannot be a tag beside the others (`except` is the one being renamed); "" if it can.
std::string name_problem(const Tags& t, const std::string& name, std::int32_t except) {
    if (!store::fits_tag_name(name)) return kBadTagName;
    if (stored_length(name) > kMaxIdLength) return kLongTagName;
    for (const auto& e : t.tags)
        if (e.id != except && jet::text_equal_nocase(e.name, name)) return kTagThere;
    return {};
}

// Stores the list as `wanted` holds it; the list shows what the store then holds.
void store_tags(runtime::Window& w, Tags& t, const std::vector<store::ListEntry>& wanted,
                int select) {
    const auto result = store::save_tags(t.connection, t.rows, t.context->store(), wanted);
    if (!report_action(result, t.connection, t.context->database_path)) return;
    if (!read_tags(t)) return;
    show_tags(w, t, select);
    t.context->reload_list();  // the customers' tags as the list shows them
}

int picked(const runtime::Window& w, const Tags& t) {
    const int row = w.selected_row(tm::kList);
    return row >= 0 && row < static_cast<int>(t.tags.size()) ? row : -1;
}

void add_tag(runtime::Window& w, Tags& t) {
    const std::string name = trim_blanks(w.text(tm::kName));
    if (const std::string problem = name_problem(t, name, 0); !problem.empty()) {
        services::show_message(problem);
        w.set_focus(tm::kName);  // back in the box, to mend the name
        return;
    }
    auto wanted = t.tags;
    wanted.push_back({0, name});
    w.set_text(tm::kName, "");
    store_tags(w, t, wanted, static_cast<int>(wanted.size()) - 1);
}

void rename_tag(runtime::Window& w, Tags& t) {
    const int row = picked(w, t);
    if (row < 0) {
        services::show_message(kPickTagFirst);
        return;
    }
    const std::string name = trim_blanks(w.text(tm::kName));
    auto wanted = t.tags;
    auto& entry = wanted[static_cast<std::size_t>(row)];
    if (const std::string problem = name_problem(t, name, entry.id); !problem.empty()) {
        services::show_message(problem);
        w.set_focus(tm::kName);  // back in the box, to mend the name
        return;
    }
    entry.name = name;
    store_tags(w, t, wanted, row);
}

void remove_tag(runtime::Window& w, Tags& t) {
    const int row = picked(w, t);
    if (row < 0) {
        services::show_message(kPickTagFirst);
        return;
    }
    const std::string& name = t.tags[static_cast<std::size_t>(row)].name;
    if (services::show_message("确定要删除标签“" + name + "”吗？\r\n有这个标签的客户会去掉它。",
                               services::kButtonsYesNo, "温馨提示：") != services::kChoseYes)
        return;
    auto wanted = t.tags;
    wanted.erase(wanted.begin() + row);
    store_tags(w, t, wanted, row);
}

void move_tag(runtime::Window& w, Tags& t, int by) {
    const int row = picked(w, t);
    if (row < 0) {
        services::show_message(kPickTagFirst);
        return;
    }
    const int to = row + by;
    if (to < 0 || to >= static_cast<int>(t.tags.size())) return;
    auto wanted = t.tags;
    std::swap(wanted[static_cast<std::size_t>(row)], wanted[static_cast<std::size_t>(to)]);
    store_tags(w, t, wanted, to);
}

// ---- 设置标签

struct Picker : Tags {
    std::set<std::int32_t> ticked;
    std::vector<std::size_t> shown;  // places in tags of the rows shown
};

void show_found(runtime::Window& w, Picker& p) {
    const std::string needle = services::search_key(w.text(tp::kFilter));
    w.delete_all_items(tp::kList);
    p.shown.clear();
    for (std::size_t i = 0; i < p.tags.size(); ++i) {
        if (services::search_key(p.tags[i].name).find(needle) == std::string::npos) continue;
        const int row = w.append_item(tp::kList, p.ticked.count(p.tags[i].id) ? "✓" : "");
        w.set_cell(tp::kList, row, 1, p.tags[i].name);
        p.shown.push_back(i);
    }
    if (!p.shown.empty()) w.select_row(tp::kList, 0);
}

bool open_picker(runtime::Window& w, Picker& p) {
    if (!read_tags(p)) return false;
    const store::CustomerRow& c = p.context->current_customer;
    // The customer's tags as the list loaded them: "#嫌贵 #老客户".
    for (const auto& e : p.tags)
        if ((" " + c.tags + " ").find(" #" + e.name + " ") != std::string::npos)
            p.ticked.insert(e.id);
    w.set_text(tp::kLabel, p.tags.empty() ? std::string("还没有标签，请先在“标签管理…”里添加。")
                                          : "“" + c.buyer + "”的标签（输入文字筛选，空格勾选）：");
    show_found(w, p);
    return true;
}

void toggle(runtime::Window& w, Picker& p) {
    const int row = w.selected_row(tp::kList);
    if (row < 0 || row >= static_cast<int>(p.shown.size())) return;
    const std::int32_t id = p.tags[p.shown[static_cast<std::size_t>(row)]].id;
    const bool now = !p.ticked.count(id);
    if (now)
        p.ticked.insert(id);
    else
        p.ticked.erase(id);
    w.set_cell(tp::kList, row, 0, now ? "✓" : "");
}

void step(runtime::Window& w, const Picker& p, int by) {
    const int n = static_cast<int>(p.shown.size());
    if (n == 0) return;
    w.select_row(tp::kList, std::clamp(w.selected_row(tp::kList) + by, 0, n - 1));
}

void save(runtime::Window& w, Picker& p) {
    const DialogContext& c = *p.context;
    std::vector<std::int32_t> ids;
    std::string shown;
    for (const auto& e : p.tags)
        if (p.ticked.count(e.id)) {
            ids.push_back(e.id);
            shown += (shown.empty() ? "#" : " #") + e.name;
        }
    const auto result =
        store::set_customer_tags(p.connection, p.rows, c.store(), c.current_customer.id, ids);
    if (!report_action(result, p.connection, c.database_path)) return;  // still open
    c.current_customer.tags = shown;  // as the editor that opened it now holds the customer
    c.reload_list();
    w.close();
}

}  // namespace

runtime::Handlers tag_manager_handlers(std::shared_ptr<const DialogContext> context) {
    auto t = std::make_shared<Tags>();
    t->context = std::move(context);
    namespace ops = forms::ops;
    using runtime::EventArgs;
    using runtime::Window;
    runtime::Handlers h;
    h[ops::kTagManagerCreated] = [t](Window& w, const EventArgs&) {
        if (!read_tags(*t)) return w.close();
        show_tags(w, *t, 0);
    };
    h[ops::kAddTag] = [t](Window& w, const EventArgs&) { add_tag(w, *t); };
    h[ops::kRenameTag] = [t](Window& w, const EventArgs&) { rename_tag(w, *t); };
    h[ops::kRemoveTag] = [t](Window& w, const EventArgs&) { remove_tag(w, *t); };
    h[ops::kTagUp] = [t](Window& w, const EventArgs&) { move_tag(w, *t, -1); };
    h[ops::kTagDown] = [t](Window& w, const EventArgs&) { move_tag(w, *t, 1); };
    // A double click puts the tag's name in the box, to be renamed.
    h[ops::kPickTagRow] = [t](Window& w, const EventArgs&) {
        if (const int row = picked(w, *t); row >= 0)
            w.set_text(tm::kName, t->tags[static_cast<std::size_t>(row)].name);
    };
    h[ops::kCloseDialog] = [](Window& w, const EventArgs&) { w.close(); };
    return h;
}

runtime::Handlers tag_picker_handlers(std::shared_ptr<const DialogContext> context) {
    auto p = std::make_shared<Picker>();
    p->context = std::move(context);
    namespace ops = forms::ops;
    using runtime::EventArgs;
    using runtime::Window;
    runtime::Handlers h;
    h[ops::kTagPickerCreated] = [p](Window& w, const EventArgs&) {
        p->ticked.clear();
        if (!open_picker(w, *p)) w.close();
    };
    h[ops::kTagFilterChanged] = [p](Window& w, const EventArgs&) { show_found(w, *p); };
    h[ops::kToggleTag] = [p](Window& w, const EventArgs&) { toggle(w, *p); };
    h[ops::kTagSelectionUp] = [p](Window& w, const EventArgs&) { step(w, *p, -1); };
    h[ops::kTagSelectionDown] = [p](Window& w, const EventArgs&) { step(w, *p, 1); };
    h[ops::kSaveTags] = [p](Window& w, const EventArgs&) { save(w, *p); };
    h[ops::kCloseDialog] = [](Window& w, const EventArgs&) { w.close(); };
    return h;
}

}  // namespace dialogs
