#include "app/window_memory.h"

#include "app/list_tools.h"
#include "app/program_settings.h"
#include "forms/forms.h"
#include "store/provision.h"
#include "store/sources.h"

namespace app {

void restore_window(runtime::Window& window, MainContext& context) {
    const services::SettingsLines& settings = context.settings;
    context.sort = parse_sort(settings.get(kSortKey).value_or(""));
    if (auto widths = columns_of(settings))
        for (int c = 1; c <= 6; ++c)
            window.set_column_width(forms::main::kList, c,
                                    (*widths)[static_cast<std::size_t>(c - 1)]);
    if (settings.get(kNextDateColumnKey) == "1") show_next_date_column(window, context, true);
    if (settings.get(kTagsColumnKey) == "1") show_tags_column(window, context, true);
    // The list follows the window's new size through the resize rule.
    if (auto state = window_of(settings)) window.set_window_state(*state);
}

void remember_window(const runtime::Window& window, MainContext& context) {
    std::array<int, 6> widths{};
    for (int c = 1; c <= 6; ++c)
        widths[static_cast<std::size_t>(c - 1)] = window.column_width(forms::main::kList, c);
    const std::string place = window_text(window.window_state());
    const std::string columns = columns_text(widths);
    // One write for both; a store that cannot take it loses only the window's place.
    (void)store::update_setting(context.connection, context.rows,
                                {context.state.database_path, store::kDatabasePassword},
                                store::kProgramRow, [&](const std::string& now) {
                                    services::SettingsLines lines(now);
                                    lines.set(kWindowKey, place);
                                    lines.set(kColumnsKey, columns);
                                    return lines.text();
                                });
}

}  // namespace app
