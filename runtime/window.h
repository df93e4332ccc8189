#pragma once
// A live window built from its definition, and the operations handlers use on it. Controls
// are addressed by name; the window itself by the empty name.
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "runtime/figure_chart.h"
#include "runtime/form.h"

namespace runtime {

struct EventArgs {
    int value = 0;     // toolbar entry index, tray action code
    std::string item;  // the menu item clicked
};

// The rows of a list view in view: `count` rows from `first`.
struct RowRange {
    int first = 0;
    int count = 0;
    bool operator==(const RowRange&) const = default;
};

// The rows of a list that the program keeps itself: the list asks for the texts it shows,
// so that a list of any length is refilled, sorted or filtered at the cost of its count.
class RowSource {
  public:
    virtual ~RowSource() = default;
    virtual int count() const = 0;
    virtual std::string cell(int row, int column) const = 0;
    // A row drawn in a colour of its own: 0 plain, 1 due, 2 overdue.
    virtual int tone(int) const { return 0; }
    // What shows when the pointer rests on a row; "" for the list's own (a cut text in full).
    virtual std::string tip(int) const { return {}; }
};

// Where the save dialog put the file and which of its filters was chosen (from 0).
struct SaveChoice {
    std::string path;
    int filter = 0;
};

// A top-level window's place as the user left it.
struct WindowState {
    Rect normal;  // outer rectangle when neither minimised nor maximised
    bool maximised = false;
    bool operator==(const WindowState&) const = default;
};

class Window;
using Handler = std::function<void(Window&, const EventArgs&)>;
using Handlers = std::map<std::string, Handler, std::less<>>;

class Window {
  public:
    virtual ~Window() = default;
    virtual const Form& form() const = 0;

    virtual std::string text(std::string_view control) const = 0;
    virtual void set_text(std::string_view control, std::string_view text) = 0;
    virtual bool visible(std::string_view control) const = 0;
    virtual void set_visible(std::string_view control, bool visible) = 0;
    // The window's outer rectangle on the screen, or a control's within the client area.
    virtual Rect placement(std::string_view control) const = 0;
    virtual void set_placement(std::string_view control, const Rect& rect) = 0;
    virtual bool checked(std::string_view control) const = 0;
    virtual void set_checked(std::string_view control, bool checked) = 0;
    // Date pickers: days since 1899-12-30, the fraction the time of day.
    virtual double date(std::string_view control) const = 0;
    virtual void set_date(std::string_view control, double date) = 0;

    // Drop-down lists.
    virtual void clear_choices(std::string_view control) = 0;
    virtual void add_choice(std::string_view control, std::string_view text) = 0;
    virtual int choice_count(std::string_view control) const = 0;
    virtual int selected_choice(std::string_view control) const = 0;  // -1: none
    virtual void select_choice(std::string_view control, int index) = 0;

    // List views.
    virtual std::string column_title(std::string_view list, int column) const = 0;
    virtual void set_column_title(std::string_view list, int column, std::string_view title) = 0;
    virtual int column_width(std::string_view list, int column) const = 0;
    // -1 fits the column to its contents, -2 to its header.
    virtual void set_column_width(std::string_view list, int column, int width) = 0;
    virtual void delete_all_items(std::string_view list) = 0;
    // Appends a row whose first cell is `text`; returns its index.
    virtual int append_item(std::string_view list, std::string_view text) = 0;
    virtual void set_cell(std::string_view list, int row, int column, std::string_view text) = 0;
    // The empty text for a row or column that does not exist.
    virtual std::string cell(std::string_view list, int row, int column) const = 0;
    virtual int item_count(std::string_view list) const = 0;
    virtual int selected_row(std::string_view list) const = 0;  // -1: none
    // Selects and focuses the row; -1 selects none; nothing for a row that does not exist.
    virtual void select_row(std::string_view list, int row) = 0;
    // The rows the user can see now, partly shown ones included; the list's rows_shown event
    // tells when they change.
    virtual RowRange visible_rows(std::string_view list) const = 0;

    // Menus: items by caption.
    virtual bool menu_item_visible(std::string_view caption) const = 0;
    virtual void set_menu_item_visible(std::string_view caption, bool visible) = 0;
    // Shows the pop-up menu at the mouse position; a chosen item runs its handler.
    virtual void popup_menu(std::string_view menu) = 0;
    // The same at the selected row of `list` (its top left corner without one), as the
    // context-menu key shows a row's menu.
    virtual void popup_menu_at(std::string_view menu, std::string_view list) = 0;

    // Pie charts: an item outside the chart's items means item 0, as the chart control
    // takes it; values are kept within 0 .. 10,000,000.
    virtual double chart_value(std::string_view chart, int item) const = 0;
    virtual void set_chart_value(std::string_view chart, int item, double value) = 0;
    virtual bool chart_3d(std::string_view chart) const = 0;
    virtual void set_chart_3d(std::string_view chart, bool on) = 0;

    // Save dialogs: asks where to save, starting in `folder` (empty: the dialog's own
    // choice) and offering `file_name`; nullopt when the user cancelled. The dialog's title,
    // filter and extension come from its definition.
    virtual std::optional<std::string> ask_save_path(std::string_view dialog,
                                                     std::string_view folder,
                                                     std::string_view file_name) = 0;

    // HTML views: shows the page at `address`.
    virtual void navigate(std::string_view control, std::string_view address) = 0;

    virtual void add_tray_icon(std::string_view tooltip) = 0;
    virtual void stop_timer(std::string_view timer) = 0;
    virtual void close() = 0;
    virtual bool closed() const = 0;

    // Lists whose rows the program keeps (RowSource): `show_rows` takes a source in place of
    // the list's own rows, `refresh_rows` shows what changed in it (its count included).
    // The other list operations read through it; delete_all_items lets it go.
    virtual void show_rows(std::string_view list, std::shared_ptr<const RowSource> rows) = 0;
    virtual void refresh_rows(std::string_view list) = 0;
    // The texts of these rows changed, not the rows themselves: only they are drawn again.
    virtual void redraw_rows(std::string_view list, RowRange rows) = 0;
    // The arrow on a column header: 1 ascending, -1 descending, 0 none.
    virtual void set_sort_mark(std::string_view list, int column, int direction) = 0;
    // Save dialogs with more than one filter: the path and the filter chosen.
    virtual std::optional<SaveChoice> ask_save_choice(std::string_view dialog,
                                                      std::string_view folder,
                                                      std::string_view file_name) = 0;
    // Open dialogs: the file chosen, nullopt when cancelled.
    virtual std::optional<std::string> ask_open_path(std::string_view dialog,
                                                     std::string_view folder) = 0;
    virtual void set_focus(std::string_view control) = 0;
    // A tick beside a menu item.
    virtual void set_menu_item_checked(std::string_view caption, bool checked) = 0;
    // A notification beside the tray icon, which goes by itself; a click on it is the
    // window's balloon_clicked event.
    virtual void show_tray_balloon(std::string_view title, std::string_view text) = 0;
    virtual WindowState window_state() const = 0;
    // Puts the window where it was; a place on no screen any more comes onto the main one.
    virtual void set_window_state(const WindowState& state) = 0;
    // A timer of the program's own beside the definition's: `tick` runs on the windows'
    // thread about every `period_ms` until stop_timer(name) or the window closes. Starting
    // one under a name in use replaces it.
    virtual void start_timer(std::string_view name, int period_ms, std::function<void()> tick) = 0;
    // Scrolls the list so that `first` is its top row, as far as its rows allow.
    virtual void scroll_to_row(std::string_view list, int first) = 0;
    // Progress bars: `done` of `total` filled; a total of 0 says nobody knows how long, and
    // the bar moves to show that work goes on.
    virtual void set_progress(std::string_view bar, int done, int total) = 0;
    // Figure charts: what the chart shows, drawn at once.
    virtual void set_figure_chart(std::string_view chart, const FigureChart& data) = 0;
    // The chart as it is drawn now, as a PNG picture at `path`, written beside and put in
    // place in one step (as the program's other exports are: FilesAdapter::replace); false
    // when it could not be written.
    virtual bool save_chart_picture(std::string_view chart, const std::string& path) = 0;
};

class WindowSystem {
  public:
    virtual ~WindowSystem() = default;
    // Builds a window, runs its created event and returns it; it lives until closed.
    virtual Window& open(const Form& form, Handlers handlers) = 0;
    // Builds a dialog with no owner, runs its created event, and returns once it is closed;
    // meanwhile every other window of the program takes no input.
    virtual void open_modal(const Form& form, Handlers handlers) = 0;
    // Shows `main` and handles events until it is closed; returns the exit code.
    virtual int run(Window& main) = 0;
    // Runs `work` on a thread of its own; the program's windows stay responsive meanwhile.
    virtual void run_in_background(std::function<void()> work) = 0;
    // Runs `task` on the windows' thread the next time it waits for input, as long as the main
    // window is open; may be called from any thread.
    virtual void post(std::function<void()> task) = 0;
    // True while a dialog or message box of the program is open, that is while the main
    // window takes no input.
    virtual bool modal_open() const = 0;
};

// Runs the operations bound to `event` of `control` ("" for the window itself).
void dispatch(Window& window, const Handlers& handlers, std::string_view control, Event event,
              const EventArgs& args = {});

}  // namespace runtime
