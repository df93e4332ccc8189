#pragma once
// Window definitions as data: what a window holds, where, with which settings, and which
// named operation each event runs. The backends build real or in-memory windows from them.
#include <cstdint>
#include <string>
#include <vector>

namespace runtime {

enum class ControlKind {
    label,
    button,
    edit,       // single or multi-line text box
    spin_edit,  // an edit box with up-down buttons holding an integer
    date_picker,
    drop_list,  // a drop-down list the user cannot type into
    check_box,
    list_view,  // report style
    toolbar,
    timer,
    html_view,
    pie_chart,
    figure_chart,  // bars per group above a line of percents (runtime/figure_chart.h)
    save_dialog,
    open_dialog,
    progress_bar,
};

enum class Event {
    created,
    resized,
    tray,                  // argument: 1 left button up, 2 left double-click, 3 right button up
    right_button,          // right mouse button pressed on the window itself
    clicked,               // button, check box
    entry_clicked,         // toolbar; argument: the entry index, separators counted
    changed,               // edit box content
    lost_focus,            // edit box
    date_changed,          // date picker
    tick,                  // timer
    item_right_clicked,    // list view
    double_clicked,        // list view
    menu_clicked,          // menu item
    column_clicked,        // list view header; argument: the column
    typed,                 // list view: text typed while it has the keyboard (EventArgs::item)
    closing,               // the window is about to close, by the user or the program
    balloon_clicked,       // the tray icon's notification was clicked
    rows_shown,            // list view: other rows came into view (scrolled, resized)
    time_changed,          // the system's date or time was set (WM_TIMECHANGE)
    header_right_clicked,  // list view: its header was right-clicked
};

struct Binding {
    Event event;
    std::string handler;  // the name of the operation, looked up among the window's handlers
};

struct Rect {
    int left = 0, top = 0, width = 0, height = 0;
    bool operator==(const Rect&) const = default;
};

enum class Align { left, centre, right };

struct ListColumn {
    std::string caption;
    int width = 0;
    Align align = Align::left;
};

struct ToolbarEntry {
    std::string caption;  // empty for a separator
    int image = -1;       // index into the toolbar's image list; -1 for a separator
    bool drop_down = false;
    bool separator() const { return image < 0; }
};

// One item of the window's flat menu list: level 0 opens a pop-up menu, level 1 items
// belong to the last level-0 item before them; "-" is a separator.
struct MenuItem {
    std::string caption;
    int level = 1;
    bool visible = true;
    std::string handler;   // run when clicked; empty for separators and pop-up titles
    std::string shortcut;  // shown beside the caption ("Ctrl+F"); a key binding runs it
};

// A key the window answers: "Ctrl+N", "Shift+F10", "Enter", "Del", "F5", "Esc" and the like.
// With `only_in`, only while that control has the keyboard (Enter and Del in the list mean
// something else in a text box).
struct KeyBinding {
    std::string chord;
    std::string handler;
    std::string only_in;
};

struct Control {
    std::string name;
    ControlKind kind = ControlKind::label;
    Rect rect;
    std::string text;  // caption, initial text, or a dialog's title
    bool visible = true;
    bool tab_stop = false;
    // Edit boxes.
    bool multi_line = false;
    bool vertical_scroll = false;
    bool centred = false;
    bool number_only = false;
    bool password = false;  // shows a mark for each character typed
    // Buttons.
    bool default_button = false;
    // Spin edits.
    int minimum = 0, maximum = 0;
    // List views.
    std::vector<ListColumn> columns;
    int row_height = 0;  // 0: the system's
    // Toolbars.
    std::vector<ToolbarEntry> entries;
    int image_size = 0;
    int image_count = 0;
    // Timers.
    int period_ms = 0;
    // Save dialogs.
    std::string filter;
    std::string default_extension;
    // Pie charts: item captions with their COLORREF colours, and the unit text.
    std::vector<std::pair<std::string, std::uint32_t>> chart_items;
    std::vector<double> chart_values;  // as stored, until the code sets them
    std::string unit;
    std::vector<Binding> events;
};

enum class Border { resizable, fixed };

struct Form {
    std::string name;
    std::string title;  // empty: the code sets it when the window opens
    int width = 0, height = 0;
    int left = 50, top = 50;
    Border border = Border::fixed;
    bool visible = true;
    // The control that has the keyboard when the window opens; empty: the first tab stop.
    std::string focus;
    std::vector<Control> controls;  // in creation order
    std::vector<MenuItem> menus;
    std::vector<KeyBinding> keys;
    std::vector<Binding> events;

    const Control* find(std::string_view control) const;
};

}  // namespace runtime
