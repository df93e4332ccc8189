#include "app/program_settings.h"

#include <charconv>
#include <vector>

#include "app/main_window.h"
#include "dialogs/cadence_dialog.h"
#include "store/provision.h"
#include "store/sources.h"

namespace app {

namespace {

// Whole numbers separated by commas; nullopt unless there are exactly `count` of them.
std::optional<std::vector<int>> numbers(std::string_view text, std::size_t count) {
    std::vector<int> out;
    while (true) {
        const auto comma = text.find(',');
        const std::string_view part = text.substr(0, comma);
        int n = 0;
        auto [end, error] = std::from_chars(part.data(), part.data() + part.size(), n);
        if (error != std::errc() || end != part.data() + part.size() || part.empty())
            return std::nullopt;
        out.push_back(n);
        if (comma == std::string_view::npos) break;
        text.remove_prefix(comma + 1);
    }
    if (out.size() != count) return std::nullopt;
    return out;
}

std::string joined(const std::vector<int>& values) {
    std::string out;
    for (std::size_t i = 0; i < values.size(); ++i)
        out += (i ? "," : "") + std::to_string(values[i]);
    return out;
}

}  // namespace

namespace {

// This PC's own file, even when the customers are on a server: the window, the list's order
// and the choice of store belong to the PC. The cadence, shared by the shop, follows the store
// in use (store_choice).
store::StoreLocation this_pc(const MainContext& context) {
    return context.shop.this_pc();
}

}  // namespace

void load_program_settings(MainContext& context) {
    auto stored =
        store::read_setting(context.connection, context.rows, this_pc(context), store::kProgramRow);
    if (stored) context.settings = services::SettingsLines(*stored);
}

store::ActionResult save_program_setting(MainContext& context, std::string_view key,
                                         std::string_view value) {
    auto result = store::update_setting(context.connection, context.rows, this_pc(context),
                                        store::kProgramRow, [&](const std::string& now) {
                                            services::SettingsLines lines(now);
                                            lines.set(key, value);
                                            return lines.text();
                                        });
    if (result) context.settings.set(key, value);
    return result;
}

int cadence_of(const services::SettingsLines& settings) {
    auto text = settings.get(kCadenceKey);
    if (!text) return kDefaultCadence;
    auto n = numbers(*text, 1);
    if (!n || (*n)[0] < 1 || (*n)[0] > dialogs::kLongestCadence) return kDefaultCadence;
    return (*n)[0];
}

std::optional<runtime::WindowState> window_of(const services::SettingsLines& settings) {
    auto text = settings.get(kWindowKey);
    if (!text) return std::nullopt;
    auto n = numbers(*text, 5);
    // A window too small to use is no place to come back to.
    if (!n || (*n)[2] < 200 || (*n)[3] < 150 || (*n)[2] > 20000 || (*n)[3] > 20000 ||
        ((*n)[4] != 0 && (*n)[4] != 1))
        return std::nullopt;
    return runtime::WindowState{{(*n)[0], (*n)[1], (*n)[2], (*n)[3]}, (*n)[4] == 1};
}

std::string window_text(const runtime::WindowState& s) {
    return joined(
        {s.normal.left, s.normal.top, s.normal.width, s.normal.height, s.maximised ? 1 : 0});
}

std::optional<std::array<int, 6>> columns_of(const services::SettingsLines& settings) {
    auto text = settings.get(kColumnsKey);
    if (!text) return std::nullopt;
    auto n = numbers(*text, 6);
    if (!n) return std::nullopt;
    std::array<int, 6> widths{};
    for (std::size_t i = 0; i < 6; ++i) {
        if ((*n)[i] < 0 || (*n)[i] > 4000) return std::nullopt;
        widths[i] = (*n)[i];
    }
    return widths;
}

std::string columns_text(const std::array<int, 6>& widths) {
    return joined({widths.begin(), widths.end()});
}

}  // namespace app
