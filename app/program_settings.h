#pragma once
// The program's own settings in settings row 2, one "key=value" line each: the follow-up
// cadence, the list's sort, the window's place and its columns' widths.
#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "app/list_order.h"
#include "runtime/window.h"
#include "services/settings_lines.h"
#include "store/customer_actions.h"

namespace app {

struct MainContext;

inline constexpr const char* kCadenceKey = "cadence";
inline constexpr const char* kSortKey = "sort";
inline constexpr const char* kWindowKey = "window";
inline constexpr const char* kColumnsKey = "columns";
inline constexpr const char* kNextDateColumnKey = "next_date_column";  // "1": shown
inline constexpr const char* kTagsColumnKey = "tags_column";           // "1": shown

// Reads this PC's settings (row 2 of its own file) into the context; they stay as they were
// when it cannot be read.
void load_program_settings(MainContext& context);
// Stores one key, keeping every other line of the row as another copy may just have left it.
store::ActionResult save_program_setting(MainContext& context, std::string_view key,
                                         std::string_view value);

// Each setting as the program uses it; a value it cannot read is its default.
int cadence_of(const services::SettingsLines& settings);
std::optional<runtime::WindowState> window_of(const services::SettingsLines& settings);
std::string window_text(const runtime::WindowState& state);
// The widths of list columns 1 to 6.
std::optional<std::array<int, 6>> columns_of(const services::SettingsLines& settings);
std::string columns_text(const std::array<int, 6>& widths);

}  // namespace app
