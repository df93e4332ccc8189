#include "app/tracking_sheet.h"

#include <cmath>
#include <utility>

#include "app/workbook_export.h"
#include "dialogs/dates.h"
#include "forms/forms.h"
#include "runtime/platform.h"
#include "services/date_format.h"
#include "services/message.h"
#include "services/text_encoding.h"

namespace app {

namespace {

constexpr const char* kSheetDate = "%y-%m-%d";
constexpr const char* kNameDate = "%y%m%d";
constexpr const char* kCrLf = "\r\n";

std::string header_of(std::string_view kind) {
    const std::string m(kFieldMarker);
    const std::string start = "序号" + m + "客户旺旺" + m + "我们的旺旺" + m + "第一次咨询日期" + m;
    if (kind == kOpenSheet) return start + "最后跟踪日期" + m + "备注";
    if (kind == kClosedSheet) return start + "交易日期" + m + "备注";
    return {};
}

// A quote inside a quoted field is doubled, or every spreadsheet ends the field there.
std::string quoted(std::string_view text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '"') out += '"';
        out += c;
    }
    out += '"';
    return out;
}

// A cell beginning with "=", "+", "-" or "@" is a formula to Excel and WPS when they open the
// sheet: an apostrophe before it keeps it text, and the spreadsheet shows it without one.
std::string as_text(std::string_view text) {
    if (!text.empty() && std::string_view("=+-@").find(text.front()) != std::string_view::npos)
        return "'" + std::string(text);
    return std::string(text);
}

}  // namespace

std::string sheet_line(std::string_view kind, std::size_t running_number,
                       const store::CustomerRow& customer) {
    const std::string m(kFieldMarker);
    const double last = kind == kClosedSheet ? customer.deal_date : customer.last_follow_up;
    return std::to_string(running_number) + m + as_text(customer.buyer) + m +
           as_text(customer.our_id) + m +
           services::format_date(customer.first_enquiry, kSheetDate) + m +
           services::format_date(last, kSheetDate) + m + quoted(as_text(customer.note)) + kCrLf;
}

std::vector<std::uint8_t> build_sheet(std::string_view lines, std::string_view kind) {
    std::string text = header_of(kind) + kCrLf;
    text.append(lines);
    std::string tabbed;
    tabbed.reserve(text.size());
    for (std::size_t at = 0;;) {
        const std::size_t found = text.find(kFieldMarker, at);
        if (found == std::string::npos) {
            tabbed.append(text, at, std::string::npos);
            break;
        }
        tabbed.append(text, at, found - at);
        tabbed += '\t';
        at = found + kFieldMarker.size();
    }
    const std::string gbk = services::to_gbk(tabbed);
    return {gbk.begin(), gbk.end()};
}

std::string default_sheet_name(std::string_view kind, double today) {
    return "岚桥淘宝会员跟踪表" + services::format_date(std::floor(today), kNameDate) +
           (kind == kOpenSheet ? "_未成交" : "_已成交");
}

void export_tracking_sheet(runtime::Window& window, MainContext& context) {
    std::string desktop = runtime::platform().shell().desktop_folder();
    if (!desktop.empty() && desktop.back() != '\\') desktop += '\\';
    AppState& state = context.state;
    state.export_kind = closed_mode(state.list_mode) ? kClosedSheet : kOpenSheet;
    auto choice =
        window.ask_save_choice(forms::main::kSaveDialog, desktop,
                               default_sheet_name(state.export_kind, dialogs::now_as_date()));
    if (!choice) {
        state.export_kind.clear();
        return;
    }
    state.export_workbook = wants_workbook(choice->path, choice->filter);
    state.export_path = state.export_workbook ? workbook_path(choice->path) : choice->path;
    reload_list(window, context);
}

void finish_export(MainContext& context, bool loaded, const SheetRows& rows) {
    AppState& state = context.state;
    const std::string kind = std::exchange(state.export_kind, {});
    // Lines of an earlier load would be stale data reported as fresh: a load that did not read
    // the store writes nothing, and only a file written whole counts as exported. The sheet
    // goes in beside an older one and takes its place in one step, so a full disk or a pulled
    // stick never leaves a cut sheet where the older one was.
    bool written = false;
    if (loaded && state.export_workbook) {
        auto workbook = build_workbook(kind, rows);
        written = workbook && runtime::platform().files().replace(state.export_path, *workbook);
    } else if (loaded) {
        written = runtime::platform().files().replace(state.export_path,
                                                      build_sheet(state.export_lines, kind));
    }
    services::show_message(written ? kExportDone : kExportFailed, services::kButtonsOk,
                           written ? "恭喜：" : services::kDefaultMessageTitle);
}

}  // namespace app
