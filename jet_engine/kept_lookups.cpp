#include "jet_engine/kept_lookups.h"

#include <algorithm>
#include <map>
#include <mutex>
#include <utility>

#include "engine/program_tables.h"
#include "jet/database.h"
#include "jet/text.h"
#include "jet/text_key_index.h"

namespace store {

// What the process knows of one file, shared by every action on it.
struct KeptLookups::File {
    std::mutex mutex;
    std::optional<std::uint64_t> stamp;  // the file's, when its indexes were last true
    // By the table's definition page and the column's place in its rows.
    std::map<std::pair<std::uint32_t, std::size_t>, jet::TextKeyIndex> indexes;
};

namespace {

// The files opened last; an older one builds its indexes again when it is next used.
constexpr std::size_t kFilesKept = 4;

std::shared_ptr<KeptLookups::File> file_named(const std::string& name) {
    static std::mutex mutex;
    static std::vector<std::pair<std::string, std::shared_ptr<KeptLookups::File>>> files;
    std::lock_guard guard(mutex);
    auto it =
        std::find_if(files.begin(), files.end(), [&](const auto& f) { return f.first == name; });
    if (it == files.end()) {
        if (files.size() == kFilesKept) files.pop_back();
        files.insert(files.begin(), {name, std::make_shared<KeptLookups::File>()});
    } else {
        std::rotate(files.begin(), it, it + 1);
    }
    return files.front().second;
}

// Whether the program finds rows of this table by the column's value: only those columns
// are worth an index held in memory.
bool kept(jet::Database& db, const jet::TableDef& table, const jet::Column& column) {
    auto catalog = db.tables();
    if (!catalog) return false;
    for (const jet::CatalogEntry& entry : *catalog) {
        if (entry.definition_page != table.page) continue;
        const TableSpec* spec = find_table(entry.name);
        if (!spec) return false;
        return std::any_of(spec->columns.begin(), spec->columns.end(), [&](const ColumnSpec& c) {
            return c.found_by_value && jet::text_equal_nocase(c.name, column.name);
        });
    }
    return false;
}

}  // namespace

KeptLookups::KeptLookups(const std::string& file, StampReader stamp)
    : file_(file_named(file)), stamp_(std::move(stamp)) {}

KeptLookups::~KeptLookups() = default;

std::optional<std::vector<jet::RowPointer>> KeptLookups::rows(jet::Database& db,
                                                              const jet::TableDef& table,
                                                              const jet::Column& column,
                                                              std::string_view value) {
    if (!kept(db, table, column)) return std::nullopt;
    std::lock_guard guard(file_->mutex);
    if (!trusted_) {
        // Held under the file's lock from here to the end of the action: nobody else changes
        // it meanwhile, and this action's own changes are told to the indexes.
        const auto now = stamp_();
        if (!now) return std::nullopt;
        if (file_->stamp != now) {
            file_->indexes.clear();
            file_->stamp = now;
        }
        // Rows this action stored before now were told to the indexes already.
        trusted_ = true;
    }
    const std::pair<std::uint32_t, std::size_t> key{
        table.page, static_cast<std::size_t>(&column - table.columns.data())};
    auto it = file_->indexes.find(key);
    if (it == file_->indexes.end()) {
        // Read from the file as this action sees it, its own changes included.
        auto built = jet::TextKeyIndex::build(db, table, column);
        if (!built) return std::nullopt;
        it = file_->indexes.emplace(key, std::move(*built)).first;
    }
    return it->second.rows(value);
}

// Told to the indexes whether trusted or not: a row named in excess is only tested in vain.
void KeptLookups::stored(const jet::TableDef& table, jet::RowPointer at,
                         const std::vector<jet::Value>& row) {
    wrote_ = true;
    std::lock_guard guard(file_->mutex);
    for (auto& [key, index] : file_->indexes) {
        if (key.first != table.page || key.second >= row.size()) continue;
        if (const auto* text = std::get_if<std::string>(&row[key.second])) index.add(*text, at);
    }
}

void KeptLookups::committed(std::optional<std::uint64_t> stamp) {
    std::lock_guard guard(file_->mutex);
    if (trusted_ && stamp)
        file_->stamp = stamp;
    else if (wrote_)
        file_->stamp.reset();
    wrote_ = false;
}

}  // namespace store
