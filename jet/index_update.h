#pragma once
// Changing one entry of an integer-key index in place, for the common case: the entry's
// leaf has room (or keeps an entry) and no separator above it moves. Anything else (a
// split, an emptied leaf, a new largest entry under a separator) is left to a rebuild.
#include <functional>
#include <optional>
#include <vector>

#include "jet/index_page.h"
#include "jet/pager.h"
#include "jet/result.h"

namespace jet {

// The pages as they must be written; nullopt when only a rebuild can place the entry. A
// new largest entry that finds the last leaf full starts a new last leaf, on a page from
// `allocate`, when the parent has room for one more child.
using AllocatePage = std::function<Result<std::uint32_t>()>;
Result<std::optional<std::vector<IndexPageImage>>> insert_in_place(Pager& pager, std::uint32_t root,
                                                                   const IndexEntry& entry,
                                                                   const AllocatePage& allocate);
// The same for taking an entry out; nullopt also when the entry is not found.
Result<std::optional<IndexPageImage>> remove_in_place(Pager& pager, std::uint32_t root,
                                                      const IndexEntry& entry);

}  // namespace jet
