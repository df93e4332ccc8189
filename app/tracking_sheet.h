#pragma once
// The tracking sheet: the current list saved as tab-separated GBK text that a spreadsheet
// program opens as a table.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "app/main_window.h"
#include "runtime/window.h"
#include "store/customer_actions.h"

#include "app/workbook_export.h"

namespace app {

// Joins the fields of a line while it is gathered; the finished sheet has a TAB in its place.
inline constexpr std::string_view kFieldMarker = "<!vantel!>";
inline constexpr const char* kOpenSheet = "a";
inline constexpr const char* kClosedSheet = "b";
inline constexpr const char* kExportDone = "导出文档成功！";
inline constexpr const char* kExportFailed = "导出文档失败，请稍后再试。";

// The sheet line of one list row with its running number, CR LF included.
std::string sheet_line(std::string_view kind, std::size_t running_number,
                       const store::CustomerRow& customer);
// The file content: the kind's header, CR LF, the lines, every marker a TAB, in GBK.
std::vector<std::uint8_t> build_sheet(std::string_view lines, std::string_view kind);
// The name the save dialog offers for a sheet of `kind` made on `today`.
std::string default_sheet_name(std::string_view kind, double today);

// The toolbar's "导出文档": asks where to save, then reloads the list, which gathers the lines.
void export_tracking_sheet(runtime::Window& window, MainContext& context);
// The end of a reload with an export pending. `loaded` tells whether the reload read the store;
// `rows` are the customers the sheet lists, in its order (a workbook is built from them).
void finish_export(MainContext& context, bool loaded, const SheetRows& rows = {});

}  // namespace app
