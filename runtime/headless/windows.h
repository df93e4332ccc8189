#pragma once
// Windows in memory: every control property the program sets is kept, events are fired by
// the test, and a modal dialog runs whatever the test registered for its definition.
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <list>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "runtime/pie_chart.h"
#include "runtime/window.h"

namespace runtime::headless {

class HeadlessWindows;

// Keys a test presses in a window.
enum class Key { enter, escape, tab, shift_tab };

class HeadlessWindow final : public Window {
  public:
    HeadlessWindow(HeadlessWindows& system, const Form& form, Handlers handlers);

    const Form& form() const override { return form_; }
    std::string text(std::string_view control) const override;
    void set_text(std::string_view control, std::string_view text) override;
    bool visible(std::string_view control) const override;
    void set_visible(std::string_view control, bool visible) override;
    Rect placement(std::string_view control) const override;
    void set_placement(std::string_view control, const Rect& rect) override;
    bool checked(std::string_view control) const override;
    void set_checked(std::string_view control, bool checked) override;
    double date(std::string_view control) const override;
    void set_date(std::string_view control, double date) override;
    void clear_choices(std::string_view control) override;
    void add_choice(std::string_view control, std::string_view text) override;
    int choice_count(std::string_view control) const override;
    int selected_choice(std::string_view control) const override;
    void select_choice(std::string_view control, int index) override;
    std::string column_title(std::string_view list, int column) const override;
    void set_column_title(std::string_view list, int column, std::string_view title) override;
    int column_width(std::string_view list, int column) const override;
    void set_column_width(std::string_view list, int column, int width) override;
    void delete_all_items(std::string_view list) override;
    int append_item(std::string_view list, std::string_view text) override;
    void set_cell(std::string_view list, int row, int column, std::string_view text) override;
    std::string cell(std::string_view list, int row, int column) const override;
    int item_count(std::string_view list) const override;
    int selected_row(std::string_view list) const override;
    void select_row(std::string_view list, int row) override;
    RowRange visible_rows(std::string_view list) const override;
    bool menu_item_visible(std::string_view caption) const override;
    void set_menu_item_visible(std::string_view caption, bool visible) override;
    void popup_menu(std::string_view menu) override;
    void popup_menu_at(std::string_view menu, std::string_view) override { popup_menu(menu); }
    double chart_value(std::string_view chart, int item) const override;
    void set_chart_value(std::string_view chart, int item, double value) override;
    bool chart_3d(std::string_view chart) const override;
    void set_chart_3d(std::string_view chart, bool on) override;
    std::optional<std::string> ask_save_path(std::string_view dialog, std::string_view folder,
                                             std::string_view file_name) override;
    void navigate(std::string_view control, std::string_view address) override;
    void add_tray_icon(std::string_view tooltip) override;
    void stop_timer(std::string_view timer) override;
    void close() override;
    bool closed() const override { return closed_; }
    void show_rows(std::string_view list, std::shared_ptr<const RowSource> rows) override;
    void refresh_rows(std::string_view list) override;
    void redraw_rows(std::string_view list, RowRange rows) override;
    void set_sort_mark(std::string_view list, int column, int direction) override;
    std::optional<SaveChoice> ask_save_choice(std::string_view dialog, std::string_view folder,
                                              std::string_view file_name) override;
    std::optional<std::string> ask_open_path(std::string_view dialog,
                                             std::string_view folder) override;
    void set_focus(std::string_view control) override { focus(control); }
    void set_menu_item_checked(std::string_view caption, bool checked) override;
    void show_tray_balloon(std::string_view title, std::string_view text) override;
    WindowState window_state() const override { return state_; }
    void set_window_state(const WindowState& state) override;
    void start_timer(std::string_view name, int period_ms, std::function<void()> tick) override;
    void scroll_to_row(std::string_view list, int first) override;
    void set_progress(std::string_view bar, int done, int total) override;
    void set_figure_chart(std::string_view chart, const FigureChart& data) override;
    // Drawn without its text, on a light window: runtime/headless/chart_picture.h.
    bool save_chart_picture(std::string_view chart, const std::string& path) override;

    // What a test does and sees.
    void fire(std::string_view control, Event event, const EventArgs& args = {});
    // The control that has the keyboard ("" for none), and moving it as a click does.
    const std::string& focused() const { return focused_; }
    void focus(std::string_view control);
    // A key as the real window takes it: Tab and Shift+Tab move the keyboard along the tab
    // order, Enter presses the default button (a multi-line box takes it as a line break),
    // Esc closes a dialog.
    void press(Key key);
    // Set by the window system: opened as a dialog, or with the keyboard in its first box.
    void opened(bool dialog);
    // A key chord as the window's key bindings take it ("Ctrl+N", "Del", "Shift+F10"); Enter,
    // Esc and Tab that no binding takes go on as press() has them. True when something took it.
    bool press_key(std::string_view chord);
    // Text typed while the keyboard is in `control`: a list hears it as its typed event, a
    // box appends it.
    void type(std::string_view control, std::string_view text);
    // The user closes the window (its close box, Alt+F4): the closing event, then close().
    void user_close();
    // The user moves or sizes the window, or maximises it.
    void place(const WindowState& state);
    bool menu_item_checked(std::string_view caption) const;
    // Notifications shown beside the tray icon, title and text.
    const std::vector<std::pair<std::string, std::string>>& balloons() const { return balloons_; }
    // The sort arrow: column and direction.
    std::pair<int, int> sort_mark(std::string_view list) const;
    // How often redraw_rows drew rows of the list, and how many rows in all.
    std::pair<int, int> rows_redrawn(std::string_view list) const;
    int row_tone(std::string_view list, int row) const;
    std::string row_tip(std::string_view list, int row) const;
    // The user resizes the window to this outer size.
    void resize(int width, int height);
    // The user scrolls the list so that `first` is its top row.
    void scroll_list(std::string_view list, int first);
    // The user picks an item of the last pop-up menu.
    void choose_menu_item(std::string_view caption);
    const std::vector<std::string>& popups() const { return popups_; }
    const std::string& tray_tooltip() const { return tray_tooltip_; }
    // Addresses each HTML view was sent to, in order.
    const std::vector<std::string>& navigations(std::string_view control) const;
    bool timer_running(std::string_view timer) const;
    // The period of one of the program's own timers passes: its tick runs. False when no
    // such timer runs.
    bool tick(std::string_view timer);
    // A program timer's period in milliseconds, 0 when none runs under the name.
    int timer_period(std::string_view timer) const;
    // What a pie chart draws now: its slices and its legend lines.
    std::vector<PieSlice> chart_slices(std::string_view chart) const;
    std::vector<std::string> chart_legend(std::string_view chart) const;
    // What a figure chart shows, as last set.
    const FigureChart& figure_chart(std::string_view chart) const;
    // A progress bar's done and total as last set.
    std::pair<int, int> progress(std::string_view bar) const;
    // The cells of every row, column by column, for whole-list comparisons.
    std::vector<std::vector<std::string>> rows(std::string_view list) const;

  private:
    struct State {
        std::string text;
        bool visible = true;
        Rect rect;
        bool checked = false;
        double date = 0;
        std::vector<std::string> choices;
        int selected_choice = -1;
        std::vector<ListColumn> columns;
        std::vector<std::vector<std::string>> rows;
        int selected_row = -1;
        int top_row = 0;
        bool running = false;
        std::vector<std::string> navigations;
        std::vector<double> chart_values;
        bool chart_3d = false;
        std::shared_ptr<const RowSource> source;
        int sort_column = -1, sort_direction = 0;
        int redraws = 0, rows_redrawn = 0;  // by redraw_rows
        int progress_done = 0, progress_total = 0;
        FigureChart figure;
    };
    State& state(std::string_view control);
    const State* find(std::string_view control) const;
    int clamp_spin(const Control& c, std::string_view text) const;
    // The rows the list's height and scrolling show, whether or not that many exist.
    RowRange rows_in_view(std::string_view list) const;
    std::vector<double> chart_values(std::string_view chart) const;
    // A figure chart's state; refuses any other control.
    const State& figure_state(std::string_view chart) const;

    HeadlessWindows& system_;
    Form form_;
    Handlers handlers_;
    std::map<std::string, State, std::less<>> states_;
    State self_;
    std::map<std::string, bool, std::less<>> menu_visible_;
    std::vector<std::string> popups_;
    std::string tray_tooltip_;
    std::string focused_;
    bool dialog_ = false;
    WindowState state_;
    std::map<std::string, bool, std::less<>> menu_checked_;
    std::vector<std::pair<std::string, std::string>> balloons_;
    bool closed_ = false;
    struct ProgramTimer {
        int period_ms = 0;
        std::function<void()> tick;
    };
    std::map<std::string, ProgramTimer, std::less<>> timers_;
};

class HeadlessWindows final : public WindowSystem {
  public:
    using Script = std::function<void(HeadlessWindow&)>;
    // Answers a save dialog: its definition and the file name offered in, a path or
    // nullopt (cancel) out.
    using SaveAnswer = std::function<std::optional<std::string>(const Control&, std::string_view)>;

    Window& open(const Form& form, Handlers handlers) override;
    void open_modal(const Form& form, Handlers handlers) override;
    int run(Window& main) override;
    HeadlessWindows();
    // Background work runs at once, and what it posts too, unless held back.
    void run_in_background(std::function<void()> work) override;
    // Runs at once on the thread that made the windows; from any other thread it waits until
    // that thread calls run_posted.
    void post(std::function<void()> task) override;
    bool modal_open() const override { return modal_depth_ > 0; }
    // Runs what other threads have posted, in order, until `done` holds or `timeout` has
    // passed waiting for more; true when `done` held. Without `done`, runs what is there.
    bool run_posted(const std::function<bool()>& done = {},
                    std::chrono::milliseconds timeout = std::chrono::milliseconds(0));
    // While held, background work waits in line until finish_background runs it, in order.
    void hold_background(bool hold) { hold_background_ = hold; }
    void finish_background();

    // What to do while a dialog of this definition is open; without a script the dialog
    // closes at once, as though the user closed it.
    void on_open(std::string form_name, Script script);
    // Definitions opened so far, in order, modal or not.
    const std::vector<std::string>& opened() const { return opened_; }
    // Windows open now, newest last.
    std::vector<HeadlessWindow*> open_windows() const;
    HeadlessWindow* find(std::string_view form_name) const;
    // Without an answer every save dialog is cancelled.
    void on_save_dialog(SaveAnswer answer) { save_answer_ = std::move(answer); }
    // The filter a save dialog's answer was chosen with (from 0).
    void set_save_filter(int filter) { save_filter_ = filter; }
    int save_filter() const { return save_filter_; }
    // Answers open dialogs; without one every open dialog is cancelled.
    void on_open_dialog(std::function<std::optional<std::string>(const Control&)> answer) {
        open_answer_ = std::move(answer);
    }
    std::optional<std::string> answer_open(const Control& dialog) {
        return open_answer_ ? open_answer_(dialog) : std::nullopt;
    }
    // The screen windows must stay on.
    void set_screen(const Rect& screen) { screen_ = screen; }
    const Rect& screen() const { return screen_; }
    std::optional<std::string> answer_save(const Control& dialog, std::string_view folder,
                                           std::string_view file_name) {
        asked_saves_.emplace_back(file_name);
        asked_folders_.emplace_back(folder);
        return save_answer_ ? save_answer_(dialog, file_name) : std::nullopt;
    }
    // The file names offered by every save dialog so far, and the folders they started in.
    const std::vector<std::string>& asked_saves() const { return asked_saves_; }
    const std::vector<std::string>& asked_folders() const { return asked_folders_; }

  private:
    SaveAnswer save_answer_;
    int save_filter_ = 0;
    std::function<std::optional<std::string>(const Control&)> open_answer_;
    Rect screen_{0, 0, 1920, 1080};
    std::vector<std::string> asked_saves_;
    bool hold_background_ = false;
    std::thread::id owner_;
    std::mutex posts_mutex_;
    std::condition_variable posted_;
    std::deque<std::function<void()>> posts_;
    std::vector<std::function<void()>> waiting_work_;
    std::vector<std::string> asked_folders_;
    std::list<std::unique_ptr<HeadlessWindow>> windows_;
    std::map<std::string, Script, std::less<>> scripts_;
    std::vector<std::string> opened_;
    int modal_depth_ = 0;
};

}  // namespace runtime::headless
