#include "store/shop_lists.h"

#include <algorithm>

#include "engine/program_tables.h"
#include "jet/text.h"
#include "store/action_steps.h"
#include "store/sources.h"

namespace store {

namespace {

std::string rows_of(ListKind kind) {
    return std::string(kTagTable) + " where kind=" + std::to_string(static_cast<int>(kind));
}

}  // namespace

const std::vector<std::string>& usual_reasons() {
    static const std::vector<std::string> reasons = {"嫌贵", "买了别家", "联系不上", "不需要了"};
    return reasons;
}

std::optional<std::vector<ListEntry>> read_list_rows(StoreConnection& c, RowSet& rs,
                                                     ListKind kind) {
    std::vector<ListEntry> out;
    const auto there = c.has_table(kTagTable);
    if (!there) return std::nullopt;
    if (!*there) return out;
    if (!reopen_rows(rs, rows_of(kind))) return std::nullopt;
    std::vector<std::pair<std::int32_t, ListEntry>> placed;
    for (int i = 0, n = rs.row_count(); i < n; ++i, rs.move_next())
        placed.push_back(
            {rs.read_int("place").second, {rs.read_int("id").second, rs.read_text("name").second}});
    rs.close_rows();
    std::sort(placed.begin(), placed.end(), [](const auto& a, const auto& b) {
        return a.first != b.first ? a.first < b.first : a.second.id < b.second.id;
    });
    for (auto& [place, e] : placed)
        out.push_back(std::move(e));
    return out;
}

std::optional<std::vector<ListEntry>> read_shop_list(StoreConnection& c, RowSet& rs,
                                                     const StoreLocation& store, ListKind kind) {
    if (!open_action(c, rs, store, settings_source(kOurIdsRow))) return std::nullopt;
    rs.close_rows();
    auto list = read_list_rows(c, rs, kind);
    close_action(c, rs);
    return list;
}

bool keep_reason(StoreConnection& c, RowSet& rs, const std::string& reason) {
    const auto same = [&](const std::string& r) { return jet::text_equal_nocase(r, reason); };
    if (std::any_of(usual_reasons().begin(), usual_reasons().end(), same)) return true;
    const auto kept = read_list_rows(c, rs, ListKind::reason);
    if (!kept) return false;
    if (std::any_of(kept->begin(), kept->end(), [&](const ListEntry& e) { return same(e.name); }))
        return true;
    return c.ensure_table(kTagTable) && reopen_rows(rs, rows_of(ListKind::reason)) &&
           rs.add_row() && rs.write_text("name", reason) &&
           rs.write_int("place", static_cast<std::int32_t>(kept->size())) &&
           rs.write_int("kind", static_cast<std::int32_t>(ListKind::reason)) && rs.update_row() &&
           (rs.close_rows(), true);
}

}  // namespace store
