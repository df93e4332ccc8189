#pragma once
// One real window built from its definition.
// clang-format off
#include <windows.h>
#include <commctrl.h>
// clang-format on

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "runtime/win32/figure_chart_view.h"
#include "runtime/win32/pie_chart_view.h"
#include "runtime/win32/web_view.h"
#include "runtime/window.h"

namespace runtime::win32 {

class Win32Windows;

// The tray icon's messages to its window, and its number.
inline constexpr UINT kTrayMessage = WM_APP + 1;
inline constexpr UINT kTrayId = 1;

// The message the skin engine sends a list's window to learn a row's tone: wParam the row,
// lParam the list; the answer is 0 (plain), 1 (due) or 2 (overdue).
UINT row_tone_message();

class Win32Window final : public Window {
  public:
    Win32Window(Win32Windows& system, const Form& form, Handlers handlers);
    ~Win32Window() override;
    Win32Window(const Win32Window&) = delete;
    Win32Window& operator=(const Win32Window&) = delete;

    // Creates the window and its controls, then runs the created event.
    bool create();
    // A dialog closes on Esc as it does with its close box.
    void set_dialog(bool dialog) { dialog_ = dialog; }
    HWND handle() const { return hwnd_; }

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
    void popup_menu_at(std::string_view menu, std::string_view list) override;
    double chart_value(std::string_view chart, int item) const override;
    void set_chart_value(std::string_view chart, int item, double value) override;
    bool chart_3d(std::string_view chart) const override;
    void set_chart_3d(std::string_view chart, bool on) override;
    std::optional<std::string> ask_save_path(std::string_view dialog, std::string_view folder,
                                             std::string_view file_name) override;
    void navigate(std::string_view control, std::string_view address) override;
    void show_rows(std::string_view list, std::shared_ptr<const RowSource> rows) override;
    void refresh_rows(std::string_view list) override;
    void redraw_rows(std::string_view list, RowRange rows) override;
    void set_sort_mark(std::string_view list, int column, int direction) override;
    std::optional<SaveChoice> ask_save_choice(std::string_view dialog, std::string_view folder,
                                              std::string_view file_name) override;
    std::optional<std::string> ask_open_path(std::string_view dialog,
                                             std::string_view folder) override;
    void set_focus(std::string_view control) override;
    void set_menu_item_checked(std::string_view caption, bool checked) override;
    void show_tray_balloon(std::string_view title, std::string_view text) override;
    WindowState window_state() const override;
    void set_window_state(const WindowState& state) override;
    void start_timer(std::string_view name, int period_ms, std::function<void()> tick) override;
    void scroll_to_row(std::string_view list, int first) override;
    void set_progress(std::string_view bar, int done, int total) override;
    void set_figure_chart(std::string_view chart, const FigureChart& data) override;
    bool save_chart_picture(std::string_view chart, const std::string& path) override;
    // A key or character on its way to a control of this window; true when a key binding or
    // a list's typing took it (keyboard.cpp).
    bool translate_key(const MSG& msg);

    void add_tray_icon(std::string_view tooltip) override;
    void stop_timer(std::string_view timer) override;
    void close() override;
    bool closed() const override { return closed_; }

    // The window procedure's work; `hwnd` is the window's own handle, known from its first
    // message on, before CreateWindowEx returns.
    LRESULT handle_message(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);

  private:
    struct Child {
        const Control* def = nullptr;
        HWND hwnd = nullptr;
        HWND buddy = nullptr;  // the up-down arrows of a spin edit
        UINT id = 0;
    };
    void create_control(const Control& c, UINT id);
    void create_toolbar(const Control& c, Child& child);
    void create_list(const Control& c, Child& child);
    const Child& child(std::string_view control) const;
    HWND hwnd_of(std::string_view control) const;
    void fire(std::string_view control, Event event, const EventArgs& args = {});
    const Child* child_by_id(UINT id) const;
    // Keyboard (keyboard.cpp): the tab stops in reading order, the control that has the
    // keyboard when the window opens or comes back to the front, Enter and Esc.
    void arrange_tab_order();
    void choose_first_focus();
    void on_activate(bool active);
    LRESULT default_button_id() const;
    bool on_dialog_command(UINT id);
    void to_next_control(bool backwards);
    void track_menu(std::string_view menu, POINT at);
    // Lists (list_view.cpp): the program's own rows, tones and header clicks.
    const RowSource* source_of(HWND list) const;
    int row_tone(HWND list, int row) const;
    bool list_notify(const Child& list, NMHDR* header, LRESULT& result);
    // Save and open dialogs (file_dialogs.cpp).
    std::optional<SaveChoice> file_dialog(std::string_view dialog, std::string_view folder,
                                          std::string_view file_name, bool save);
    void hold_drawing(HWND list);
    using Rows = std::vector<std::vector<std::wstring>>;
    Rows& rows_of(HWND list);
    const Rows& rows_of(HWND list) const;
    // Tells the list its length when rows were added since it last knew it.
    void sync_count(HWND list) const;
    // Called while a list draws: when other rows are in view than it last reported, its
    // rows_shown event runs once the program next waits for input.
    void note_rows_shown(const Child& list);

    Win32Windows& system_;
    Form form_;
    Handlers handlers_;
    HWND hwnd_ = nullptr;
    HFONT font_ = nullptr;
    std::vector<HIMAGELIST> image_lists_;
    std::map<std::string, Child, std::less<>> children_;
    std::map<std::string, std::unique_ptr<PieChartState>, std::less<>> charts_;
    PieChartState& chart(std::string_view control) const;
    std::map<std::string, std::unique_ptr<FigureChartState>, std::less<>> figures_;
    std::map<std::string, bool, std::less<>> menu_visible_;
    std::map<std::string, std::unique_ptr<WebView>, std::less<>> web_views_;
    // The program's own timers, by name and by the id Windows ticks them with.
    std::map<std::string, UINT, std::less<>> timer_ids_;
    std::map<UINT, std::function<void()>> timer_ticks_;
    UINT next_timer_id_ = 0x6000;     // past every control's id
    std::set<HWND> held_lists_;       // lists filled since the program last waited for input
    std::map<HWND, Rows> list_rows_;  // the cells of each list view, row by row
    std::map<HWND, std::shared_ptr<const RowSource>> sources_;  // lists the program fills itself
    std::map<std::string, bool, std::less<>> menu_checked_;
    mutable std::set<HWND> uncounted_lists_;
    std::map<HWND, RowRange> rows_reported_;  // the rows in view each list last reported
    std::set<std::string> rows_shown_;        // lists whose rows_shown event waits
    bool created_ = false;
    bool dialog_ = false;
    HWND focus_ = nullptr;  // the control that had the keyboard when the window last let it go
    bool closed_ = false;
    bool tray_ = false;
    int quiet_ = 0;  // while the program itself fills controls, content changes are not news
    // The program places everything in pixels of a 96-DPI screen; this scales them to the
    // screen's own.
    double scale_ = 1.0;
    int px(int logical) const;
    int logical(int pixels) const;
};

}  // namespace runtime::win32
