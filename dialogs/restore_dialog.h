#pragma once
// "恢复备份…": the copies in 备份 with their dates, sizes and counts, and one put back after
// the user agrees, the database as it stood first copied into 备份 itself.
#include <functional>
#include <string>

#include "engine/location.h"
#include "jet/civil_date.h"
#include "jet/file_system.h"
#include "runtime/window.h"

namespace dialogs {

struct RestoreContext {
    std::string database_path;  // 备份 is beside it
    // Where the shop's data is, and whether other PCs share it (the question says so).
    store::StoreLocation where;
    bool shared = false;
    jet::FileSystem* files = nullptr;
    std::function<jet::CivilDate()> today;
    // After a copy was put back: everything the program shows comes from it now.
    std::function<void()> restored;
};

// "159.7 KB", "2.3 MB": a size as the list shows it.
std::string size_text(std::uint64_t bytes);

runtime::Handlers restore_handlers(RestoreContext context);

}  // namespace dialogs
