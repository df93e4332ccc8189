#pragma once
// Backups of the shop whichever store holds it, all in one format: a database file in 备份
// beside the program. The file store is copied as it stands, under its lock; a shop on a
// server is read in one snapshot and written into a fresh copy of the built-in file. A copy of
// either kind is put back in one step: the file as a whole, or on a server every customer and
// setting in one transaction.
#include <string>

#include "engine/failure.h"
#include "engine/location.h"
#include "jet/civil_date.h"
#include "jet/file_system.h"

namespace store {

// Today's next copy of the shop at `where` into `folder` (made when missing); then the
// expired copies go. Returns the copy's path.
Result<std::string> back_up_shop(jet::FileSystem& fs, const StoreLocation& where,
                                 const std::string& folder, jet::CivilDate today);

// Puts the copy at `backup` in place of the shop at `where`. On a server the shop's own
// settings (its row 2) stay as they are: a copy of this PC's file holds this PC's settings,
// which are no business of the other PCs. A copy that does not open as the program's is
// refused and nothing changes.
Status restore_shop(jet::FileSystem& fs, const StoreLocation& where, const std::string& backup);

}  // namespace store
