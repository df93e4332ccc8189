#pragma once
// Indexes of a file's text columns kept in memory from one action to the next. The file has
// no index on a buyer's ID, and every save asks whether the buyer is there already: reading
// every customer for that makes a save cost what the shop holds. An index stays trusted while
// the file keeps the stamp this program's own last change left; any other change to the file
// shows in its stamp, and the index is read again from the file.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "jet/text_lookup.h"
#include "jet/value.h"

namespace store {

class KeptLookups final : public jet::TextLookup {
  public:
    using StampReader = std::function<std::optional<std::uint64_t>()>;
    // `file` names the file among all the process opens; `stamp` reads its stamp now.
    KeptLookups(const std::string& file, StampReader stamp);
    ~KeptLookups() override;
    KeptLookups(const KeptLookups&) = delete;
    KeptLookups& operator=(const KeptLookups&) = delete;

    std::optional<std::vector<jet::RowPointer>> rows(jet::Database& db, const jet::TableDef& table,
                                                     const jet::Column& column,
                                                     std::string_view value) override;
    // This action stored a row (added or changed): its values, in the table's column order.
    void stored(const jet::TableDef& table, jet::RowPointer at, const std::vector<jet::Value>& row);
    // This action's changes are in the file, which now has `stamp` (none: it could not be read).
    void committed(std::optional<std::uint64_t> stamp);

    struct File;

  private:
    std::shared_ptr<File> file_;
    StampReader stamp_;
    bool trusted_ = false;  // the file was as the indexes know it, at some moment of this action
    bool wrote_ = false;
};

}  // namespace store
