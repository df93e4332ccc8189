#include "runtime/headless/windows.h"

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <stdexcept>
#include <utility>

#include "runtime/pie_chart.h"
#include "runtime/tab_order.h"

namespace runtime::headless {

namespace {

[[noreturn]] void no_such(std::string_view what, std::string_view name) {
    throw std::logic_error(std::string(what) + " \"" + std::string(name) + "\" does not exist");
}

// Days since 1899-12-30 in local time, the fraction the time of day.
double local_now() {
    std::time_t t = std::time(nullptr);
    std::tm local{};
    localtime_r(&t, &local);
    // Local wall-clock seconds since 1970-01-01, as though the clock had no time zone.
    double seconds = static_cast<double>(timegm(&local));
    return 25569.0 + seconds / 86400.0;
}

bool in_range(int i, std::size_t size) {
    return i >= 0 && static_cast<std::size_t>(i) < size;
}

}  // namespace

HeadlessWindow::HeadlessWindow(HeadlessWindows& system, const Form& form, Handlers handlers)
    : system_(system), form_(form), handlers_(std::move(handlers)) {
    self_.text = form.title;
    self_.visible = false;  // shown by run() or by the dialog's opening
    self_.rect = {form.left, form.top, form.width, form.height};
    state_.normal = self_.rect;
    for (const auto& c : form.controls) {
        State s;
        s.text = c.text;
        s.visible = c.visible;
        s.rect = c.rect;
        s.columns = c.columns;
        s.running = c.kind == ControlKind::timer;
        // As the real picker, one with no date set shows the current moment.
        if (c.kind == ControlKind::date_picker) s.date = local_now();
        s.chart_values = c.chart_values;
        s.chart_values.resize(c.chart_items.size());
        states_.emplace(c.name, std::move(s));
    }
    for (const auto& m : form.menus)
        if (m.caption != "-") menu_visible_[m.caption] = m.visible;
}

HeadlessWindow::State& HeadlessWindow::state(std::string_view control) {
    if (control.empty()) return self_;
    auto it = states_.find(control);
    if (it == states_.end()) no_such("control", control);
    return it->second;
}

const HeadlessWindow::State* HeadlessWindow::find(std::string_view control) const {
    if (control.empty()) return &self_;
    auto it = states_.find(control);
    if (it == states_.end()) no_such("control", control);
    return &it->second;
}

std::string HeadlessWindow::text(std::string_view control) const {
    return find(control)->text;
}

int HeadlessWindow::clamp_spin(const Control& c, std::string_view text) const {
    int value = std::atoi(std::string(text).c_str());
    return std::clamp(value, c.minimum, c.maximum);
}

void HeadlessWindow::set_text(std::string_view control, std::string_view text) {
    State& s = state(control);
    s.text = std::string(text);
    // As the real edit box does, text put in by the program is a change, once, even when it
    // equals the text before.
    const Control* c = form_.find(control);
    if (c && (c->kind == ControlKind::edit || c->kind == ControlKind::spin_edit))
        dispatch(*this, handlers_, control, Event::changed);
}

bool HeadlessWindow::visible(std::string_view control) const {
    return find(control)->visible;
}

void HeadlessWindow::set_visible(std::string_view control, bool visible) {
    state(control).visible = visible;
}

Rect HeadlessWindow::placement(std::string_view control) const {
    return find(control)->rect;
}

void HeadlessWindow::set_placement(std::string_view control, const Rect& rect) {
    const Control* c = form_.find(control);
    const bool list = c != nullptr && c->kind == ControlKind::list_view;
    const RowRange before = list ? rows_in_view(control) : RowRange{};
    state(control).rect = rect;
    if (list && rows_in_view(control) != before) fire(control, Event::rows_shown);
}

bool HeadlessWindow::checked(std::string_view control) const {
    return find(control)->checked;
}

void HeadlessWindow::set_checked(std::string_view control, bool checked) {
    state(control).checked = checked;
}

double HeadlessWindow::date(std::string_view control) const {
    return find(control)->date;
}

void HeadlessWindow::set_date(std::string_view control, double date) {
    state(control).date = date;
}

void HeadlessWindow::clear_choices(std::string_view control) {
    State& s = state(control);
    s.choices.clear();
    s.selected_choice = -1;
}

void HeadlessWindow::add_choice(std::string_view control, std::string_view text) {
    state(control).choices.emplace_back(text);
}

int HeadlessWindow::choice_count(std::string_view control) const {
    return static_cast<int>(find(control)->choices.size());
}

int HeadlessWindow::selected_choice(std::string_view control) const {
    return find(control)->selected_choice;
}

void HeadlessWindow::select_choice(std::string_view control, int index) {
    State& s = state(control);
    s.selected_choice = in_range(index, s.choices.size()) ? index : -1;
    if (s.selected_choice >= 0) s.text = s.choices[static_cast<std::size_t>(index)];
}

std::string HeadlessWindow::column_title(std::string_view list, int column) const {
    const State* s = find(list);
    return in_range(column, s->columns.size())
               ? s->columns[static_cast<std::size_t>(column)].caption
               : std::string();
}

void HeadlessWindow::set_column_title(std::string_view list, int column, std::string_view title) {
    State& s = state(list);
    if (in_range(column, s.columns.size()))
        s.columns[static_cast<std::size_t>(column)].caption = title;
}

int HeadlessWindow::column_width(std::string_view list, int column) const {
    const State* s = find(list);
    return in_range(column, s->columns.size()) ? s->columns[static_cast<std::size_t>(column)].width
                                               : 0;
}

void HeadlessWindow::set_column_width(std::string_view list, int column, int width) {
    State& s = state(list);
    if (in_range(column, s.columns.size()))
        s.columns[static_cast<std::size_t>(column)].width = width;
}

void HeadlessWindow::delete_all_items(std::string_view list) {
    State& s = state(list);
    s.source.reset();
    s.rows.clear();
    s.selected_row = -1;
    s.top_row = 0;  // an empty list shows its top, as the real one does
}

int HeadlessWindow::append_item(std::string_view list, std::string_view text) {
    State& s = state(list);
    if (s.source) throw std::logic_error("the list shows the program's own rows");
    std::vector<std::string> row(std::max<std::size_t>(s.columns.size(), 1));
    row[0] = std::string(text);
    s.rows.push_back(std::move(row));
    return static_cast<int>(s.rows.size() - 1);
}

void HeadlessWindow::set_cell(std::string_view list, int row, int column, std::string_view text) {
    State& s = state(list);
    if (!in_range(row, s.rows.size())) return;
    auto& cells = s.rows[static_cast<std::size_t>(row)];
    if (in_range(column, cells.size())) cells[static_cast<std::size_t>(column)] = std::string(text);
}

std::string HeadlessWindow::cell(std::string_view list, int row, int column) const {
    const State* s = find(list);
    if (s->source)
        return row >= 0 && row < s->source->count() && in_range(column, s->columns.size())
                   ? s->source->cell(row, column)
                   : std::string();
    if (!in_range(row, s->rows.size())) return {};
    const auto& cells = s->rows[static_cast<std::size_t>(row)];
    return in_range(column, cells.size()) ? cells[static_cast<std::size_t>(column)] : std::string();
}

int HeadlessWindow::item_count(std::string_view list) const {
    const State* s = find(list);
    return s->source ? s->source->count() : static_cast<int>(s->rows.size());
}

int HeadlessWindow::selected_row(std::string_view list) const {
    return find(list)->selected_row;
}

void HeadlessWindow::select_row(std::string_view list, int row) {
    State& s = state(list);
    if (row == -1 || (row >= 0 && row < item_count(list))) s.selected_row = row;
}

bool HeadlessWindow::menu_item_visible(std::string_view caption) const {
    auto it = menu_visible_.find(caption);
    if (it == menu_visible_.end()) no_such("menu item", caption);
    return it->second;
}

void HeadlessWindow::set_menu_item_visible(std::string_view caption, bool visible) {
    auto it = menu_visible_.find(caption);
    if (it == menu_visible_.end()) no_such("menu item", caption);
    it->second = visible;
}

void HeadlessWindow::popup_menu(std::string_view menu) {
    if (!menu_visible_.contains(menu)) no_such("menu", menu);
    popups_.emplace_back(menu);
}

void HeadlessWindow::choose_menu_item(std::string_view caption) {
    if (popups_.empty()) throw std::logic_error("no menu is popped up");
    // Only the items of the menu shown, and only the visible ones, can be chosen.
    bool inside = false;
    for (const auto& m : form_.menus) {
        if (m.level == 0) {
            inside = m.caption == popups_.back();
            continue;
        }
        if (!inside || m.caption != caption) continue;
        if (!menu_visible_.at(m.caption)) throw std::logic_error("menu item is hidden");
        auto it = handlers_.find(m.handler);
        if (it != handlers_.end()) it->second(*this, EventArgs{0, m.caption});
        return;
    }
    no_such("menu item in " + popups_.back(), caption);
}

double HeadlessWindow::chart_value(std::string_view chart, int item) const {
    const State* s = find(chart);
    if (s->chart_values.empty()) return 0;
    return s
        ->chart_values[in_range(item, s->chart_values.size()) ? static_cast<std::size_t>(item) : 0];
}

void HeadlessWindow::set_chart_value(std::string_view chart, int item, double value) {
    State& s = state(chart);
    if (s.chart_values.empty()) return;
    s.chart_values[in_range(item, s.chart_values.size()) ? static_cast<std::size_t>(item) : 0] =
        clamp_chart_value(value);
}

bool HeadlessWindow::chart_3d(std::string_view chart) const {
    return find(chart)->chart_3d;
}

void HeadlessWindow::set_chart_3d(std::string_view chart, bool on) {
    state(chart).chart_3d = on;
}

std::optional<std::string> HeadlessWindow::ask_save_path(std::string_view dialog,
                                                         std::string_view folder,
                                                         std::string_view file_name) {
    const Control* c = form_.find(dialog);
    if (!c) no_such("control", dialog);
    return system_.answer_save(*c, folder, file_name);
}

void HeadlessWindow::navigate(std::string_view control, std::string_view address) {
    state(control).navigations.emplace_back(address);
}

std::vector<double> HeadlessWindow::chart_values(std::string_view chart) const {
    std::vector<double> values;
    const Control* c = form_.find(chart);
    if (!c) no_such("control", chart);
    for (int i = 0; i < static_cast<int>(c->chart_items.size()); ++i)
        values.push_back(chart_value(chart, i));
    return values;
}

std::vector<PieSlice> HeadlessWindow::chart_slices(std::string_view chart) const {
    return pie_slices(chart_values(chart));
}

std::vector<std::string> HeadlessWindow::chart_legend(std::string_view chart) const {
    const std::vector<double> values = chart_values(chart);  // refuses a chart that is not there
    const Control& c = *form_.find(chart);
    return pie_legend(c.chart_items, values, c.unit);
}

const std::vector<std::string>& HeadlessWindow::navigations(std::string_view control) const {
    return find(control)->navigations;
}

void HeadlessWindow::add_tray_icon(std::string_view tooltip) {
    tray_tooltip_ = std::string(tooltip);
}

void HeadlessWindow::stop_timer(std::string_view timer) {
    if (auto it = timers_.find(timer); it != timers_.end()) {
        timers_.erase(it);
        return;
    }
    state(timer).running = false;
}

bool HeadlessWindow::timer_running(std::string_view timer) const {
    if (timers_.contains(timer)) return true;
    return find(timer)->running;
}

void HeadlessWindow::start_timer(std::string_view name, int period_ms, std::function<void()> tick) {
    if (closed_) return;
    timers_[std::string(name)] = {std::max(period_ms, 1), std::move(tick)};
}

bool HeadlessWindow::tick(std::string_view timer) {
    auto it = timers_.find(timer);
    if (closed_ || it == timers_.end()) return false;
    // A copy: the tick may stop its own timer or close the window.
    const std::function<void()> run = it->second.tick;
    run();
    return true;
}

int HeadlessWindow::timer_period(std::string_view timer) const {
    auto it = timers_.find(timer);
    return it == timers_.end() ? 0 : it->second.period_ms;
}

void HeadlessWindow::scroll_to_row(std::string_view list, int first) {
    // As the real list: the last row comes no higher than the bottom of the view.
    const int last_top = std::max(0, item_count(list) - rows_in_view(list).count);
    scroll_list(list, std::clamp(first, 0, last_top));
}

void HeadlessWindow::set_progress(std::string_view bar, int done, int total) {
    State& s = state(bar);
    s.progress_total = std::max(total, 0);
    s.progress_done = std::clamp(done, 0, s.progress_total);
}

std::pair<int, int> HeadlessWindow::progress(std::string_view bar) const {
    const State* s = find(bar);
    if (!s) no_such("control", bar);
    return {s->progress_done, s->progress_total};
}

void HeadlessWindow::close() {
    closed_ = true;
    timers_.clear();
    self_.visible = false;
}

void HeadlessWindow::fire(std::string_view control, Event event, const EventArgs& args) {
    if (closed_) throw std::logic_error("the window is closed");
    dispatch(*this, handlers_, control, event, args);
}

void HeadlessWindow::opened(bool dialog) {
    dialog_ = dialog;
    const Control* first =
        first_focus(form_, [this](const Control& c) { return find(c.name)->visible; });
    focused_ = first ? first->name : std::string();
}

void HeadlessWindow::focus(std::string_view control) {
    if (control == focused_) return;
    const std::string left = std::exchange(focused_, std::string(control));
    // Leaving an edit box is news to it, as the real box tells its window.
    if (!left.empty()) dispatch(*this, handlers_, left, Event::lost_focus);
}

void HeadlessWindow::press(Key key) {
    if (closed_) throw std::logic_error("the window is closed");
    const Control* at = focused_.empty() ? nullptr : form_.find(focused_);
    switch (key) {
        case Key::enter:
            if (at && at->kind == ControlKind::edit && at->multi_line) {
                set_text(focused_, text(focused_) + "\r\n");
                return;
            }
            if (at && at->kind == ControlKind::button) {
                fire(focused_, Event::clicked);
                return;
            }
            for (const auto& c : form_.controls)
                if (c.kind == ControlKind::button && c.default_button && find(c.name)->visible) {
                    fire(c.name, Event::clicked);
                    return;
                }
            return;
        case Key::escape:
            if (dialog_) close();
            return;
        case Key::tab:
        case Key::shift_tab: {
            std::vector<const Control*> order;
            for (const Control* c : tab_order(form_))
                if (find(c->name)->visible) order.push_back(c);
            if (order.empty()) return;
            auto it = std::find_if(order.begin(), order.end(),
                                   [this](const Control* c) { return c->name == focused_; });
            std::size_t i = it == order.end() ? 0 : static_cast<std::size_t>(it - order.begin());
            if (it != order.end())
                i = key == Key::tab ? (i + 1) % order.size()
                                    : (i + order.size() - 1) % order.size();
            focus(order[i]->name);
            return;
        }
    }
}

void HeadlessWindow::resize(int width, int height) {
    self_.rect.width = width;
    self_.rect.height = height;
    state_ = {self_.rect, false};
    fire("", Event::resized);
}

RowRange HeadlessWindow::rows_in_view(std::string_view list) const {
    // As the real list: a header and rows of the definition's height, 20 pixels when unset.
    constexpr int kHeader = 24;
    constexpr int kDefaultRow = 20;
    const Control* c = form_.find(list);
    const int row = c != nullptr && c->row_height > 0 ? c->row_height : kDefaultRow;
    const State* s = find(list);
    const int body = std::max(0, s->rect.height - kHeader);
    return {s->top_row, (body + row - 1) / row};
}

RowRange HeadlessWindow::visible_rows(std::string_view list) const {
    const RowRange view = rows_in_view(list);
    const int rows = item_count(list);
    const int first = std::clamp(view.first, 0, rows);
    return {first, std::clamp(view.count, 0, rows - first)};
}

void HeadlessWindow::scroll_list(std::string_view list, int first) {
    const RowRange before = rows_in_view(list);
    state(list).top_row = std::max(0, first);
    if (rows_in_view(list) != before) fire(list, Event::rows_shown);
}

std::vector<std::vector<std::string>> HeadlessWindow::rows(std::string_view list) const {
    const State* s = find(list);
    if (!s->source) return s->rows;
    std::vector<std::vector<std::string>> out;
    for (int r = 0; r < s->source->count(); ++r) {
        auto& cells = out.emplace_back();
        for (std::size_t c = 0; c < s->columns.size(); ++c)
            cells.push_back(s->source->cell(r, static_cast<int>(c)));
    }
    return out;
}

void HeadlessWindow::show_rows(std::string_view list, std::shared_ptr<const RowSource> rows) {
    State& s = state(list);
    s.rows.clear();
    s.source = std::move(rows);
    refresh_rows(list);
}

void HeadlessWindow::refresh_rows(std::string_view list) {
    State& s = state(list);
    // As the real list, a selection past the end goes.
    if (s.selected_row >= item_count(list)) s.selected_row = -1;
}

void HeadlessWindow::redraw_rows(std::string_view list, RowRange rows) {
    State& s = state(list);
    ++s.redraws;
    s.rows_redrawn += std::max(rows.count, 0);
}

void HeadlessWindow::set_sort_mark(std::string_view list, int column, int direction) {
    State& s = state(list);
    s.sort_column = direction == 0 ? -1 : column;
    s.sort_direction = direction;
}

std::pair<int, int> HeadlessWindow::rows_redrawn(std::string_view list) const {
    const State* s = find(list);
    return {s->redraws, s->rows_redrawn};
}

std::pair<int, int> HeadlessWindow::sort_mark(std::string_view list) const {
    const State* s = find(list);
    return {s->sort_column, s->sort_direction};
}

int HeadlessWindow::row_tone(std::string_view list, int row) const {
    const State* s = find(list);
    return s->source && row >= 0 && row < s->source->count() ? s->source->tone(row) : 0;
}

std::string HeadlessWindow::row_tip(std::string_view list, int row) const {
    const State* s = find(list);
    return s->source && row >= 0 && row < s->source->count() ? s->source->tip(row) : std::string();
}

std::optional<SaveChoice> HeadlessWindow::ask_save_choice(std::string_view dialog,
                                                          std::string_view folder,
                                                          std::string_view file_name) {
    auto path = ask_save_path(dialog, folder, file_name);
    if (!path) return std::nullopt;
    return SaveChoice{*path, system_.save_filter()};
}

std::optional<std::string> HeadlessWindow::ask_open_path(std::string_view dialog,
                                                         std::string_view) {
    const Control* c = form_.find(dialog);
    if (!c) no_such("control", dialog);
    return system_.answer_open(*c);
}

void HeadlessWindow::set_menu_item_checked(std::string_view caption, bool checked) {
    if (!menu_visible_.contains(caption)) no_such("menu item", caption);
    menu_checked_[std::string(caption)] = checked;
}

bool HeadlessWindow::menu_item_checked(std::string_view caption) const {
    auto it = menu_checked_.find(caption);
    return it != menu_checked_.end() && it->second;
}

void HeadlessWindow::show_tray_balloon(std::string_view title, std::string_view text) {
    balloons_.emplace_back(title, text);
}

void HeadlessWindow::set_window_state(const WindowState& wanted) {
    WindowState placed = wanted;
    const Rect& screen = system_.screen();
    const Rect& r = placed.normal;
    // A window whose title bar lies on no screen comes back at the main screen's corner.
    const bool seen = r.left + r.width > screen.left + 40 && r.left < screen.left + screen.width &&
                      r.top >= screen.top - 8 && r.top < screen.top + screen.height - 20;
    if (!seen) placed.normal = {screen.left + 50, screen.top + 50, r.width, r.height};
    place(placed);
}

void HeadlessWindow::place(const WindowState& wanted) {
    state_ = wanted;
    self_.rect = wanted.maximised ? system_.screen() : wanted.normal;
    fire("", Event::resized);
}

void HeadlessWindow::user_close() {
    dispatch(*this, handlers_, "", Event::closing);
    close();
}

void HeadlessWindow::type(std::string_view control, std::string_view text) {
    const Control* c = form_.find(control);
    if (!c) no_such("control", control);
    focus(control);
    if (c->kind == ControlKind::list_view)
        dispatch(*this, handlers_, control, Event::typed, EventArgs{0, std::string(text)});
    else
        set_text(control, this->text(control) + std::string(text));
}

bool HeadlessWindow::press_key(std::string_view chord) {
    if (closed_) throw std::logic_error("the window is closed");
    for (const auto& k : form_.keys) {
        if (k.chord != chord || (!k.only_in.empty() && k.only_in != focused_)) continue;
        auto it = handlers_.find(k.handler);
        if (it != handlers_.end() && it->second) it->second(*this, EventArgs{0, k.chord});
        return true;
    }
    if (chord == "Enter")
        press(Key::enter);
    else if (chord == "Esc")
        press(Key::escape);
    else if (chord == "Tab")
        press(Key::tab);
    else if (chord == "Shift+Tab")
        press(Key::shift_tab);
    else
        return false;
    return true;
}

Window& HeadlessWindows::open(const Form& form, Handlers handlers) {
    opened_.push_back(form.name);
    windows_.push_back(std::make_unique<HeadlessWindow>(*this, form, std::move(handlers)));
    HeadlessWindow& w = *windows_.back();
    w.fire("", Event::created);
    if (!w.closed()) w.opened(false);
    if (form.visible && !w.closed()) w.set_visible("", true);
    return w;
}

void HeadlessWindows::open_modal(const Form& form, Handlers handlers) {
    struct Depth {
        int& depth;
        explicit Depth(int& d) : depth(d) { ++depth; }
        ~Depth() { --depth; }
        Depth(const Depth&) = delete;
        Depth& operator=(const Depth&) = delete;
    } modal(modal_depth_);
    opened_.push_back(form.name);
    windows_.push_back(std::make_unique<HeadlessWindow>(*this, form, std::move(handlers)));
    auto it = std::prev(windows_.end());
    HeadlessWindow& w = **it;
    w.fire("", Event::created);
    if (!w.closed()) {
        w.opened(true);
        w.set_visible("", true);
        auto script = scripts_.find(form.name);
        if (script != scripts_.end()) script->second(w);
    }
    windows_.erase(it);
}

int HeadlessWindows::run(Window& main) {
    // Nothing to wait for in memory: the test drives the window and closes it.
    main.set_visible("", true);
    return 0;
}

void HeadlessWindows::run_in_background(std::function<void()> work) {
    if (hold_background_) {
        waiting_work_.push_back(std::move(work));
        return;
    }
    work();
}

HeadlessWindows::HeadlessWindows() : owner_(std::this_thread::get_id()) {}

void HeadlessWindows::post(std::function<void()> task) {
    if (std::this_thread::get_id() == owner_) {
        task();
        return;
    }
    {
        std::lock_guard lock(posts_mutex_);
        posts_.push_back(std::move(task));
    }
    posted_.notify_all();
}

bool HeadlessWindows::run_posted(const std::function<bool()>& done,
                                 std::chrono::milliseconds timeout) {
    const auto give_up = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        std::deque<std::function<void()>> ready;
        {
            std::lock_guard lock(posts_mutex_);
            ready.swap(posts_);
        }
        for (auto& task : ready)
            task();
        if (!done || done()) return true;
        std::unique_lock lock(posts_mutex_);
        if (!posted_.wait_until(lock, give_up, [&] { return !posts_.empty(); })) return false;
    }
}

void HeadlessWindows::finish_background() {
    for (auto& work : std::exchange(waiting_work_, {}))
        work();
}

void HeadlessWindows::on_open(std::string form_name, Script script) {
    scripts_[std::move(form_name)] = std::move(script);
}

std::vector<HeadlessWindow*> HeadlessWindows::open_windows() const {
    std::vector<HeadlessWindow*> out;
    for (const auto& w : windows_)
        if (!w->closed()) out.push_back(w.get());
    return out;
}

HeadlessWindow* HeadlessWindows::find(std::string_view form_name) const {
    for (auto it = windows_.rbegin(); it != windows_.rend(); ++it)
        if ((*it)->form().name == form_name && !(*it)->closed()) return it->get();
    return nullptr;
}

}  // namespace runtime::headless
