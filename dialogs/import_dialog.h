#pragma once
// "导入客户…": the rows of a spreadsheet or text file the user chose, shown with what each
// column seems to hold, and added to the open or the closed list after a backup, all at once.
#include <functional>
#include <memory>
#include <string>

#include "engine/location.h"
#include "formats/table.h"
#include "jet/civil_date.h"
#include "jet/file_system.h"
#include "runtime/window.h"

namespace dialogs {

struct ImportContext {
    std::string database_path;
    jet::FileSystem* files = nullptr;
    std::string file_path;  // the file the rows come from
    formats::Table table;
    std::function<jet::CivilDate()> today;
    // After rows were added: the list shows them.
    std::function<void()> imported;
    // Where the customers are this run; without it, the file at database_path.
    std::function<store::StoreLocation()> location;
};

runtime::Handlers import_handlers(std::shared_ptr<ImportContext> context);

}  // namespace dialogs
